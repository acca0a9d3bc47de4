// Bitmap resources of the skin. The numbers up to 192 are the program's own;
// 601 onwards are ours, for the skin pictures of the record, settings and
// alarm windows. The pictures are drawn at build time by tools/art/make_art.cpp
// and listed in bitmaps.rc.
#pragma once

// Main window
#define IDB_SPLASH 178             // start-up splash and About window, 344 x 206
#define IDB_TOP_BAR 191            // top button bar "pic1", 638 x 80
#define IDB_LEFT_BAR 192           // left button bar "pic", 102 x 442

// Gauge panel, and the windows that share its background
#define IDB_PANEL_BACK 122         // panel background, 641 x 366
#define IDB_UPS_PICTURE 133        // computer, link and UPS at (380,13), 250 x 160
#define IDB_MAINS_FAILED 134       // status pictures, 118 x 52 each
#define IDB_MAINS_NORMAL 135
#define IDB_LINK_DOWN 137
#define IDB_LINK_UP 138
#define IDB_TRAFFIC_DOWN 139
#define IDB_TRAFFIC_UP 140
#define IDB_BATTERY_NORMAL 141
#define IDB_BATTERY_LOW 142
#define IDB_UPS_NORMAL 143
#define IDB_UPS_FAULT 144
#define IDB_STANDBY_TYPE 145
#define IDB_ONLINE_TYPE 146
#define IDB_OK 158                 // OK face, 37 x 36
#define IDB_CANCEL 159             // Cancel face, 36 x 34
#define IDB_CLEAR 165              // Clear face (waste basket), 42 x 36

// Count-down and self-test windows
#define IDB_POWER_COUNTDOWN 148    // 334 x 253, OK face at lower left
#define IDB_RED_TRIANGLE 149       // 37 x 42, drawn at (10,10)
#define IDB_YELLOW_TRIANGLE 150    // 35 x 35, drawn at (10,10)
#define IDB_MANUAL_COUNTDOWN 151   // 332 x 252, OK and Cancel faces at lower left
#define IDB_SELFTEST_BACK 154      // 334 x 253, OK face at lower left

// Log file window
#define IDB_LOG_BACK 601           // 360 x 320
#define IDB_LOG_CLOSE 602          // at (205,260), 40 x 31
#define IDB_LOG_DELETE 603         // at (270,260), 34 x 34

// History data window
#define IDB_HISTORY_BACK 604       // 700 x 350
#define IDB_HISTORY_DELETE 605     // at (440,302), 37 x 31
#define IDB_HISTORY_PRINT 606      // at (510,309), 36 x 28
#define IDB_HISTORY_REFRESH 607    // at (570,302), 37 x 31
#define IDB_HISTORY_CLOSE 608      // at (635,302), 34 x 31

// Event data window
#define IDB_EVENTS_BACK 609        // 380 x 310
#define IDB_EVENTS_CLOSE 610       // at (240,260), 36 x 31
#define IDB_EVENTS_DELETE 611      // at (300,260), 37 x 34

// UPS setting dialog; the buttons are drawn at the top left of their hot zones
#define IDB_SETUP_BACK 612         // 510 x 235
#define IDB_SETUP_SIDE 613         // picture pane "pic4", 80 x 223
#define IDB_SETUP_PAGES 614        // page bar "pic5", 413 x 60
#define IDB_SETUP_OK 615           // at (291,168), 34 x 30
#define IDB_SETUP_CANCEL 616       // at (356,171), 26 x 24
#define IDB_SETUP_DEFAULT_ON 617   // at (422,167), 27 x 30
#define IDB_SETUP_DEFAULT_OFF 618  // the same, greyed

// Alarm message dialog; the button positions are the page's (placed at (70,59))
#define IDB_ALARM_BACK 619         // frame background, 580 x 380
#define IDB_ALARM_SIDE 620         // picture pane "pic6", 70 x 370
#define IDB_ALARM_OK 621           // at (335,255), 37 x 33
#define IDB_ALARM_CANCEL 622       // at (390,253), 35 x 35
#define IDB_ALARM_DEFAULT 623      // at (440,257), 41 x 31

// Schedule dialogs
#define IDB_SCHEDULE_SIDE 624      // picture pane "pic14", 70 x 343
