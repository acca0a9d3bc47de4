// The three shutdown count-downs through whole scenarios, on virtual time.
#include <gtest/gtest.h>

#include <algorithm>

#include "power/timer_ids.h"
#include "res/command_ids.h"
#include "tests/unit/countdown_rig.h"

using namespace voltaris;
using namespace voltaris::testing;

TEST(MainsFailCountdown, OpensAfterCutAcTimeEvenWhenTheMainsAreBackAndClosesOnTheFifthRestoredTick) {
  CountdownRig rig;
  rig.Reply(kMainsFailed);
  rig.Reply(kHealthy);  // back within CutACTimeMessage
  rig.Run(4999);
  EXPECT_FALSE(rig.Open(CountdownWindow::MainsFail));
  rig.Run(1);
  ASSERT_TRUE(rig.Open(CountdownWindow::MainsFail));
  EXPECT_EQ(rig.Count("  AC Fail!"), 1);
  EXPECT_EQ(rig.Daily(), std::vector<std::string>{"2026-12-08|0|1|0"});
  EXPECT_EQ(rig.parts.mainsFail.Picture().normalLine, "AC Fail Recovered");
  EXPECT_FALSE(rig.parts.mainsFail.Picture().showCount);
  rig.RunWith(kHealthy, 4);
  EXPECT_TRUE(rig.Open(CountdownWindow::MainsFail));
  EXPECT_EQ(rig.views.Blinks(CountdownWindow::MainsFail, Triangle::Yellow), 4);
  EXPECT_EQ(rig.Count("  AC Restore!"), 1);
  rig.RunWith(kHealthy, 1);
  EXPECT_FALSE(rig.Open(CountdownWindow::MainsFail));
  EXPECT_FALSE(rig.timers.IsArmed(kTimerMainsFailCountdown));
  EXPECT_EQ(rig.views.Blinks(CountdownWindow::MainsFail, Triangle::Yellow), 4);
  EXPECT_TRUE(rig.parts.mainsFail.State().firstWarningArmed);  // the next failure warns again
  EXPECT_EQ(rig.shutdown.calls, 0);
}

TEST(MainsFailCountdown, OkHidesTheWindowWhichComesBackWithTheCountGoingOnAndNoSecondEvent) {
  CountdownRig rig;
  rig.RunWith(kMainsFailed, 5);
  ASSERT_TRUE(rig.Open(CountdownWindow::MainsFail));
  rig.RunWith(kMainsFailed, 3);
  EXPECT_EQ(rig.parts.mainsFail.Picture().seconds, 297);
  EXPECT_EQ(rig.parts.mainsFail.Picture().alarmLine, "Attention!! AC  Failed");
  rig.parts.mainsFail.OnOk();
  EXPECT_FALSE(rig.Open(CountdownWindow::MainsFail));
  rig.RunWith(kMainsFailed, 9);
  EXPECT_FALSE(rig.Open(CountdownWindow::MainsFail));
  rig.RunWith(kMainsFailed, 1);  // ShutAlarmTimeMessage after the next reply
  ASSERT_TRUE(rig.Open(CountdownWindow::MainsFail));
  EXPECT_EQ(rig.views.opened[CountdownWindow::MainsFail], 2);
  EXPECT_EQ(rig.Count("  AC Fail!"), 1);
  EXPECT_LT(rig.parts.mainsFail.Picture().seconds, 297 - 8);  // counted on while hidden
}

TEST(MainsFailCountdown, ReachingZeroShutsDownExactlyOnceAndNotATickEarlier) {
  CountdownRig rig("CutACTimeMessage=1\nBatteryTime=1\n");
  rig.RunWith(kMainsFailed, 1);
  ASSERT_TRUE(rig.Open(CountdownWindow::MainsFail));
  rig.RunWith(kMainsFailed, 59);
  EXPECT_EQ(rig.shutdown.calls, 0);
  EXPECT_TRUE(rig.Open(CountdownWindow::MainsFail));
  rig.RunWith(kMainsFailed, 1);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_FALSE(rig.Open(CountdownWindow::MainsFail));
  rig.RunWith(kMainsFailed, 10);
  EXPECT_EQ(rig.shutdown.calls, 1);
}

TEST(MainsFailCountdown, ABatteryTimeOfZeroNeverShutsDown) {
  CountdownRig rig("CutACTimeMessage=1\nBatteryTime=0\n");
  rig.RunWith(kMainsFailed, 200);
  EXPECT_TRUE(rig.Open(CountdownWindow::MainsFail));
  EXPECT_EQ(rig.shutdown.calls, 0);
}

// Two short failures in a run: each is recorded with its end, and the
// second window counts the mains' return afresh.
TEST(MainsFailCountdown, ALaterWindowFindingTheMainsBackRecordsTheirReturnAndClosesOnItsFifthTick) {
  CountdownRig rig;
  rig.RunWith(kMainsFailed, 5);
  rig.RunWith(kHealthy, 5);  // four restored ticks, closed on the fifth
  ASSERT_FALSE(rig.Open(CountdownWindow::MainsFail));
  EXPECT_EQ(rig.parts.mainsFail.State().restoredTicks, 0);
  rig.Reply(kMainsFailed);
  rig.Reply(kHealthy);  // back before the window opens
  rig.Run(5000);
  ASSERT_TRUE(rig.Open(CountdownWindow::MainsFail));
  const int yellow = rig.views.Blinks(CountdownWindow::MainsFail, Triangle::Yellow);
  rig.RunWith(kHealthy, 4);
  EXPECT_TRUE(rig.Open(CountdownWindow::MainsFail));
  EXPECT_EQ(rig.views.Blinks(CountdownWindow::MainsFail, Triangle::Yellow), yellow + 4);
  rig.RunWith(kHealthy, 1);
  EXPECT_FALSE(rig.Open(CountdownWindow::MainsFail));
  EXPECT_EQ(rig.Count("  AC Fail!"), 2);
  EXPECT_EQ(rig.Count("  AC Restore!"), 2);
}

// A flicker inside one window: the mains' return is counted again from the
// last failure.
TEST(MainsFailCountdown, AFailureWhileTheMainsAreBackCountsTheirReturnAfresh) {
  CountdownRig rig;
  rig.RunWith(kMainsFailed, 5);
  ASSERT_TRUE(rig.Open(CountdownWindow::MainsFail));
  rig.RunWith(kHealthy, 2);
  rig.RunWith(kMainsFailed, 1);
  rig.RunWith(kHealthy, 4);
  EXPECT_TRUE(rig.Open(CountdownWindow::MainsFail));
  EXPECT_EQ(rig.parts.mainsFail.State().restoredTicks, 4);
  rig.RunWith(kHealthy, 1);
  EXPECT_FALSE(rig.Open(CountdownWindow::MainsFail));
}

// OK while the mains are out, then they return before the next reply: the
// hidden count must not go on to shut down a computer on healthy mains when
// the UPS later stops answering, and the next failure is a failure again.
TEST(MainsFailCountdown, AWindowHiddenByOkEndsWithTheMainsReturnAndTheNextFailureCounts) {
  CountdownRig rig("CutACTimeMessage=5\nShutAlarmTimeMessage=10\nBatteryTime=5\n");
  rig.RunWith(kMainsFailed, 6);
  ASSERT_TRUE(rig.Open(CountdownWindow::MainsFail));
  rig.parts.mainsFail.OnOk();
  rig.RunWith(kHealthy, 1);
  rig.Run(300000);  // the UPS answers no more
  EXPECT_EQ(rig.shutdown.calls, 0);
  EXPECT_FALSE(rig.timers.IsArmed(kTimerMainsFailCountdown));
  EXPECT_FALSE(rig.Open(CountdownWindow::MainsFail));
  EXPECT_EQ(rig.Count("  AC Restore!"), 1);
  rig.RunWith(kMainsFailed, 4);
  EXPECT_FALSE(rig.Open(CountdownWindow::MainsFail));
  rig.RunWith(kMainsFailed, 1);  // CutACTimeMessage, as for any first warning
  ASSERT_TRUE(rig.Open(CountdownWindow::MainsFail));
  EXPECT_EQ(rig.Count("  AC Fail!"), 2);
  EXPECT_EQ(rig.Daily(), std::vector<std::string>{"2026-12-08|0|2|0"});
}

TEST(BatteryLowCountdown, TwiceInARunCountsTwiceAndWritesTheEventOnce) {
  CountdownRig rig;
  rig.Reply(kBatteryLow);
  rig.Run(199);
  EXPECT_FALSE(rig.Open(CountdownWindow::BatteryLow));
  rig.Run(1);
  ASSERT_TRUE(rig.Open(CountdownWindow::BatteryLow));
  EXPECT_TRUE(rig.parts.history.Notes().batteryLowOpened);
  rig.RunWith(kBatteryLow, 3);
  EXPECT_EQ(rig.Count("  BatteryLow Low!"), 1);
  rig.RunWith(kHealthy, 1);
  EXPECT_FALSE(rig.Open(CountdownWindow::BatteryLow));
  rig.Reply(kBatteryLow);
  rig.Run(200);
  ASSERT_TRUE(rig.Open(CountdownWindow::BatteryLow));
  rig.RunWith(kBatteryLow, 3);
  EXPECT_EQ(rig.Daily(), std::vector<std::string>{"2026-12-08|2|0|0"});
  EXPECT_EQ(rig.Count("  BatteryLow Low!"), 1);
  EXPECT_EQ(rig.parts.batteryLow.State().remaining, 57);  // three ticks from the full time again
}

TEST(BatteryLowCountdown, OkDuringLowBatteryComesBackAtTheNextReplyWithTheCountGoingOn) {
  CountdownRig rig;
  rig.Reply(kBatteryLow);
  rig.RunWith(kBatteryLow, 5);
  rig.parts.batteryLow.OnOk();
  EXPECT_FALSE(rig.Open(CountdownWindow::BatteryLow));
  rig.RunWith(kBatteryLow, 1);
  EXPECT_TRUE(rig.Open(CountdownWindow::BatteryLow));
  EXPECT_EQ(rig.Daily(), std::vector<std::string>{"2026-12-08|1|0|0"});  // not counted again
}

// OK while low, then the battery recovers before the window comes back:
// the hidden count stops instead of shutting a healthy computer down.
TEST(BatteryLowCountdown, AWindowHiddenByOkStopsWhenTheBatteryRecovers) {
  CountdownRig rig;
  rig.RunWith(kBatteryLow, 5);
  ASSERT_TRUE(rig.Open(CountdownWindow::BatteryLow));
  rig.parts.batteryLow.OnOk();
  rig.RunWith(kHealthy, 1);
  EXPECT_FALSE(rig.timers.IsArmed(kTimerBatteryLowCountdown));
  rig.Run(120000);
  EXPECT_EQ(rig.shutdown.calls, 0);
  EXPECT_FALSE(rig.Open(CountdownWindow::BatteryLow));
  rig.RunWith(kBatteryLow, 1);  // low again: warned and counted afresh
  EXPECT_TRUE(rig.Open(CountdownWindow::BatteryLow));
  EXPECT_EQ(rig.Daily(), std::vector<std::string>{"2026-12-08|2|0|0"});
}

TEST(Countdowns, TwoAtOnceEachEndInItsOwnShutdownAndTheMainsWindowEndsTheBatteryCount) {
  CountdownRig rig("CutACTimeMessage=1\nBatteryTime=2\nBatteryEndTime=1\n");
  rig.RunWith(kBothFailed, 2);
  EXPECT_TRUE(rig.Open(CountdownWindow::MainsFail));
  EXPECT_TRUE(rig.Open(CountdownWindow::BatteryLow));
  rig.RunWith(kBothFailed, 60);
  EXPECT_EQ(rig.shutdown.calls, 1);  // the battery's minute first
  EXPECT_FALSE(rig.Open(CountdownWindow::BatteryLow));
  EXPECT_TRUE(rig.Open(CountdownWindow::MainsFail));
  rig.RunWith(kBothFailed, 60);
  EXPECT_EQ(rig.shutdown.calls, 2);

  CountdownRig back("CutACTimeMessage=1\nBatteryTime=2\nBatteryEndTime=1\n");
  back.RunWith(kBothFailed, 3);
  back.RunWith(kBatteryLow, 1);  // the mains return, the battery still low
  EXPECT_FALSE(back.Open(CountdownWindow::BatteryLow));
  EXPECT_FALSE(back.timers.IsArmed(kTimerBatteryLowCountdown));
  back.RunWith(kHealthy, 6);
  back.RunWith(kBatteryLow, 1);  // low again later: warned again
  EXPECT_TRUE(back.Open(CountdownWindow::BatteryLow));
}

TEST(ManualCountdown, TenTicksThenTheClosedApplicationRowAndTheShutdown) {
  CountdownRig rig;
  rig.parts.manual.Start();
  EXPECT_TRUE(rig.menus.enabled[IDC_CANCEL_SHUTDOWN]);
  EXPECT_FALSE(rig.menus.enabled[IDC_SHUTDOWN_SYSTEM]);
  rig.parts.manual.Start();  // already open: nothing
  EXPECT_EQ(rig.views.opened[CountdownWindow::Manual], 1);
  rig.Run(9000);
  EXPECT_EQ(rig.shutdown.calls, 0);
  EXPECT_EQ(rig.parts.manual.Picture().seconds, 1);
  rig.parts.manual.OnOk();  // hidden, still counting
  rig.Run(1000);
  EXPECT_EQ(rig.shutdown.calls, 1);
  std::vector<std::string> apps;
  rig.store.ReadAll(RecordTable::ClosedApps, {"Application"}, [&apps](const auto& r) { apps.push_back(r[0]); });
  EXPECT_EQ(apps, std::vector<std::string>{"Voltaris"});
}

TEST(ManualCountdown, CancelAlwaysResetsTheCountToTen) {
  CountdownRig rig;
  rig.parts.manual.Start();
  rig.Run(4000);
  rig.parts.manual.Cancel();
  EXPECT_FALSE(rig.Open(CountdownWindow::Manual));
  EXPECT_FALSE(rig.timers.IsArmed(kTimerManualShutdown));
  EXPECT_EQ(rig.parts.manual.State().remaining, 10);
  EXPECT_FALSE(rig.menus.enabled[IDC_CANCEL_SHUTDOWN]);
  EXPECT_TRUE(rig.menus.enabled[IDC_SHUTDOWN_SYSTEM]);
  rig.Run(20000);
  EXPECT_EQ(rig.shutdown.calls, 0);
}

// Windows refused the shutdown (an account without the right to shut down)
// or never carried it out: recorded once as such, not as a new start, and
// the same count-down can run to its end again.
TEST(Countdowns, AfterARefusedShutdownEachCountdownCanRunAgain) {
  struct Case {
    const char* name;
    std::string reply;  // what the UPS answers throughout
    void (*start)(CountdownRig&);
  };
  const Case cases[] = {
      {"mains failure", kMainsFailed, [](CountdownRig&) {}},
      {"battery low", kBatteryLow, [](CountdownRig&) {}},
      {"manual", kHealthy, [](CountdownRig& rig) { rig.parts.manual.Start(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CountdownRig rig("CutACTimeMessage=1\nBatteryTime=1\nBatteryEndTime=1\n");
    for (int refusals = 0; refusals < 2; ++refusals) {
      c.start(rig);
      for (int second = 0; second < 100 && rig.shutdown.calls == refusals; ++second) rig.RunWith(c.reply, 1);
      ASSERT_EQ(rig.shutdown.calls, refusals + 1);
      rig.parts.policy.ResumeAfterRefusedShutdown();
    }
    EXPECT_TRUE(rig.menus.enabled[IDC_SHUTDOWN_SYSTEM] || c.reply != kHealthy);
    EXPECT_EQ(rig.Count("  AC Fail!"), c.reply == kMainsFailed ? 1 : 0);  // one failure, recorded once
    EXPECT_EQ(rig.Count("  System Shutdown Refused!"), 2);
    EXPECT_EQ(rig.Count("  Program Start"), 0);
  }
}

// Windows accepted the shutdown and never carried it out: no reply came
// meanwhile, and the mains came back. Their return is recorded and told,
// and the next failure is a new one.
TEST(Countdowns, MainsBackWhileTheShutdownHungAreRecordedAndTheNextFailureCounts) {
  CountdownRig rig("CutACTimeMessage=1\nBatteryTime=1\n");
  std::vector<PowerEventKind> heard;
  rig.parts.events.Listen([&heard](const PowerEvent& e) { heard.push_back(e.kind); });
  rig.RunWith(kMainsFailed, 61);
  ASSERT_EQ(rig.shutdown.calls, 1);
  rig.parts.policy.ResumeAfterRefusedShutdown();
  rig.RunWith(kHealthy, 6);
  EXPECT_EQ(rig.Count("  AC Restore!"), 1);
  EXPECT_EQ(std::count(heard.begin(), heard.end(), PowerEventKind::MainsBack), 1);
  EXPECT_FALSE(rig.timers.IsArmed(kTimerMainsFailCountdown));
  rig.RunWith(kMainsFailed, 2);
  EXPECT_EQ(rig.Count("  AC Fail!"), 2);
  EXPECT_EQ(std::count(heard.begin(), heard.end(), PowerEventKind::MainsFailed), 2);
}

// A manual shutdown refused during a mains failure: the mains' count goes
// on where it was instead of starting its full battery time again.
TEST(Countdowns, ARefusedManualShutdownLeavesARunningMainsCountAlone) {
  CountdownRig rig("CutACTimeMessage=1\nBatteryTime=1\n");
  rig.RunWith(kMainsFailed, 20);
  const int left = rig.parts.mainsFail.Picture().seconds;
  rig.parts.manual.Start();
  rig.RunWith(kMainsFailed, 10);
  ASSERT_EQ(rig.shutdown.calls, 1);
  rig.parts.policy.ResumeAfterRefusedShutdown();
  rig.RunWith(kMainsFailed, 1);
  EXPECT_EQ(rig.parts.mainsFail.Picture().seconds, left - 11);
  EXPECT_EQ(rig.Count("  AC Fail!"), 1);
}


namespace {

// A rig on battery at 12 % load whose model has learnt one discharge of
// half an hour at that load (unless `learnt` is false: the first guess).
struct RuntimeRig : CountdownRig {
  RuntimeRig(const std::string& runtime, bool learnt) : CountdownRig("CutACTimeMessage=1\nBatteryTime=5\n") {
    Settings("[AlarmMessage]\nCutACTimeMessage=1\nBatteryTime=5\n[Runtime]\n" + runtime);
    Reply("#220.0 005 12.00 50.0\r");
    if (learnt) {
      records.AppendBatteryRow({"2026-12-1", "9:0:0", "1", "12", "12.9", "", ""});
      records.AppendBatteryRow({"2026-12-1", "9:30:0", "1800", "12", "10.5", "", "Battery Low"});
    }
    parts.battery.Start(store);
  }
};

// The estimate a learnt rig gives after `seconds` on battery with `reply`.
int LearntSecondsAfter(int seconds, const std::string& reply = kMainsFailed) {
  RuntimeRig rig("ShutdownOnRuntime=0\n", true);
  rig.RunWith(reply, seconds);
  return rig.parts.battery.Runtime().secondsAtMeanLoad;
}

std::string Margin(int minutes) {
  return "ShutdownOnRuntime=1\nRuntimeMarginMinutes=" + std::to_string(minutes) + "\n";
}

}  // namespace

// A margin just under the learnt estimate is not reached and one just over
// it is, once it has held three ticks; without the setting the count runs
// on whatever the margin; the first guess never ends the count.
TEST(MainsFailCountdown, TheRuntimeBelowItsMarginEndsTheCountOnlyWhenAskedFor) {
  const int estimate = LearntSecondsAfter(10);
  ASSERT_GT(estimate, 120);
  const struct {
    std::string runtime;
    bool learnt, endsEarly;
  } cases[] = {
      {Margin(estimate / 60), true, false},
      {Margin(estimate / 60 + 1), true, true},
      {"ShutdownOnRuntime=0\nRuntimeMarginMinutes=60\n", true, false},
      {"RuntimeMarginMinutes=60\n", true, false},
      {Margin(60), false, false},  // the first guess knows nothing of this battery
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.runtime + (c.learnt ? "learnt" : "first guess"));
    RuntimeRig rig(c.runtime, c.learnt);
    rig.RunWith(kMainsFailed, 10);
    EXPECT_EQ(rig.parts.battery.Runtime().learnt, c.learnt);
    EXPECT_EQ(rig.shutdown.calls, c.endsEarly ? 1 : 0);
    EXPECT_EQ(rig.Count("  Runtime Low!"), c.endsEarly ? 1 : 0);
    EXPECT_EQ(rig.Open(CountdownWindow::MainsFail), !c.endsEarly);
    rig.RunWith(kMainsFailed, 5);
    EXPECT_EQ(rig.shutdown.calls, c.endsEarly ? 1 : 0);  // asked for once
    if (!c.endsEarly) continue;
    // Refused: the estimate does not ask again every tick; the full count does, at its end.
    rig.parts.policy.ResumeAfterRefusedShutdown();
    rig.RunWith(kMainsFailed, 20);
    EXPECT_EQ(rig.shutdown.calls, 1);
    EXPECT_EQ(rig.Count("  Runtime Low!"), 1);
    EXPECT_EQ(rig.parts.mainsFail.SecondsLeft() > 0, true);
    // The mains come back, then fail again still under the margin: a new
    // failure, ended on the estimate again.
    rig.RunWith(kHealthy, 10);
    rig.RunWith(kMainsFailed, 3);
    EXPECT_EQ(rig.shutdown.calls, 1);  // its own three ticks under the margin, not one
    rig.RunWith(kMainsFailed, 7);
    EXPECT_EQ(rig.shutdown.calls, 2);
    EXPECT_EQ(rig.Count("  Runtime Low!"), 2);
  }
}

// A printer warming up on battery (40 % to 90 % for 5 s) takes the
// estimate at that second's load under the margin; the load of the last half
// minute, which the shutdown acts on, barely moves. A load that stays high
// ends the count.
TEST(MainsFailCountdown, ALoadSpikeDoesNotEndTheCountOnTheEstimate) {
  const std::string steady = "(000.0 220.0 220.0 040 50.0 12.6 25.0 10001000\r";
  const std::string spike = "(000.0 220.0 220.0 090 50.0 12.6 25.0 10001000\r";
  const int marginMinutes = LearntSecondsAfter(35, steady) * 3 / 4 / 60;
  RuntimeRig rig(Margin(marginMinutes), true);
  rig.RunWith(steady, 35);
  rig.RunWith(spike, 5);
  ASSERT_LT(rig.parts.battery.Runtime().seconds, marginMinutes * 60);  // the spike's own second is under
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.RunWith(steady, 10);
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.RunWith(spike, 40);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_EQ(rig.Count("  Runtime Low!"), 1);
}

// A server's own runtime under the margin for two seconds is a glitch;
// for three ticks of the count running, the count ends on it.
TEST(MainsFailCountdown, TheEstimateMustStayUnderTheMarginThreeTicksRunning) {
  RuntimeRig rig(Margin(2), false);
  rig.engine.StartLink({LinkSettings::kNetworkUps, 2400, 0, 4, 0});
  auto seconds = [&rig](double runtime, int count) {
    ServedReadings served;
    served.status = "OB";
    served.flags.onBattery = true;
    served.load = 40;
    served.runtimeSeconds = runtime;
    for (int second = 0; second < count; ++second) {
      rig.engine.OnServedReadings(served);
      rig.Run(1000);
    }
  };
  seconds(600, 5);
  ASSERT_TRUE(rig.Open(CountdownWindow::MainsFail));
  seconds(100, MainsFailCountdown::kRuntimeTicksToEnd - 1);
  seconds(600, 1);
  seconds(100, MainsFailCountdown::kRuntimeTicksToEnd - 1);
  EXPECT_EQ(rig.shutdown.calls, 0);
  seconds(100, 2);  // the count may tick before the estimate does: a second's lag
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_EQ(rig.Count("  Runtime Low!"), 1);
}

// Following a served UPS, the estimate takes each reading and each loss as
// it comes, without the second's tick, which is slowed; back on a cable, the
// tick is each second again.
TEST(MainsFailCountdown, AServedEstimateFollowsTheNewsNotTheSecondsTick) {
  RuntimeRig rig("ShutdownOnRuntime=0\n", false);
  const auto period = [&rig] { return rig.timers.armed.at(kTimerBatteryWatch).periodMs; };
  ASSERT_EQ(period(), BatteryWatch::kTickMs);
  rig.engine.StartLink({LinkSettings::kNetworkUps, 2400, 0, 4, 0});
  EXPECT_EQ(period(), BatteryWatch::kServedTickMs);
  ServedReadings served;
  served.status = "OB";
  served.flags.onBattery = true;
  served.load = 40;
  for (double runtime : {600.0, 300.0}) {
    served.runtimeSeconds = runtime;
    rig.engine.OnServedReadings(served);
    EXPECT_EQ(rig.parts.battery.Runtime().seconds, static_cast<int>(runtime));
  }
  rig.engine.OnServerAnswering(false);
  EXPECT_FALSE(rig.parts.battery.Runtime().known);
  rig.engine.StartLink({0, 2400, 0, 4, 0});
  EXPECT_EQ(period(), BatteryWatch::kTickMs);
}

// A battery still low when the mains return is charging: its count stops.
// It is warned of again once it reads normal and goes low, or at once when
// the mains fail again before it has recovered.
TEST(BatteryLowCountdown, ABatteryStillLowAtTheMainsReturnIsWarnedOfAgainWhenTheMainsFailOnceMore) {
  CountdownRig rig("CutACTimeMessage=1\nBatteryTime=5\nBatteryEndTime=2\n");
  rig.RunWith(kMainsFailed, 2);
  rig.RunWith(kBothFailed, 2);
  ASSERT_TRUE(rig.parts.batteryLow.Counting());
  rig.RunWith(kBatteryLow, 6);  // the mains are back; the battery charges
  EXPECT_FALSE(rig.parts.batteryLow.Counting());
  EXPECT_FALSE(rig.Open(CountdownWindow::BatteryLow));
  rig.RunWith(kBatteryLow, 30);  // still low on mains: no window, no count
  EXPECT_FALSE(rig.parts.batteryLow.Counting());
  rig.RunWith(kBothFailed, 1);  // the mains fail again before it recovered
  EXPECT_TRUE(rig.parts.batteryLow.Counting());
  EXPECT_TRUE(rig.Open(CountdownWindow::BatteryLow));

  CountdownRig recovered("CutACTimeMessage=1\nBatteryTime=5\nBatteryEndTime=2\n");
  recovered.RunWith(kMainsFailed, 2);
  recovered.RunWith(kBothFailed, 2);
  recovered.RunWith(kBatteryLow, 6);
  recovered.RunWith(kHealthy, 2);  // charged
  recovered.RunWith(kBatteryLow, 1);
  EXPECT_TRUE(recovered.parts.batteryLow.Counting());
}
