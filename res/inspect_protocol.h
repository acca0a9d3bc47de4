// What the test inspector (tools/inspector) asks a running program across
// processes, and what the program answers: one list, read by both sides.
// Both are registered window messages, sent with a time-out.
#pragma once

namespace voltaris::inspect {

// wParam: a menu item's id, or its position when lParam is 1. Answers what
// GetMenuState says of it in the main window's menu.
constexpr char kMenuStateMessage[] = "VoltarisInspectMenuState";

// wParam: one of Query. The name is older than most of what it answers.
constexpr char kStateMessage[] = "VoltarisInspectAcceptedReplies";

enum Query : unsigned {
  kAcceptedReplies = 0,  // the status replies accepted so far
  kWarningsArmed = 1,    // kMainsWarningArmed | kBatteryWarningArmed: each warning fires once
  kLinkPictures = 2,     // the link pictures' bitmap ids: link in the low word, traffic in the high word
  kLastBalloon = 3,      // a global atom holding the last balloon's text (the asker deletes it)
  kTrayTip = 4,          // a global atom holding the tray tip
};

constexpr unsigned kMainsWarningArmed = 1;
constexpr unsigned kBatteryWarningArmed = 2;

}  // namespace voltaris::inspect
