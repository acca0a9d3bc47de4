#include "app/button_bars.h"

namespace voltaris {
namespace {

constexpr BarZone kLeftBar[] = {
    {{21, 96, 57, 129}, BarAction::Settings},
    {{23, 361, 56, 394}, BarAction::Exit},
    {{22, 189, 49, 222}, BarAction::AlarmMessages},
    {{23, 271, 51, 302}, BarAction::WeeklySchedule},
};

// In the order a press tests them.
constexpr BarZone kTopBar[] = {
    {{73, 11, 104, 46}, BarAction::HistoryData},  {{211, 16, 244, 47}, BarAction::EventData},
    {{281, 16, 316, 47}, BarAction::Shutdown},    {{351, 16, 384, 47}, BarAction::TenSecondTest},
    {{421, 16, 456, 47}, BarAction::CancelSelfTest}, {{144, 16, 179, 47}, BarAction::DataPlot},
    {{11, 16, 47, 46}, BarAction::LogFile},
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
