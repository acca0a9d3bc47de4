#include "app/button_bars.h"

namespace voltaris {
namespace {

constexpr BarZone kLeftBar[] = {
    {skin::kLeftSettings, BarAction::Settings},
    {skin::kLeftExit, BarAction::Exit},
    {skin::kLeftAlarm, BarAction::AlarmMessages},
    {skin::kLeftWeekly, BarAction::WeeklySchedule},
};

// In the order a press tests them.
constexpr BarZone kTopBar[] = {
    {skin::kTopHistory, BarAction::HistoryData},
    {skin::kTopEventData, BarAction::EventData},
    {skin::kTopShutdown, BarAction::Shutdown},
    {skin::kTopTenSecondTest, BarAction::TenSecondTest},
    {skin::kTopCancelSelfTest, BarAction::CancelSelfTest},
    {skin::kTopDataPlot, BarAction::DataPlot},
    {skin::kTopLogFile, BarAction::LogFile},
};

template <size_t N>
std::optional<BarAction> ZoneAt(const BarZone (&zones)[N], int x, int y) {
  for (const BarZone& zone : zones) {
    if (zone.area.Contains(x, y)) return zone.action;
  }
  return std::nullopt;
}

}  // namespace

std::optional<BarAction> LeftBarZoneAt(int x, int y) { return ZoneAt(kLeftBar, x, y); }
std::optional<BarAction> TopBarZoneAt(int x, int y) { return ZoneAt(kTopBar, x, y); }

std::optional<BarAction> TopBarPress(int x, int y, const TopBarState& state) {
  const auto action = TopBarZoneAt(x, y);
  if (!action) return std::nullopt;
  switch (*action) {
    case BarAction::Shutdown:
      if (state.manualShutdownOpen) return std::nullopt;
      break;
    case BarAction::TenSecondTest:
      if (state.tenSecondTestOpen || !state.upsAnswering) return std::nullopt;
      break;
    case BarAction::CancelSelfTest:
      if (!state.selfTestRunning) return std::nullopt;
      break;
    default: break;
  }
  return action;
}

}  // namespace voltaris
