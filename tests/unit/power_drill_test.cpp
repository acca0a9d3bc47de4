// The power-failure drill, on virtual time.
#include <gtest/gtest.h>

#include <algorithm>

#include "power/timer_ids.h"
#include "res/command_ids.h"
#include "tests/unit/countdown_rig.h"

using namespace voltaris;
using namespace voltaris::testing;

TEST(PowerDrill, RehearsesTheChainOnItsOwnCountAndEndsInAReportInsteadOfAShutdown) {
  NotifyRig rig("Command=notify.exe\nDrillSeconds=10\n[Network]\nEnabled=1\n");
  rig.parts.share.Start();
  rig.share.loggedIn = 2;
  rig.RunWith(kHealthy, 1);
  ASSERT_TRUE(rig.parts.drill.Start());
  EXPECT_TRUE(rig.Open(CountdownWindow::Drill));
  EXPECT_FALSE(rig.parts.drill.Start());  // one at a time
  EXPECT_EQ(rig.parts.drill.Picture().markLine, "DRILL - nothing will be shut down");
  EXPECT_EQ(rig.parts.drill.Picture().alarmLine, "Drill: Attention!! AC  Failed");
  ASSERT_EQ(rig.balloons.shown.size(), 1u);
  EXPECT_EQ(rig.balloons.shown[0].title, "Power Failure Drill");
  EXPECT_EQ(rig.balloons.shown[0].text, "Drill: Mains power failed: the UPS runs on its battery. Shutdown in 10 s.");
  ASSERT_EQ(rig.commands.started.size(), 1u);
  EXPECT_EQ(Env(rig.commands.started[0], "VOLTARIS_DRILL"), "1");
  EXPECT_EQ(Env(rig.commands.started[0], "VOLTARIS_TEXT"), "  Drill: Simulated AC Fail");
  EXPECT_TRUE(rig.parts.policy.Tray().drill);
  rig.RunWith(kHealthy, 9);
  EXPECT_TRUE(rig.Open(CountdownWindow::Drill));
  EXPECT_TRUE(rig.drillPort.reports.empty());
  rig.RunWith(kHealthy, 1);
  EXPECT_FALSE(rig.Open(CountdownWindow::Drill));
  ASSERT_EQ(rig.drillPort.reports.size(), 1u);
  const std::string& report = rig.drillPort.reports[0];
  EXPECT_NE(report.find("Windows would have been shut down after 5 min 5 s."), std::string::npos) << report;
  EXPECT_NE(report.find("\n  Notepad\n"), std::string::npos);
  EXPECT_NE(report.find("would not have been told to switch off"), std::string::npos);
  EXPECT_NE(report.find("told to shut down first: 2, given up to 15 s to log out."), std::string::npos);
  EXPECT_EQ(report.find("Warnings:"), std::string::npos);
  EXPECT_EQ(rig.Events(), (std::vector<std::string>{"  COM UPS is Connected!",
                                                     "  Drill: Simulated AC Fail", "  Drill: End (No Shutdown)"}));
  EXPECT_TRUE(rig.Daily().empty());
  EXPECT_EQ(rig.shutdown.calls, 0);
  EXPECT_EQ(rig.Heard(PowerEventKind::ForcedShutdown) + rig.Heard(PowerEventKind::Shutdown), 0);
  ASSERT_EQ(rig.commands.started.size(), 2u);  // its end as the mains' return, marked as a drill
  for (const auto& started : rig.commands.started) {
    EXPECT_EQ(Env(started, "NOTIFYTYPE"), "");  // nothing a Network UPS Tools script acts on
    EXPECT_EQ(Env(started, "VOLTARIS_DRILL"), "1");
  }
  EXPECT_EQ(Env(rig.commands.started[1], "VOLTARIS_EVENT"), "MainsBack");
  EXPECT_EQ(rig.balloons.shown.back().text, "The drill is over: nothing was shut down. See its report.");
  EXPECT_FALSE(rig.timers.IsArmed(kTimerDrillCountdown));
  EXPECT_TRUE(rig.parts.drill.Start());  // and may be run again
}

TEST(PowerDrill, ARealFailureEndsItAtOnceAndTheRealChainShutsDown) {
  NotifyRig rig("DrillSeconds=60\n");
  rig.RunWith(kHealthy, 1);
  ASSERT_TRUE(rig.parts.drill.Start());
  rig.RunWith(kHealthy, 3);
  rig.RunWith(kMainsFailed, 1);
  EXPECT_FALSE(rig.Open(CountdownWindow::Drill));
  EXPECT_EQ(rig.Count("  Drill: Stopped By A Real AC Fail"), 1);
  EXPECT_FALSE(rig.parts.drill.Start());  // not during the real thing
  rig.RunWith(kMainsFailed, 4);
  EXPECT_TRUE(rig.Open(CountdownWindow::MainsFail));
  EXPECT_EQ(rig.Count("  AC Fail!"), 1);
  EXPECT_TRUE(rig.drillPort.reports.empty());
  rig.RunWith(kMainsFailed, 300);
  EXPECT_EQ(rig.shutdown.calls, 1);
}

TEST(PowerDrill, RefusedWhileACountRunsEvenHidden) {
  NotifyRig rig("");
  rig.RunWith(kHealthy, 1);
  rig.parts.manual.Start();
  rig.parts.manual.OnOk();  // hidden, still counting
  EXPECT_FALSE(rig.parts.drill.Start());
  rig.parts.manual.Cancel();
  EXPECT_TRUE(rig.parts.drill.Start());
}

TEST(PowerDrill, TheReportWarnsWhereTheSettingsCannotWork) {
  DrillFacts facts;
  facts.firstWarningSeconds = 5;
  facts.countSeconds = 300;
  facts.upsAnswering = true;
  facts.expectedRuntimeSeconds = 305;  // just enough
  EXPECT_EQ(DrillReportText(facts).find("Warnings:"), std::string::npos);
  facts.expectedRuntimeSeconds = 304;
  EXPECT_NE(DrillReportText(facts).find("longer than the battery is expected to last: 5 min 4 s."), std::string::npos);
  // The shutdown on a learnt estimate comes first: no warning, and when.
  facts.runtimeMarginSeconds = 180;
  EXPECT_EQ(DrillReportText(facts).find("Warnings:"), std::string::npos);
  EXPECT_NE(DrillReportText(facts).find("would have come sooner, after about 2 min 4 s."), std::string::npos);
  facts.expectedRuntimeSeconds = 485;  // the estimate's shutdown at 5 min 5 s: the count's end comes first
  EXPECT_EQ(DrillReportText(facts).find("sooner"), std::string::npos);
  facts.expectedRuntimeSeconds = 484;
  EXPECT_NE(DrillReportText(facts).find("sooner, after about 5 min 4 s."), std::string::npos);
  // Never before the count's window has opened and held it three ticks.
  facts.expectedRuntimeSeconds = 100;
  EXPECT_NE(DrillReportText(facts).find("sooner, after about 8 s."), std::string::npos);
  // The secondaries' wait follows the estimate's end too.
  facts.expectedRuntimeSeconds = 304;
  facts.secondariesLoggedIn = 1;
  facts.secondariesWaitSeconds = 181;
  EXPECT_NE(DrillReportText(facts).find("longer than the battery is expected to last"), std::string::npos);
  facts.secondariesWaitSeconds = 180;
  EXPECT_EQ(DrillReportText(facts).find("Warnings:"), std::string::npos);
  facts.secondariesLoggedIn = 0;
  facts.secondariesWaitSeconds = 0;
  facts.runtimeMarginSeconds = -1;
  // Nobody logged in: the secondaries' wait is no part of the time to the shutdown.
  facts.expectedRuntimeSeconds = 305;
  facts.secondariesWaitSeconds = 60;
  EXPECT_EQ(DrillReportText(facts).find("Warnings:"), std::string::npos);
  facts.secondariesLoggedIn = 1;
  EXPECT_NE(DrillReportText(facts).find("longer than the battery is expected to last"), std::string::npos);
  facts.secondariesLoggedIn = 0;
  facts.expectedRuntimeSeconds = -1;
  facts.upsAnswering = false;
  facts.mayShutDown = false;
  const std::string report = DrillReportText(facts);
  EXPECT_NE(report.find("- The UPS is not answering"), std::string::npos);
  EXPECT_NE(report.find("- This account may not shut Windows down"), std::string::npos);
  EXPECT_NE(report.find("No other application was open."), std::string::npos);
}
