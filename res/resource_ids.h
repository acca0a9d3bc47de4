// Resource numbers shared by the English and French builds and by the code.
// The fixed numbers are the program's own (menus, dialogs, bitmaps); the
// rest are ours to choose, in a range per window.
#pragma once

// Icons and bitmaps
#define IDI_VOLTARIS 103        // main window and tray icon
#define IDI_SCHEDULE 182        // the schedule dialogs
#include "res/bitmap_ids.h"

// Dialog templates
#define IDD_POWER_COUNTDOWN 147     // mains failure and battery low
#define IDD_MANUAL_COUNTDOWN 153
#define IDD_SCHEDULE_COUNTDOWN 171  // warning before a scheduled shutdown
#define IDD_TEN_SECOND_TEST 155     // progress of the UPS's 10-second self-test
#define IDD_UNTIL_LOW_TEST 176      // progress of the self-test until the battery is low
#define IDD_TIMED_TEST 173          // progress of the timed self-test
#define IDD_TIMED_TEST_SETTINGS 172 // "Special Time Selftest": its minutes
#define IDD_WEEKLY_SCHEDULE 162     // "Weekly Schedule": shutdown and restart times per weekday
#define IDD_GAUGE_PANEL 104         // the gauges inside the main window
#define IDD_DATA_PLOT 161           // "Data Plot"
#define IDD_CLOCK_PANEL 175         // date, weekday and time in the top button bar
#define IDD_ABOUT 177
#define IDD_SETTINGS 105            // "UPS  Setting Configure"
#define IDD_SETTINGS_RECORDING 129  // its pages
#define IDD_SETTINGS_WARNING 130
#define IDD_SETTINGS_BATTERY 132
#define IDD_ALARM_MESSAGE 157       // "Alarm Message"
#define IDD_ALARM_MESSAGE_PAGE 156  // its seven texts
#define IDD_LOG_FILE 164            // "Log File"
#define IDD_EVENT_DATA 167          // "Event Data"

// Gauge panel controls: the bars and their readouts
#define IDC_INPUT_VOLTAGE_BAR 1001
#define IDC_OUTPUT_VOLTAGE_BAR 1002
#define IDC_LOAD_BAR 1003
#define IDC_BATTERY_BAR 1004
#define IDC_TEMPERATURE_BAR 1005
#define IDC_FREQUENCY_BAR 1006
#define IDC_INPUT_VOLTAGE_TEXT 1110
#define IDC_OUTPUT_VOLTAGE_TEXT 1111
#define IDC_LOAD_TEXT 1112
#define IDC_BATTERY_TEXT 1113
#define IDC_TEMPERATURE_TEXT 1114
#define IDC_FREQUENCY_TEXT 1115
#define IDC_RUNTIME_TEXT 1116  // the battery's estimated runtime

// Menus and accelerators
#define IDM_MAIN_MENU 101
#define IDM_TRAY_MENU 102
#define IDA_VOLTARIS "VOLTARIS"

#include "res/command_ids.h"

// Special-date schedule and closed-applications list
#define IDD_SPECIAL_SCHEDULE 163     // seven dated shutdown and restart rows
#define IDD_CLOSED_APPLICATIONS 189  // "CloseApplication": the closed-applications table

// History data window
#define IDD_HISTORY_DATA 166        // "History Data"
