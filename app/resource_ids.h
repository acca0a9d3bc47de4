// Resource numbers shared by the English and French builds and by the code.
// The fixed numbers are the program's own (menus, dialogs, bitmaps); the
// rest are ours to choose, in a range per window.
#pragma once

// Icons and bitmaps
#define IDI_VOLTARIS 103        // main window and tray icon
#define IDB_SPLASH 178          // picture of the start-up splash
#define IDB_POWER_COUNTDOWN 148     // background of the mains-failure and battery-low count-downs
#define IDB_RED_TRIANGLE 149
#define IDB_YELLOW_TRIANGLE 150
#define IDB_MANUAL_COUNTDOWN 151    // background of the manual count-down

// Dialog templates
#define IDD_POWER_COUNTDOWN 147     // mains failure and battery low
#define IDD_MANUAL_COUNTDOWN 153

// Menus and accelerators
#define IDM_MAIN_MENU 101
#define IDM_TRAY_MENU 102
#define IDA_VOLTARIS "VOLTARIS"

#include "command_ids.h"
