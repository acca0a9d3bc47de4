// The button bars' zones and when each button answers.
#include <gtest/gtest.h>

#include <optional>

#include "app/button_bars.h"
#include "res/skin_layout.h"

using namespace voltaris;

namespace {

// Each bar zone answers with its own action at its corners and with nothing
// a pixel beyond each side (no two zones of a bar touch).
template <typename ZoneAt>
void ExpectBarZone(ZoneAt zoneAt, const HotZone& z, BarAction action) {
  EXPECT_EQ(zoneAt(z.left, z.top), action);
  EXPECT_EQ(zoneAt(z.right, z.bottom), action);
  EXPECT_EQ(zoneAt(z.left - 1, z.top), std::nullopt);
  EXPECT_EQ(zoneAt(z.right + 1, z.bottom), std::nullopt);
  EXPECT_EQ(zoneAt(z.left, z.top - 1), std::nullopt);
  EXPECT_EQ(zoneAt(z.right, z.bottom + 1), std::nullopt);
}

}  // namespace

TEST(ButtonBars, ZonesIncludeTheirBounds) {
  for (const BarZone& b : {BarZone{skin::kLeftSettings, BarAction::Settings}, BarZone{skin::kLeftExit, BarAction::Exit},
                           BarZone{skin::kLeftAlarm, BarAction::AlarmMessages},
                           BarZone{skin::kLeftWeekly, BarAction::WeeklySchedule}}) {
    SCOPED_TRACE(static_cast<int>(b.action));
    ExpectBarZone(LeftBarZoneAt, b.area, b.action);
  }
  for (const BarZone& b :
       {BarZone{skin::kTopLogFile, BarAction::LogFile}, BarZone{skin::kTopHistory, BarAction::HistoryData},
        BarZone{skin::kTopDataPlot, BarAction::DataPlot}, BarZone{skin::kTopEventData, BarAction::EventData},
        BarZone{skin::kTopShutdown, BarAction::Shutdown}, BarZone{skin::kTopTenSecondTest, BarAction::TenSecondTest},
        BarZone{skin::kTopCancelSelfTest, BarAction::CancelSelfTest}}) {
    SCOPED_TRACE(static_cast<int>(b.action));
    ExpectBarZone(TopBarZoneAt, b.area, b.action);
  }
}

TEST(ButtonBars, TopBarConditions) {
  const int shutdownX = skin::CentreX(skin::kTopShutdown), shutdownY = skin::CentreY(skin::kTopShutdown);
  const int testX = skin::CentreX(skin::kTopTenSecondTest), testY = skin::CentreY(skin::kTopTenSecondTest);
  const int cancelX = skin::CentreX(skin::kTopCancelSelfTest), cancelY = skin::CentreY(skin::kTopCancelSelfTest);
  TopBarState state;
  EXPECT_EQ(TopBarPress(shutdownX, shutdownY, state), BarAction::Shutdown);
  state.manualShutdownOpen = true;
  EXPECT_EQ(TopBarPress(shutdownX, shutdownY, state), std::nullopt);
  EXPECT_EQ(TopBarPress(testX, testY, state), std::nullopt);  // no UPS answering: no test
  state.upsAnswering = true;
  EXPECT_EQ(TopBarPress(testX, testY, state), BarAction::TenSecondTest);
  state.tenSecondTestOpen = true;
  EXPECT_EQ(TopBarPress(testX, testY, state), std::nullopt);
  EXPECT_EQ(TopBarPress(cancelX, cancelY, state), std::nullopt);  // nothing to cancel
  state.selfTestRunning = true;
  EXPECT_EQ(TopBarPress(cancelX, cancelY, state), BarAction::CancelSelfTest);
}
