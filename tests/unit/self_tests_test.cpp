// The UPS self-tests on virtual time: when the commands go, the windows, the
// events, the notes and the menu.
#include <gtest/gtest.h>

#include <algorithm>

#include "power/timer_ids.h"
#include "res/command_ids.h"
#include "tests/unit/engine_fakes.h"

using namespace voltaris;
using namespace voltaris::testing;

namespace {

struct SelfTestRig : EngineRig {
  SelfTests& tests = parts.selfTests;
  bool Open(CountdownWindow w) const { return views.IsOpen(w); }
  bool Enabled(unsigned command) { return menus.enabled[command]; }
};

}  // namespace

TEST(SelfTests, TenSecondTestSendsTAfterASecondAndClosesAfterTenTicks) {
  SelfTestRig rig;
  rig.tests.StartTenSecond();
  ASSERT_TRUE(rig.Open(CountdownWindow::TenSecondTest));
  EXPECT_EQ(rig.Events(), std::vector<std::string>{"  UPS SelfTest 10 Seconds!"});
  EXPECT_TRUE(rig.Enabled(IDC_CANCEL_SELFTEST));
  EXPECT_FALSE(rig.Enabled(IDC_SELFTEST_10_SECONDS));
  EXPECT_FALSE(rig.Enabled(IDC_SELFTEST_TILL_LOW));
  rig.tests.StartTenSecond();  // refused while its window is open
  EXPECT_EQ(rig.views.opened[CountdownWindow::TenSecondTest], 1);
  rig.Run(999);
  EXPECT_EQ(rig.monitor.Count("T\r"), 0);
  rig.Run(1);
  EXPECT_EQ(rig.monitor.Count("T\r"), 1);
  EXPECT_TRUE(rig.parts.history.Notes().tenSecondTestStarted);
  EXPECT_EQ(rig.tests.Picture(CountdownWindow::TenSecondTest).seconds, 9);
  EXPECT_EQ(CountLine(rig.tests.Picture(CountdownWindow::TenSecondTest)), "Leaving Time: 9 Seconds");
  rig.Run(8000);
  EXPECT_TRUE(rig.Open(CountdownWindow::TenSecondTest));
  rig.Run(1000);
  EXPECT_FALSE(rig.Open(CountdownWindow::TenSecondTest));
  EXPECT_EQ(rig.tests.State().tenSecondRemaining, 10);
  EXPECT_FALSE(rig.Enabled(IDC_CANCEL_SELFTEST));
  EXPECT_TRUE(rig.Enabled(IDC_SELFTEST_10_SECONDS));
  EXPECT_EQ(rig.monitor.Count("T\r"), 1);
}

// From the top bar the test runs the same, and the menu is left as it was:
// "Cancel Selftest" stays grey while the bar's own cancel works.
TEST(SelfTests, TheBarsTenSecondTestLeavesTheMenuAlone) {
  SelfTestRig rig;
  rig.tests.StartTenSecondFromBar();
  ASSERT_TRUE(rig.Open(CountdownWindow::TenSecondTest));
  EXPECT_TRUE(rig.tests.State().running);
  EXPECT_TRUE(rig.menus.enabled.empty());
  rig.tests.StartTenSecondFromBar();
  EXPECT_EQ(rig.views.opened[CountdownWindow::TenSecondTest], 1);
  rig.Run(1000);
  EXPECT_EQ(rig.monitor.Count("T\r"), 1);
  rig.tests.Cancel();
  EXPECT_FALSE(rig.Open(CountdownWindow::TenSecondTest));
  EXPECT_FALSE(rig.tests.State().running);
  rig.Run(200);
  EXPECT_EQ(rig.monitor.Count("CT\r"), 1);
}

TEST(SelfTests, UntilLowSendsTlAfterHalfASecondAndStaysUntilCancelled) {
  SelfTestRig rig;
  rig.tests.StartUntilLow();
  rig.Run(499);
  EXPECT_EQ(rig.monitor.Count("TL\r"), 0);
  EXPECT_FALSE(rig.Open(CountdownWindow::UntilLowTest));
  rig.Run(1);
  EXPECT_EQ(rig.monitor.Count("TL\r"), 1);
  ASSERT_TRUE(rig.Open(CountdownWindow::UntilLowTest));
  EXPECT_EQ(rig.Events(), std::vector<std::string>{"  Test Still Battery Low!"});
  EXPECT_TRUE(rig.parts.history.Notes().tillLowTestStarted);
  rig.tests.StartUntilLow();
  rig.Run(600);
  EXPECT_EQ(rig.monitor.Count("TL\r"), 1);  // refused while its window is open
  rig.Run(60000);
  EXPECT_TRUE(rig.Open(CountdownWindow::UntilLowTest));
  EXPECT_GE(rig.views.Blinks(CountdownWindow::UntilLowTest, Triangle::Red), 60);
  rig.tests.Cancel();
  EXPECT_FALSE(rig.Open(CountdownWindow::UntilLowTest));
  EXPECT_FALSE(rig.Enabled(IDC_CANCEL_SELFTEST));
}

TEST(SelfTests, CancelSendsCtTwoHundredMillisecondsLaterEvenWithNoTestRunning) {
  SelfTestRig rig;
  rig.tests.Cancel();
  rig.Run(199);
  EXPECT_EQ(rig.monitor.Count("CT\r"), 0);
  rig.Run(1);
  EXPECT_EQ(rig.monitor.Count("CT\r"), 1);
  rig.Run(5000);
  EXPECT_EQ(rig.monitor.Count("CT\r"), 1);

  SelfTestRig running;
  running.tests.StartTenSecond();
  running.Run(3000);
  running.tests.Cancel();
  EXPECT_FALSE(running.Open(CountdownWindow::TenSecondTest));
  EXPECT_EQ(running.tests.State().tenSecondRemaining, 10);
  EXPECT_FALSE(running.timers.IsArmed(kTimerTenSecondTestWindow));
  running.Run(200);
  EXPECT_EQ(running.monitor.Count("CT\r"), 1);
  EXPECT_FALSE(running.tests.State().running);
}

TEST(SelfTests, OkHidesTheWindowAndTheTestEndsByItself) {
  SelfTestRig rig;
  rig.tests.StartTenSecond();
  rig.Run(2000);
  rig.tests.OnOk(CountdownWindow::TenSecondTest);
  EXPECT_FALSE(rig.Open(CountdownWindow::TenSecondTest));
  rig.Run(8000);
  EXPECT_TRUE(rig.Enabled(IDC_SELFTEST_10_SECONDS));  // ended by its timer
  EXPECT_FALSE(rig.tests.State().running);
}

TEST(SelfTests, TimedTestOfFiveMinutes) {
  SelfTestRig rig;
  rig.Settings("[AlarmMessage]\nSpecialTimeTest=2\n");
  rig.tests.OnTimedSettingsOpened();
  EXPECT_TRUE(rig.Enabled(IDC_CANCEL_SELFTEST));
  EXPECT_FALSE(rig.tests.OnTimedSettingsOk("5"));
  EXPECT_EQ(rig.config.ReadString("AlarmMessage", "SpecialTimeTest"), "5");
  rig.Run(199);
  EXPECT_FALSE(rig.Open(CountdownWindow::TimedTest));
  rig.Run(1);
  ASSERT_TRUE(rig.Open(CountdownWindow::TimedTest));
  EXPECT_EQ(rig.Events(), std::vector<std::string>{"  UPS SelfTest 5 Minute"});
  EXPECT_TRUE(rig.parts.history.Notes().timedTestStarted);
  rig.Run(499);
  EXPECT_EQ(rig.monitor.Count("T05\r"), 0);
  rig.Run(1);
  EXPECT_EQ(rig.monitor.Count("T05\r"), 1);
  rig.Run(1000);
  EXPECT_EQ(rig.tests.Picture(CountdownWindow::TimedTest).seconds, 299);
  rig.Run(298000);
  EXPECT_TRUE(rig.Open(CountdownWindow::TimedTest));
  rig.Run(1000);
  EXPECT_FALSE(rig.Open(CountdownWindow::TimedTest));
  EXPECT_TRUE(rig.tests.State().timedIdle);
  EXPECT_TRUE(rig.Enabled(IDC_SELFTEST_SPECIAL_TIME));
}

// A timed test needs its minutes, 1 to 99: none, 0 (once a test the UPS was
// never told to end, on battery until cancelled) or 100 are refused, saying
// the range, and nothing reaches the UPS.
TEST(SelfTests, TimedTestWithoutMinutesIsRefused) {
  SelfTestRig rig;
  rig.tests.OnTimedSettingsOpened();
  for (const char* refused : {"", "0", "100", "-5", "abc", "99999999999"}) {
    const FileError said = rig.tests.OnTimedSettingsOk(refused);
    EXPECT_EQ(said.message, "UPS SelfTest: please enter a whole number from 1 to 99.") << refused;
  }
  rig.Run(700);
  EXPECT_EQ(rig.monitor.Count("T00\r"), 0);
  EXPECT_FALSE(rig.Open(CountdownWindow::TimedTest));
  EXPECT_EQ(rig.config.ReadValue("AlarmMessage", "SpecialTimeTest"), std::nullopt);
  EXPECT_FALSE(rig.tests.OnTimedSettingsOk("99"));
  rig.Run(700);
  EXPECT_EQ(rig.monitor.Count("T99\r"), 1);
  rig.tests.Cancel();
  EXPECT_FALSE(rig.Open(CountdownWindow::TimedTest));
  EXPECT_TRUE(rig.tests.State().timedReload);
}

TEST(SelfTests, OkOfTheSettingsWhileATimedTestRunsNeitherSavesNorStarts) {
  SelfTestRig rig;
  rig.Settings("[AlarmMessage]\nSpecialTimeTest=3\n");
  rig.tests.OnTimedSettingsOpened();
  rig.tests.OnTimedSettingsOk("3");
  rig.Run(3000);
  rig.tests.OnTimedSettingsOpened();
  EXPECT_FALSE(rig.tests.OnTimedSettingsOk("7"));
  EXPECT_EQ(rig.config.ReadString("AlarmMessage", "SpecialTimeTest"), "3");
  rig.Run(1000);
  EXPECT_EQ(rig.views.opened[CountdownWindow::TimedTest], 1);
  EXPECT_EQ(rig.monitor.Count("T03\r"), 1);
  EXPECT_EQ(rig.monitor.Count("T07\r"), 0);
}

// A test cancelled before its command went never starts on the UPS: "CT"
// alone reaches it, and nothing is left running without a way to cancel.
TEST(SelfTests, ACancelBeforeTheCommandWentStopsIt) {
  for (int waited : {0, 300, 600}) {  // before the timed test opens, before "T05" goes
    SelfTestRig rig;
    rig.Settings("[AlarmMessage]\nSpecialTimeTest=5\n");
    rig.tests.OnTimedSettingsOpened();
    rig.tests.OnTimedSettingsOk("5");
    rig.Run(static_cast<unsigned>(waited));
    rig.tests.Cancel();
    rig.Run(5000);
    EXPECT_EQ(rig.monitor.Count("T05\r"), 0) << waited;
    EXPECT_EQ(rig.monitor.Count("CT\r"), 1) << waited;
    EXPECT_FALSE(rig.tests.State().running) << waited;
    EXPECT_FALSE(rig.Open(CountdownWindow::TimedTest)) << waited;
  }
  SelfTestRig tenSeconds;
  tenSeconds.tests.StartTenSecond();
  tenSeconds.Run(500);
  tenSeconds.tests.Cancel();
  tenSeconds.Run(2000);
  EXPECT_EQ(tenSeconds.monitor.Count("T\r"), 0);
  SelfTestRig untilLow;
  untilLow.tests.StartUntilLow();
  untilLow.Run(100);
  untilLow.tests.Cancel();
  untilLow.Run(2000);
  EXPECT_EQ(untilLow.monitor.Count("TL\r"), 0);
  EXPECT_FALSE(untilLow.Open(CountdownWindow::UntilLowTest));
}

// The until-low test greys the other tests from its command on, not only
// once its "TL" goes half a second later.
TEST(SelfTests, UntilLowGreysTheOtherTestsAtOnce) {
  SelfTestRig rig;
  rig.tests.StartUntilLow();
  EXPECT_FALSE(rig.Enabled(IDC_SELFTEST_10_SECONDS));
  EXPECT_TRUE(rig.Enabled(IDC_CANCEL_SELFTEST));
  rig.tests.StartUntilLow();  // a second use during the wait
  rig.Run(500);
  EXPECT_EQ(rig.monitor.Count("TL\r"), 1);
  EXPECT_EQ(rig.views.opened[CountdownWindow::UntilLowTest], 1);
}

// The settings dialog greys the tests, but no test runs until one starts:
// the bar's cancel zone has nothing to cancel.
TEST(SelfTests, TheTimedSettingsDialogAloneIsNoRunningTest) {
  SelfTestRig rig;
  rig.tests.OnTimedSettingsOpened();
  EXPECT_TRUE(rig.Enabled(IDC_CANCEL_SELFTEST));
  EXPECT_FALSE(rig.tests.State().running);
  rig.tests.OnTimedSettingsOk("1");
  rig.Run(700);
  EXPECT_TRUE(rig.tests.State().running);
}

// A command the monitor gave up on (its time ran out on a line that took
// nothing): the event says so and the menus tell the truth. A cancel lost
// during the until-low test leaves the UPS testing down to a low battery,
// so that test is shown running again, to be cancelled once more.
TEST(SelfTests, ACommandGivenUpIsRecordedAndTheMenusFollowWhatTheUpsDoes) {
  struct Case {
    const char* name;
    const char* command;
    void (*start)(SelfTestRig&);
    bool runningAfter;
  };
  const Case cases[] = {
      {"10-second test", "T\r", [](SelfTestRig& r) { r.tests.StartTenSecond(); }, false},
      {"until-low test", "TL\r", [](SelfTestRig& r) { r.tests.StartUntilLow(); }, false},
      {"timed test", "T05\r",
       [](SelfTestRig& r) {
         r.Settings("[AlarmMessage]\nSpecialTimeTest=5\n");
         r.tests.OnTimedSettingsOpened();
         ASSERT_FALSE(r.tests.OnTimedSettingsOk("5"));
       },
       false},
      {"cancel of the until-low test", "CT\r",
       [](SelfTestRig& r) {
         r.tests.StartUntilLow();
         r.Run(1000);
         r.tests.Cancel();
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SelfTestRig rig;
    c.start(rig);
    rig.Run(1500);
    const auto& sent = rig.monitor.commands;  // a control's number is its place in the order sent
    const auto at = std::find(sent.begin(), sent.end(), c.command);
    ASSERT_NE(at, sent.end());
    rig.engine.OnControlGivenUp(static_cast<unsigned>(at - sent.begin() + 1));
    EXPECT_EQ(rig.Count("  UPS SelfTest Command Not Sent!"), 1);
    EXPECT_EQ(rig.Enabled(IDC_CANCEL_SELFTEST), c.runningAfter);
    EXPECT_EQ(rig.Enabled(IDC_SELFTEST_TILL_LOW), !c.runningAfter);
    EXPECT_EQ(rig.Open(CountdownWindow::UntilLowTest), c.runningAfter);
    EXPECT_FALSE(rig.Open(CountdownWindow::TimedTest));
    rig.engine.OnControlGivenUp(9999);  // not one of theirs
    EXPECT_EQ(rig.Count("  UPS SelfTest Command Not Sent!"), 1);
  }

  // On a dead line both the "TL" and its cancel run out: the test never
  // started, so it is not shown running again.
  SelfTestRig dead;
  dead.tests.StartUntilLow();
  dead.Run(1000);
  dead.tests.Cancel();
  dead.Run(500);
  dead.engine.OnControlGivenUp(1);  // "TL"
  dead.engine.OnControlGivenUp(2);  // "CT"
  EXPECT_FALSE(dead.Open(CountdownWindow::UntilLowTest));
  EXPECT_FALSE(dead.Enabled(IDC_CANCEL_SELFTEST));
}
