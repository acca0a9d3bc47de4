// What the tray is told of each power event, on virtual time.
#include <gtest/gtest.h>

#include <algorithm>

#include "power/timer_ids.h"
#include "res/command_ids.h"
#include "tests/unit/countdown_rig.h"

using namespace voltaris;
using namespace voltaris::testing;

TEST(Notifications, AFailureAndItsReturnNotifyOnceEachAndRunTheirCommandsWithTheRecordedTexts) {
  NotifyRig rig("Command=C:\\hooks\\notify.cmd\nMainsBack=C:\\hooks\\back.exe --quiet\n");
  rig.RunWith(kMainsFailed, 5);
  ASSERT_EQ(rig.balloons.shown.size(), 1u);
  EXPECT_EQ(rig.balloons.shown[0].text, "Mains power failed: the UPS runs on its battery. Shutdown in 5 min.");
  EXPECT_TRUE(rig.balloons.shown[0].warning);
  ASSERT_EQ(rig.commands.started.size(), 1u);
  const CommandRequest& failed = rig.commands.started[0];
  EXPECT_EQ(failed.commandLine.rfind("C:\\hooks\\notify.cmd \"  AC Fail!\" \"MainsFailed\" \"ONBATT\" \"2026-12-08\" ", 0), 0u)
      << failed.commandLine;
  EXPECT_EQ(Env(failed, "NOTIFYTYPE"), "ONBATT");
  EXPECT_EQ(Env(failed, "UPSNAME"), "voltaris");
  EXPECT_EQ(Env(failed, "VOLTARIS_SECONDS_LEFT"), "300");
  EXPECT_EQ(Env(failed, "VOLTARIS_DRILL"), "0");
  EXPECT_EQ(Env(failed, "VOLTARIS_INPUT_VOLTAGE"), "000.0");
  EXPECT_EQ(Env(failed, "VOLTARIS_LOAD"), "012");  // its field takes in the frequency's first digit
  EXPECT_EQ(Env(failed, "VOLTARIS_FREQUENCY"), "50.0");
  rig.RunWith(kMainsFailed, 20);  // the failure goes on: nothing new to tell
  EXPECT_EQ(rig.balloons.shown.size(), 1u);
  rig.RunWith(kHealthy, 6);
  ASSERT_EQ(rig.balloons.shown.size(), 2u);
  EXPECT_EQ(rig.balloons.shown[1].text, "Mains power is back.");
  ASSERT_EQ(rig.commands.started.size(), 2u);
  EXPECT_EQ(rig.commands.started[1].commandLine.rfind("C:\\hooks\\back.exe --quiet \"  AC Restore!\" \"MainsBack\" \"ONLINE\"", 0),
            0u);
}

TEST(Notifications, BalloonsOffAndAKindsEmptyKeyLeaveOnlyWhatIsAskedFor) {
  NotifyRig rig("Balloons=0\nCommand=notify.exe\nMainsFailed=\n");
  rig.RunWith(kMainsFailed, 5);
  rig.RunWith(kHealthy, 6);
  EXPECT_TRUE(rig.balloons.shown.empty());
  ASSERT_EQ(rig.commands.started.size(), 1u);  // the return only: MainsFailed= runs nothing
  EXPECT_EQ(Env(rig.commands.started[0], "VOLTARIS_EVENT"), "MainsBack");
}

TEST(Notifications, TheUpsIsFoundAgainOnlyAfterItWasLostAndEachCountdownSaysWhenItEnds) {
  NotifyRig rig("");
  rig.Reply(kHealthy);
  EXPECT_EQ(rig.Heard(PowerEventKind::UpsFound), 0);  // the first answer is no news
  for (int i = 0; i < LinkWatch::kMissedRepliesForLoss; ++i) rig.engine.OnSerialRead(false, "");
  EXPECT_EQ(rig.Heard(PowerEventKind::UpsLost), 1);
  rig.Reply(kHealthy);
  EXPECT_EQ(rig.Heard(PowerEventKind::UpsFound), 1);
  EXPECT_EQ(rig.balloons.shown.back().text, "The UPS answers again.");

  rig.parts.manual.Start();
  EXPECT_EQ(rig.balloons.shown.back().text, "Shutdown asked for. Shutdown in 10 s.");
  rig.RunWith(kHealthy, 10);
  EXPECT_EQ(rig.Heard(PowerEventKind::Shutdown), 1);
  EXPECT_EQ(rig.Heard(PowerEventKind::ForcedShutdown), 0);  // a manual shutdown leaves the network alone
  EXPECT_EQ(rig.shutdown.calls, 1);
}

TEST(Notifications, DurationsAndTheTrayTipTellTheStateInAFewWords) {
  const std::vector<std::pair<int, std::string>> durations = {
      {0, "0 s"}, {59, "59 s"}, {60, "1 min"}, {61, "1 min"}, {119, "1 min"}, {120, "2 min"}, {299, "4 min"},
      {300, "5 min"}};
  for (const auto& [seconds, text] : durations) EXPECT_EQ(DurationText(seconds), text) << seconds;
  EXPECT_EQ(ExactDurationText(59), "59 s");
  EXPECT_EQ(ExactDurationText(300), "5 min");
  EXPECT_EQ(ExactDurationText(301), "5 min 1 s");
  struct Tip {
    TrayState state;
    std::string text;
  };
  const std::vector<Tip> tips = {
      {{false, true, 120, false, false, ServiceWait::None, ""}, "Voltaris: UPS not answering"},
      {{true, false, -1, false, false, ServiceWait::None, ""}, "Voltaris: on mains"},
      {{true, true, -1, false, false, ServiceWait::None, ""}, "Voltaris: on battery"},
      {{true, true, 299, false, false, ServiceWait::None, ""}, "Voltaris: on battery, shutdown in 4 min"},
      {{true, true, 30, true, true, ServiceWait::None, ""}, "Voltaris: on battery, shutdown in 30 s (drill); records waiting"},
      {{true, true, 299, false, false, ServiceWait::None, "about 14 min left"},
       "Voltaris: on battery, shutdown in 4 min; about 14 min left"},
      {{true, true, 95, false, false, ServiceWait::NotRunning, ""}, "Voltaris: the service is not running: the UPS is not watched"},
      {{false, false, -1, false, false, ServiceWait::Asked, ""}, "Voltaris: asking the service for the UPS's state"},
  };
  for (const Tip& tip : tips) EXPECT_EQ(TrayTipText(tip.state), tip.text);
  SetLanguage(Language::French);
  EXPECT_EQ(TrayTipText({true, true, 300, false, false, ServiceWait::None, ""}), "Voltaris : sur batterie, fermeture dans 5 min");
  SetLanguage(Language::English);
}

TEST(Notifications, TheTrayTipCountsTheSoonerOfTheMainsAndTheBatteryCounts) {
  NotifyRig rig("");
  rig.RunWith(kMainsFailed, 5);
  EXPECT_EQ(rig.parts.policy.Tray().secondsLeft, 300);
  rig.RunWith(kMainsFailed, 10);
  EXPECT_EQ(rig.parts.policy.Tray().secondsLeft, 290);
  rig.RunWith(kBothFailed, 2);  // the battery-low count (1 min) ends sooner
  EXPECT_GE(rig.parts.policy.Tray().secondsLeft, 58);
  EXPECT_LE(rig.parts.policy.Tray().secondsLeft, 60);
  EXPECT_TRUE(rig.parts.policy.Tray().onBattery);
}
