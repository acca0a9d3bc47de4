// The two picture button bars of the main window: what a press on each of
// their hot zones does, given the program's state.
#pragma once

#include <optional>

#include "res/skin_layout.h"

namespace voltaris {

enum class BarAction {
  Settings, Exit, AlarmMessages, WeeklySchedule,                                   // left bar
  LogFile, HistoryData, DataPlot, EventData, Shutdown, TenSecondTest, CancelSelfTest,  // top bar
};

struct BarZone {
  HotZone area;
  BarAction action;
};

// The zone under a point, if any (the hand cursor shows over it).
std::optional<BarAction> LeftBarZoneAt(int x, int y);
std::optional<BarAction> TopBarZoneAt(int x, int y);

// What the top bar's conditional zones depend on.
struct TopBarState {
  bool manualShutdownOpen = false;
  bool tenSecondTestOpen = false;
  bool upsAnswering = false;
  bool selfTestRunning = false;
};

// The action of a press on the top bar: nothing where a zone's condition
// does not hold (a shutdown already counting, a test already showing or
// no UPS to test, no test to cancel).
std::optional<BarAction> TopBarPress(int x, int y, const TopBarState& state);

}  // namespace voltaris
