// The three shutdown count-downs through whole scenarios, on virtual time.
#include <gtest/gtest.h>

#include <algorithm>

#include "power/timer_ids.h"
#include "res/command_ids.h"
#include "tests/unit/engine_fakes.h"

using namespace voltaris;
using namespace voltaris::testing;

namespace {

const std::string kHealthy = "(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000\r";
const std::string kMainsFailed = "(000.0 220.0 220.0 012 50.0 12.6 25.0 10001000\r";
const std::string kBatteryLow = "(220.0 220.0 220.0 012 50.0 10.6 25.0 01001000\r";
const std::string kBothFailed = "(000.0 220.0 220.0 012 50.0 10.6 25.0 11001000\r";

struct CountdownRig : EngineRig {
  explicit CountdownRig(const std::string& alarm = "CutACTimeMessage=5\nShutAlarmTimeMessage=10\nBatteryTime=5\n"
                                                   "BatteryEndTime=1\nAcInterruptlMessage=Attention!! AC  Failed\n"
                                                   "AcNormalMessage=AC Fail Recovered\n") {
    Settings("[AlarmMessage]\n" + alarm);
    engine.StartLink({0, 2400, 0, 4, 0});
    Run(1000);
    engine.OnSerialOpen(true);
  }
  void Reply(const std::string& reply) { engine.OnSerialRead(true, reply); }
  // Seconds of virtual time with the UPS answering `reply` before each tick.
  void RunWith(const std::string& reply, int seconds) {
    for (int i = 0; i < seconds; ++i) {
      Reply(reply);
      Run(1000);
    }
  }
  bool Open(CountdownWindow w) const { return views.IsOpen(w); }
  std::vector<std::string> Daily() {
    std::vector<std::string> rows;
    store.ReadAll(RecordTable::Daily, InfoOf(RecordTable::Daily).columns, [&rows](const auto& r) {
      rows.push_back(r[0] + "|" + r[1] + "|" + r[2] + "|" + r[3]);
    });
    return rows;
  }
};

}  // namespace

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

// ---- What the tray and the event commands are told ----------------------------

namespace {

const std::string kNotifyAlarm = "CutACTimeMessage=5\nShutAlarmTimeMessage=10\nBatteryTime=5\nBatteryEndTime=1\n"
                                 "AcInterruptlMessage=Attention!! AC  Failed\n";

std::string Env(const CommandRequest& request, const std::string& name) {
  for (const auto& [n, value] : request.environment) {
    if (n == name) return value;
  }
  return "<unset>";
}

struct NotifyRig : CountdownRig {
  explicit NotifyRig(const std::string& notify) : CountdownRig(kNotifyAlarm + "[Notify]\n" + notify) {
    parts.events.Listen([this](const PowerEvent& e) { heard.push_back(e); });
  }
  std::vector<PowerEvent> heard;
  int Heard(PowerEventKind kind) const {
    int n = 0;
    for (const auto& e : heard) n += e.kind == kind;
    return n;
  }
};

}  // namespace

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

TEST(EventCommands, ArgumentsComeBackUnchangedThroughTheRuntimesParser) {
  const std::vector<std::pair<std::string, std::string>> quoted = {
      {"", "\"\""},
      {"  AC Fail!", "\"  AC Fail!\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"C:\\dir\\", "\"C:\\dir\\\\\""},
      {"a\\\"b", "\"a\\\\\\\"b\""},
      {"a\\b", "\"a\\b\""},
  };
  for (const auto& [plain, text] : quoted) EXPECT_EQ(QuoteArgument(plain), text) << plain;
}

// The service finds a program named without a folder in Windows' own
// folders only: telling the name and the rest apart must hold for quoted
// paths with blanks, and a name with any folder in it is not bare.
TEST(EventCommands, TheProgramOfACommandAndWhetherItNamesAFolder) {
  const struct {
    const char* line;
    const char* program;
    const char* arguments;
    bool bare;
  } cases[] = {
      {"notify.cmd \"  AC Fail!\"", "notify.cmd", " \"  AC Fail!\"", true},
      {"\"C:\\Program Files\\Hooks\\on batt.cmd\" 1 2", "C:\\Program Files\\Hooks\\on batt.cmd", " 1 2", false},
      {"  shutdown.exe /s", "shutdown.exe", " /s", true},
      {"C:\\hooks\\fsd.cmd", "C:\\hooks\\fsd.cmd", "", false},
      {".\\notify.cmd", ".\\notify.cmd", "", false},
      {"C:notify.cmd", "C:notify.cmd", "", false},
      {"hooks/notify.cmd", "hooks/notify.cmd", "", false},
      {"\"unclosed name", "unclosed name", "", true},
      {"notify.cmd\tONBATT", "notify.cmd", "\tONBATT", true},
  };
  for (const auto& c : cases) {
    const CommandProgram split = SplitCommand(c.line);
    EXPECT_EQ(split.program, c.program) << c.line;
    EXPECT_EQ(split.arguments, c.arguments) << c.line;
    EXPECT_EQ(IsBareProgramName(split.program), c.bare) << c.line;
  }
}

TEST(EventCommands, ACommandThatCannotStartIsRecordedOnceAndNeverDelaysTheCount) {
  NotifyRig rig("Command=C:\\missing\\notify.exe\n");
  rig.RunWith(kMainsFailed, 5);
  rig.RunWith(kHealthy, 6);
  rig.RunWith(kMainsFailed, 5);
  EXPECT_EQ(rig.Count("  Event Command Not Started: MainsFailed"), 1);
  EXPECT_EQ(rig.Count("  Event Command Not Started: MainsBack"), 0);  // the same command: once
  rig.RunWith(kMainsFailed, 299);
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.RunWith(kMainsFailed, 1);
  EXPECT_EQ(rig.shutdown.calls, 1);
}

// The settings file holds 254 characters for other readers: a longer
// command, cut there, could do something else than was written.
TEST(EventCommands, ACommandLongerThanTheFileHoldsIsRefusedAndRecordedOnceNeverCut) {
  const std::string fits = "notify.exe " + std::string(EventCommands::kLongestCommand - 11, 'a');
  NotifyRig whole("Command=" + fits + "\n");
  whole.RunWith(kMainsFailed, 5);
  ASSERT_EQ(whole.commands.started.size(), 1u);
  EXPECT_EQ(whole.commands.started[0].commandLine.rfind(fits + " ", 0), 0u);
  NotifyRig rig("Command=" + fits + "a\n");
  rig.RunWith(kMainsFailed, 5);
  rig.RunWith(kHealthy, 2);
  EXPECT_TRUE(rig.commands.started.empty());
  EXPECT_EQ(rig.Count("  Event Command Too Long, Not Run: MainsFailed"), 1);
  EXPECT_EQ(rig.Count("  Event Command Too Long, Not Run: MainsBack"), 0);  // the same command: once
}

// A link that drops and comes back every few seconds: three of one event
// run at once at most; the rest are recorded once, not started.
TEST(EventCommands, AtMostThreeOfOneEventRunAtOnce) {
  NotifyRig rig("Command=notify.exe\nCommandTimeLimit=60\n");
  for (int failure = 0; failure < 5; ++failure) {
    rig.RunWith(kMainsFailed, 5);
    rig.RunWith(kHealthy, 5);
  }
  int mainsFailed = 0;
  for (const auto& c : rig.commands.started) mainsFailed += Env(c, "VOLTARIS_EVENT") == "MainsFailed";
  EXPECT_EQ(mainsFailed, EventCommands::kMostRunningOfOneEvent);
  EXPECT_EQ(rig.Count("  Event Command Not Started, Too Many Running: MainsFailed"), 1);
  for (auto& [token, state] : rig.commands.states) state = CommandState::Ended;
  rig.RunWith(kHealthy, 2);
  rig.RunWith(kMainsFailed, 5);
  mainsFailed = 0;
  for (const auto& c : rig.commands.started) mainsFailed += Env(c, "VOLTARIS_EVENT") == "MainsFailed";
  EXPECT_EQ(mainsFailed, EventCommands::kMostRunningOfOneEvent + 1);
}

TEST(EventCommands, OneStillRunningAtTheLimitIsRecordedOnceAndLeftAlone) {
  NotifyRig rig("Command=notify.exe\nCommandTimeLimit=5\n");
  rig.RunWith(kMainsFailed, 5);
  ASSERT_EQ(rig.commands.started.size(), 1u);
  rig.Run(4000);
  EXPECT_EQ(rig.Count("  Event Command Over Time: MainsFailed"), 0);
  EXPECT_EQ(rig.parts.commands.Running().size(), 1u);
  rig.Run(1000);
  EXPECT_EQ(rig.Count("  Event Command Over Time: MainsFailed"), 1);
  EXPECT_TRUE(rig.parts.commands.Running().empty());
  EXPECT_FALSE(rig.timers.IsArmed(kTimerCommandWatch));
  rig.RunWith(kHealthy, 1);
  ASSERT_EQ(rig.commands.started.size(), 2u);
  rig.commands.states[2] = CommandState::Ended;  // this one ends in time
  rig.Run(5000);
  EXPECT_EQ(rig.Count("  Event Command Over Time: MainsBack"), 0);
  EXPECT_TRUE(rig.parts.commands.Running().empty());
}

// ---- The power-failure drill -------------------------------------------------

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

// ---- The power event's phase ----------------------------------------------------

// Every input from every phase, with no count running and no warning on its
// way; where the counts matter (settling), the second table.
TEST(PowerStateTable, EveryInputFromEveryPhase) {
  using P = PowerPhase;
  const PowerInput inputs[] = {PowerInput::MainsFail,  PowerInput::MainsReturn,   PowerInput::MainsWarningShown,
                               PowerInput::BatteryCountStarted, PowerInput::CountEnded, PowerInput::ShutdownBegun,
                               PowerInput::ShutdownRefused, PowerInput::Resumed};
  const struct {
    P from;
    P to[8];  // in the order of `inputs`
  } table[] = {
      {P::OnMains, {P::MainsFailed, P::OnMains, P::OnBattery, P::BatteryLow, P::OnMains, P::ShuttingDown, P::OnMains,
                    P::OnMains}},
      {P::MainsFailed, {P::MainsFailed, P::OnMains, P::OnBattery, P::BatteryLow, P::OnMains, P::ShuttingDown,
                        P::MainsFailed, P::MainsFailed}},
      {P::OnBattery, {P::OnBattery, P::OnMains, P::OnBattery, P::BatteryLow, P::OnMains, P::ShuttingDown, P::OnBattery,
                      P::OnBattery}},
      {P::BatteryLow, {P::BatteryLow, P::OnMains, P::BatteryLow, P::BatteryLow, P::OnMains, P::ShuttingDown,
                       P::BatteryLow, P::BatteryLow}},
      {P::ShuttingDown, {P::ShuttingDown, P::MainsBack, P::ShuttingDown, P::ShuttingDown, P::ShuttingDown,
                         P::ShuttingDown, P::ShutdownRefused, P::ShuttingDown}},
      {P::ShutdownRefused, {P::ShutdownRefused, P::ShutdownRefused, P::ShutdownRefused, P::ShutdownRefused,
                            P::ShutdownRefused, P::ShutdownRefused, P::ShutdownRefused, P::OnMains}},
      {P::MainsBack, {P::ShuttingDown, P::MainsBack, P::MainsBack, P::MainsBack, P::MainsBack, P::MainsBack,
                      P::ShutdownRefused, P::MainsBack}},
  };
  for (const auto& row : table) {
    for (size_t i = 0; i < 8; ++i) {
      EXPECT_EQ(PhaseName(NextPhase(row.from, inputs[i], {})), std::string(PhaseName(row.to[i])))
          << PhaseName(row.from) << ", input " << i;
    }
  }
}

// Where an event settles: the battery's count first, then the mains' count,
// then a warning on its way.
TEST(PowerStateTable, SettlingFollowsTheCounts) {
  using P = PowerPhase;
  const struct {
    CountFacts facts;
    P settled;
  } table[] = {
      {{false, false, false}, P::OnMains},
      {{true, false, false}, P::MainsFailed},
      {{true, true, false}, P::OnBattery},
      {{false, true, false}, P::OnBattery},
      {{true, true, true}, P::BatteryLow},
      {{false, false, true}, P::BatteryLow},
  };
  for (const auto& row : table) {
    EXPECT_EQ(NextPhase(P::OnBattery, PowerInput::CountEnded, row.facts), row.settled);
    EXPECT_EQ(NextPhase(P::MainsFailed, PowerInput::MainsReturn, row.facts), row.settled);
    EXPECT_EQ(NextPhase(P::ShutdownRefused, PowerInput::Resumed, row.facts), row.settled);
    EXPECT_EQ(NextPhase(P::ShuttingDown, PowerInput::CountEnded, row.facts), P::ShuttingDown);  // nothing takes it back
  }
}

// The transitions through the real parts: what each records and which
// timers it arms (every arm through its owner's view, which the rig checks).
TEST(PowerStateTable, EachTransitionRecordsAndArmsWhatItShould) {
  using P = PowerPhase;
  struct Case {
    const char* name;
    void (*reach)(CountdownRig&);  // into the phase the transition leaves
    void (*act)(CountdownRig&);
    P to;
    std::vector<std::string> rows;     // recorded by the transition
    std::vector<unsigned> armed;       // armed by it, in order
  };
  const auto onBattery = [](CountdownRig& rig) { rig.RunWith(kMainsFailed, 2); };
  const auto batteryLow = [](CountdownRig& rig) {
    rig.RunWith(kMainsFailed, 2);
    rig.RunWith(kBothFailed, 2);
  };
  const Case cases[] = {
      {"mains fail", [](CountdownRig&) {}, [](CountdownRig& rig) { rig.Reply(kMainsFailed); }, P::MainsFailed, {},
       {kTimerMainsFailDelay}},
      {"the warning", [](CountdownRig& rig) { rig.Reply(kMainsFailed); }, [](CountdownRig& rig) { rig.Run(1000); },
       P::OnBattery, {"  AC Fail!"}, {kTimerMainsFailCountdown}},
      {"mains back before the warning", [](CountdownRig& rig) { rig.Reply(kMainsFailed); },
       [](CountdownRig& rig) { rig.Reply(kHealthy); }, P::MainsFailed, {}, {}},
      {"battery low on battery", onBattery, [](CountdownRig& rig) { rig.RunWith(kBothFailed, 1); }, P::BatteryLow,
       {}, {kTimerBatteryLowOpen, kTimerBatteryLowCountdown}},
      {"mains back", onBattery, [](CountdownRig& rig) { rig.RunWith(kHealthy, 5); }, P::OnMains, {"  AC Restore!"},
       {}},
      {"mains back on a low battery", batteryLow, [](CountdownRig& rig) { rig.RunWith(kBatteryLow, 5); }, P::OnMains,
       {"  AC Restore!"}, {}},
      {"the battery recovers", batteryLow, [](CountdownRig& rig) { rig.RunWith(kMainsFailed, 1); }, P::OnBattery, {},
       {}},
      {"the count's end", onBattery, [](CountdownRig& rig) { rig.RunWith(kMainsFailed, 60); }, P::ShuttingDown,
       {}, {}},
      {"refused", [](CountdownRig& rig) { rig.RunWith(kMainsFailed, 61); },
       [](CountdownRig& rig) { rig.parts.policy.ResumeAfterRefusedShutdown(); }, P::OnBattery,
       {"  System Shutdown Refused!"}, {kTimerMainsFailCountdown}},
      {"the manual count's end", [](CountdownRig& rig) { rig.parts.manual.Start(); },
       [](CountdownRig& rig) { rig.RunWith(kHealthy, 10); }, P::ShuttingDown, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CountdownRig rig("CutACTimeMessage=1\nBatteryTime=1\nBatteryEndTime=2\n");
    rig.Reply(kHealthy);  // the UPS found first
    c.reach(rig);
    const size_t rowsBefore = rig.Events().size(), armsBefore = rig.timers.history.size();
    c.act(rig);
    EXPECT_STREQ(PhaseName(rig.parts.power.Phase()), PhaseName(c.to));
    const std::vector<std::string> events = rig.Events();
    EXPECT_EQ(std::vector<std::string>(events.begin() + static_cast<long>(rowsBefore), events.end()), c.rows);
    std::vector<unsigned> armed;
    for (size_t i = armsBefore; i < rig.timers.history.size(); ++i) {
      const unsigned id = rig.timers.history[i].first;
      const bool paced = id == kTimerStatusQuery || id == kTimerRatingQuery || id == kTimerBatteryWatch;
      if (!paced && std::find(armed.begin(), armed.end(), id) == armed.end()) armed.push_back(id);
    }
    EXPECT_EQ(armed, c.armed);
  }
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
