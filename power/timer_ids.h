// The main window's timers: the events between the subsystems. The numbers
// are chosen here, in one place; each is owned by one object, and the timer
// table (base/timer_table.h) hands every tick to its owner.
#pragma once

namespace voltaris {

enum TimerId : unsigned {
  kTimerOpenSerial = 1025,            // close the port; the monitor reopens it
  kTimerStatusQuery = 1026,           // "Q1" every second
  kTimerRatingQuery = 1027,           // "F" every second
  kTimerMainsFailDelay = 1028,        // open the mains-failure window
  kTimerMainsFailCountdown = 1029,
  kTimerManualShutdown = 1030,
  kTimerTenSecondTest = 1031,
  kTimerTenSecondTestWindow = 1032,
  kTimerCancelTest = 1033,
  kTimerHistorySerialUp = 1034,       // measured history rows
  kTimerHistoryUsbUp = 1035,
  kTimerHistoryUsbDown = 1036,        // not-connected history rows
  kTimerHistorySerialDown = 1037,
  kTimerScheduleOpen = 1038,
  kTimerScheduleCountdown = 1039,
  kTimerSpecialTestStart = 1040,
  kTimerSpecialTestCountdown = 1041,
  kTimerBatteryLowOpen = 1043,
  kTimerBatteryLowCountdown = 1044,
  kTimerLinkGrace = 1047,             // allow the "no UPS" box 5 s after start
  kTimerSettingsWatch = 1148,         // watch the settings dialog
  kTimerSettingsQuiet = 1149,         // end the quiet time 2 s after it closed
  kTimerRecordRetry = 1150,           // move waiting rows into their tables
  kTimerScheduleDueCheck = 1151,      // look whether a scheduled shutdown's warning is due
  kTimerScheduleConfirm = 1152,       // the longest the end waits for the switch-off to be written
  kTimerUntilLowSend = 1153,          // "TL" half a second after the command
  kTimerUntilLowBlink = 1125,         // the until-battery-low window's triangle
  kTimerTimedTestSend = 1154,         // the timed test's command half a second after its window
  kTimerSharePublish = 1155,          // hand the network server the latest variables
  kTimerHostSync = 1156,              // look whether the network secondaries have logged out
  kTimerShareListen = 1157,           // try again to start the network server
  kTimerShutdownWatch = 1158,         // a shutdown Windows accepted still not carried out: recorded, asked again
  kTimerTrayRetry = 1159,             // offer the tray icon again to a shell that refused it
  kTimerCommandWatch = 1160,          // look whether the event commands still run
  kTimerDrillCountdown = 1161,        // the power-failure drill's count
  kTimerBatteryWatch = 1162,          // each second: the battery's discharge and runtime estimate
  kTimerShutdownConfirm = 1163,       // an accepted shutdown that has not begun to end the session is asked the second way
  kTimerLineLook = 1164,              // without the service, a copy started by hand holds the line: look again
  kTimerWindowPipeRetry = 1165,       // the service's pipe to its users' windows could not be made: try again
  kTimerServiceLook = 1166,           // without the service: has one been installed meanwhile?
  kTimerCommandStart = 1167,          // the shutdown waits for the event commands to have started
};

// Periods in milliseconds.
constexpr unsigned kOpenSerialDelayMs = 1000;
constexpr unsigned kQueryPeriodMs = 1000;
constexpr unsigned kLinkGraceMs = 5000;
constexpr unsigned kSettingsWatchMs = 300;
constexpr unsigned kSettingsQuietMs = 2000;
constexpr unsigned kBatteryLowOpenDelayMs = 200;
constexpr unsigned kShutdownWatchMs = 180000;  // a shutdown still not carried out after 3 minutes is asked again
constexpr unsigned kShutdownConfirmMs = 3000;  // Windows tells every window at once when it begins a shutdown
// The shutdown's own commands are started before Windows is asked to go
// down, looked at this often, for this many looks at most (2 s).
constexpr unsigned kCommandStartLookMs = 100;
constexpr int kCommandStartLooks = 20;

}  // namespace voltaris
