// The flags the link engine sets from the UPS's replies and the count-downs
// read and re-arm: one struct, shared by both (1 = set).
#pragma once

namespace voltaris {

struct PowerFlags {
  int mainsFailed = 0;
  int mainsSeen = 1;      // the mains were normal at a reply since the mains-failure count last used it
  int batteryLow = 0;
  int firstMainsWarningArmed = 1;   // a mains failure opens its window after CutACTimeMessage
  int repeatMainsWarningArmed = 0;  // ... and again after ShutAlarmTimeMessage once closed with OK
  int batteryLowWarningArmed = 1;
};

}  // namespace voltaris
