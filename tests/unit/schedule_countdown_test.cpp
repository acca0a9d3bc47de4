// The scheduled shutdown on virtual time: due check, warning window, the
// switch-off command confirmed before the shutdown.
#include <gtest/gtest.h>

#include <algorithm>

#include "power/timer_ids.h"
#include "tests/unit/engine_fakes.h"

using namespace voltaris;
using namespace voltaris::testing;

namespace {

const std::string kHealthy = "(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000\r";

// Tuesday 9:05:07 (row 2); a shutdown at 9:08:07 with five minutes' warning.
struct ScheduleRig : EngineRig {
  explicit ScheduleRig(const std::string& row2 = "SchemaEveryRebootFlag2=1\nSchemaEveryRebootTime2=9:8:7\n") {
    Settings("[AlarmMessage]\nShutTimeMessage=5\nBefoShutDownTime=60\n[Schema]\n" + row2);
    engine.StartLink({0, 2400, 0, 4, 0});
    Run(1000);
    engine.OnSerialOpen(true);
    engine.OnSerialRead(true, kHealthy);  // the UPS answers
    parts.schedule.Start();
  }
};

}  // namespace

TEST(ScheduleCountdown, WarnsWithTheSecondsLeftAndEndsWithTheConfirmedSwitchOff) {
  ScheduleRig rig;
  rig.Run(1200);
  ASSERT_TRUE(rig.views.IsOpen(CountdownWindow::Schedule));
  EXPECT_EQ(rig.Count("  Schedule Setting Time Up Warning!"), 1);
  rig.Run(1000);
  EXPECT_EQ(rig.parts.schedule.Picture().seconds, 179);
  rig.Run(178000);
  EXPECT_EQ(rig.parts.schedule.Picture().seconds, 1);
  EXPECT_EQ(rig.monitor.Count("S01R9999\r"), 0);
  rig.Run(1000);
  ASSERT_EQ(rig.monitor.Count("S01R9999\r"), 1);  // Tuesday without a restart
  EXPECT_EQ(rig.shutdown.calls, 0);                // not before the UPS has it
  rig.engine.OnControlWritten(static_cast<unsigned>(rig.monitor.commands.size()), true);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_FALSE(rig.views.IsOpen(CountdownWindow::Schedule));
  rig.Run(10000);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_EQ(rig.Count("  UPS Switch-Off Command Not Sent!"), 0);
}

// A UPS served by another computer belongs to it: the schedule takes this
// computer down at its time and never waits for a switch-off of ours.
TEST(ScheduleCountdown, AUpsFollowedOverTheNetworkIsNotSwitchedOff) {
  ScheduleRig rig;
  rig.engine.StartLink({LinkSettings::kNetworkUps, 2400, 0, 4, 0});
  ServedReadings served;
  served.status = "OL";
  served.flags.onLine = true;
  rig.engine.OnServedReadings(served);
  rig.Run(1200 + 180000);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_TRUE(rig.monitor.controls.empty());
  EXPECT_EQ(rig.Count("  UPS Switch-Off Command Not Sent!"), 0);
}

TEST(ScheduleCountdown, ASwitchOffThatCannotBeWrittenIsRecordedAndTheShutdownGoesOn) {
  ScheduleRig rig("SchemaEveryRebootFlag2=1\nSchemaEveryRebootTime2=9:8:7\n"
                  "SchemaEveryShutFlag2=1\nSchemaEveryShutTime2=10:23:0\n");
  rig.Run(181200);
  ASSERT_EQ(rig.monitor.Count("S01R0075\r"), 1);  // back on 75 minutes later
  const auto switchOff = static_cast<unsigned>(rig.monitor.commands.size());
  rig.engine.OnControlWritten(switchOff, false);
  rig.Run(ScheduleCountdown::kConfirmMs - 1);
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.Run(1);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_EQ(rig.Count("  UPS Switch-Off Command Not Sent!"), 1);
  // Taken back, so that it cannot reach the UPS after a refused shutdown;
  // a late report of it does not shut down a second time.
  EXPECT_EQ(rig.monitor.withdrawn, std::vector<unsigned>{switchOff});
  rig.engine.OnControlWritten(switchOff, true);
  EXPECT_EQ(rig.shutdown.calls, 1);
}

// Given up while its write was under way: it may be switching the UPS off,
// so it is not recorded as not sent; its outcome is waited for once more,
// within a bound, and the shutdown goes on all the same.
TEST(ScheduleCountdown, ASwitchOffGivenUpDuringItsWriteIsNotRecordedAsNotSent) {
  ScheduleRig rig;
  rig.Run(181200);
  ASSERT_EQ(rig.monitor.Count("S01R9999\r"), 1);
  rig.monitor.withdrawalsSucceed = false;
  rig.Run(ScheduleCountdown::kConfirmMs);
  EXPECT_EQ(rig.monitor.withdrawn.size(), 1u);
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.Run(ScheduleCountdown::kWriteUnderWayMs - 1);
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.Run(1);
  EXPECT_EQ(rig.monitor.withdrawn.size(), 1u);  // taken back once, not twice
  EXPECT_EQ(rig.Count("  UPS Switch-Off Command Not Sent!"), 0);
  EXPECT_EQ(rig.shutdown.calls, 1);
}

// The link library sent the switch-off in part only (its last report never
// taken): the UPS may be switching off. Recorded once, and the shutdown
// goes on with the UPS taken as switching off; a written-whole one records
// nothing, and neither does a self-test that went out so.
TEST(ScheduleCountdown, ASwitchOffThatMayHaveBeenSentIsRecordedOnceAndTakenAsSwitchingTheUpsOff) {
  ScheduleRig rig;
  rig.Run(181200);
  ASSERT_EQ(rig.monitor.Count("S01R9999\r"), 1);
  const auto switchOff = static_cast<unsigned>(rig.monitor.commands.size());
  rig.engine.OnControlWritten(switchOff + 1, true, true);  // not the switch-off
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.engine.OnControlWritten(switchOff, true, true);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_TRUE(rig.parts.gate.State().upsSwitchingOff);
  rig.engine.OnControlWritten(switchOff, true, true);  // told again
  rig.Run(10000);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_EQ(rig.Count("  UPS Switch-Off May Have Been Sent"), 1);
  EXPECT_EQ(rig.Count("  UPS Switch-Off Command Not Sent!"), 0);

  // Its word came after the first wait, its write under way: the shutdown
  // waited for it, so that it is recorded before the program ends.
  ScheduleRig late;
  late.Run(181200);
  const auto lateSwitchOff = static_cast<unsigned>(late.monitor.commands.size());
  late.monitor.withdrawalsSucceed = false;
  late.Run(ScheduleCountdown::kConfirmMs);
  EXPECT_EQ(late.shutdown.calls, 0);
  late.engine.OnControlWritten(lateSwitchOff, true, true);
  EXPECT_EQ(late.Count("  UPS Switch-Off May Have Been Sent"), 1);
  EXPECT_EQ(late.shutdown.calls, 1);
  late.Run(ScheduleCountdown::kWriteUnderWayMs);
  EXPECT_EQ(late.shutdown.calls, 1);

  ScheduleRig whole;
  whole.Run(181200);
  whole.engine.OnControlWritten(static_cast<unsigned>(whole.monitor.commands.size()), true, false);
  EXPECT_EQ(whole.shutdown.calls, 1);
  EXPECT_EQ(whole.Count("  UPS Switch-Off May Have Been Sent"), 0);
}

// OK pressed in the last seconds: the count ends while the window is hidden,
// and it does not come back over the shutdown.
TEST(ScheduleCountdown, AWindowHiddenAtTheEndStaysHidden) {
  ScheduleRig rig;
  rig.Run(179200);  // two seconds left
  rig.parts.schedule.OnOk();
  rig.Run(2000);
  ASSERT_EQ(rig.monitor.Count("S01R9999\r"), 1);
  rig.Run(ScheduleCountdown::kConfirmMs + 10000);
  EXPECT_EQ(rig.views.opened[CountdownWindow::Schedule], 1);
  EXPECT_FALSE(rig.views.IsOpen(CountdownWindow::Schedule));
  EXPECT_EQ(rig.shutdown.calls, 1);
}

TEST(ScheduleCountdown, OkBringsTheWindowBackAfterFiveSecondsAndOneWarningPerRun) {
  ScheduleRig rig;
  rig.Run(2200);
  rig.parts.schedule.OnOk();
  rig.Run(4999);
  EXPECT_FALSE(rig.views.IsOpen(CountdownWindow::Schedule));
  rig.Run(1);
  EXPECT_TRUE(rig.views.IsOpen(CountdownWindow::Schedule));
  EXPECT_EQ(rig.Count("  Schedule Setting Time Up Warning!"), 1);
  std::vector<std::string> daily;
  rig.store.ReadAll(RecordTable::Daily, {"Schedule Down"}, [&daily](const auto& r) { daily.push_back(r[0]); });
  EXPECT_EQ(daily, std::vector<std::string>{"1"});
  EXPECT_FALSE(rig.parts.schedule.State().armedOnce);
}

TEST(ScheduleCountdown, NothingWhileTheUpsDoesNotAnswerOrNoRowIsDue) {
  ScheduleRig silent;
  silent.engine.OnSerialRead(true, "(2");  // the link drops
  silent.Run(5000);
  EXPECT_FALSE(silent.views.IsOpen(CountdownWindow::Schedule));
  ScheduleRig other("SchemaEveryRebootFlag3=1\nSchemaEveryRebootTime3=9:8:7\n");  // Wednesday's
  other.Run(5000);
  EXPECT_FALSE(other.views.IsOpen(CountdownWindow::Schedule));
  EXPECT_TRUE(other.parts.schedule.State().armedOnce);
}

// ---- The nights the clock changes (Central European time) -------------------

namespace {

const std::string kSundayAtHalfPastTwo = "SchemaEveryRebootFlag7=1\nSchemaEveryRebootTime7=2:30:0\n";

// Runs, the UPS answering each second, until real time reaches `until`.
void RunAnsweringUntil(ScheduleRig& rig, UtcSeconds until) {
  while (rig.clock.UtcNow() < until) {
    rig.Run(1000);
    rig.engine.OnSerialRead(true, kHealthy);
  }
}

bool WarningOpen(const ScheduleRig& rig) { return rig.views.IsOpen(CountdownWindow::Schedule); }

// The switch-off is written: the shutdown follows.
void ConfirmSwitchOff(ScheduleRig& rig, const std::string& command) {
  const auto& sent = rig.monitor.commands;
  const auto at = std::find(sent.begin(), sent.end(), command);
  ASSERT_NE(at, sent.end());
  rig.engine.OnControlWritten(static_cast<unsigned>(at - sent.begin() + 1), true);
}

}  // namespace

// 02:00 becomes 03:00: 02:30 never shows, and the row comes at 03:00, warned
// five real minutes before.
TEST(ScheduleCountdown, ARowInTheSkippedHourFiresOnceAtTheEndOfTheGap) {
  ScheduleRig rig(kSundayAtHalfPastTwo);
  const UtcSeconds change = LastSundayOneUtc(2026, 3);
  rig.clock.Follow(rig.timers, change - 600);  // 01:50
  RunAnsweringUntil(rig, change - 301);
  EXPECT_FALSE(WarningOpen(rig));
  RunAnsweringUntil(rig, change - 300);  // 01:55:00
  rig.Run(200);
  ASSERT_TRUE(WarningOpen(rig));
  EXPECT_EQ(rig.parts.schedule.State().remaining, 300);
  RunAnsweringUntil(rig, change - 1);
  EXPECT_EQ(rig.monitor.Count("S01R9999\r"), 0);
  RunAnsweringUntil(rig, change);  // 03:00:00
  EXPECT_EQ(rig.monitor.Count("S01R9999\r"), 1);
  ConfirmSwitchOff(rig, "S01R9999\r");
  RunAnsweringUntil(rig, change + 3600);
  EXPECT_EQ(rig.Count("  Schedule Setting Time Up Warning!"), 1);
  EXPECT_EQ(rig.monitor.Count("S01R9999\r"), 1);
  EXPECT_EQ(rig.shutdown.calls, 1);
}

// 03:00 becomes 02:00 again: the row comes at the first 02:30 only, also for
// a program started again in the repeated hour, before the second 02:30.
TEST(ScheduleCountdown, ARowInTheRepeatedHourFiresOnceAtItsFirstShowing) {
  const UtcSeconds change = LastSundayOneUtc(2026, 10);
  const UtcSeconds firstHalfPastTwo = change - 1800, secondHalfPastTwo = change + 1800;
  ScheduleRig rig(kSundayAtHalfPastTwo);
  rig.clock.Follow(rig.timers, firstHalfPastTwo - 2400);  // 01:50 summer time
  RunAnsweringUntil(rig, firstHalfPastTwo - 301);
  EXPECT_FALSE(WarningOpen(rig));
  RunAnsweringUntil(rig, firstHalfPastTwo - 300);
  rig.Run(200);
  ASSERT_TRUE(WarningOpen(rig));
  RunAnsweringUntil(rig, firstHalfPastTwo - 1);
  EXPECT_EQ(rig.monitor.Count("S01R9999\r"), 0);
  RunAnsweringUntil(rig, firstHalfPastTwo);
  ConfirmSwitchOff(rig, "S01R9999\r");
  RunAnsweringUntil(rig, secondHalfPastTwo + 600);
  EXPECT_EQ(rig.Count("  Schedule Setting Time Up Warning!"), 1);
  EXPECT_EQ(rig.monitor.Count("S01R9999\r"), 1);
  EXPECT_EQ(rig.shutdown.calls, 1);

  ScheduleRig restarted(kSundayAtHalfPastTwo);
  restarted.clock.Follow(restarted.timers, change + 300);  // the second 02:05
  RunAnsweringUntil(restarted, secondHalfPastTwo + 600);
  EXPECT_EQ(restarted.Count("  Schedule Setting Time Up Warning!"), 0);
  EXPECT_EQ(restarted.monitor.Count("S01R9999\r"), 0);
  EXPECT_TRUE(restarted.parts.schedule.State().armedOnce);
}

// Windows refused the scheduled shutdown: the program goes on, and a later
// row of the same day still comes (the one just past does not come again).
TEST(ScheduleCountdown, AfterARefusedShutdownALaterRowComesAndThePastOneDoesNot) {
  ScheduleRig rig;
  rig.clock.Follow(rig.timers, rig.clock.FirstInstantShowing(rig.clock.now));
  // Seconds with the UPS answering; a switch-off is reported written at once.
  auto runAnswering = [&rig](int seconds) {
    for (int second = 0; second < seconds; ++second) {
      rig.engine.OnSerialRead(true, kHealthy);
      rig.Run(1000);
      const auto& sent = rig.monitor.commands;
      const auto off = std::find(sent.rbegin(), sent.rend(), "S01R9999\r");
      if (off != sent.rend()) rig.engine.OnControlWritten(static_cast<unsigned>(sent.rend() - off), true);
    }
  };
  runAnswering(200);
  ASSERT_EQ(rig.shutdown.calls, 1);
  rig.parts.policy.ResumeAfterRefusedShutdown();
  runAnswering(10);
  EXPECT_FALSE(rig.views.IsOpen(CountdownWindow::Schedule));  // 9:08:07 is past
  // The row moved to 9:15:00: its warning from 9:10:00, its end then.
  rig.Settings("[AlarmMessage]\nShutTimeMessage=5\nBefoShutDownTime=60\n[Schema]\n"
               "SchemaEveryRebootFlag2=1\nSchemaEveryRebootTime2=9:15:0\n");
  runAnswering(500);
  EXPECT_EQ(rig.shutdown.calls, 2);
  EXPECT_EQ(rig.Count("  Schedule Setting Time Up Warning!"), 2);
}

// Between warnings the schedule is looked at every ten seconds, not each
// second: a row edited into the file by hand opens its warning within that;
// one saved by a dialog (which has it look again) at once.
TEST(ScheduleCountdown, AChangedScheduleIsSeenAtOnceWhenSavedAndWithinTenSecondsWhenEditedByHand) {
  const std::string dueNow = "[AlarmMessage]\nShutTimeMessage=5\nBefoShutDownTime=60\n[Schema]\n"
                             "SchemaEveryRebootFlag2=1\nSchemaEveryRebootTime2=9:9:0\n";
  for (const bool saved : {false, true}) {
    ScheduleRig rig("");
    rig.clock.Follow(rig.timers, rig.clock.FirstInstantShowing(rig.clock.now));
    RunAnsweringUntil(rig, rig.clock.UtcNow() + 60);
    EXPECT_EQ(rig.timers.armed.at(kTimerScheduleDueCheck).periodMs, 10000u);
    rig.Settings(dueNow);
    if (saved) rig.parts.schedule.LookAgain();
    rig.Run(200);
    EXPECT_EQ(WarningOpen(rig), saved);
    RunAnsweringUntil(rig, rig.clock.UtcNow() + 10);
    EXPECT_TRUE(WarningOpen(rig));
  }
}

// Saved key by key through the service, a row is half written between keys
// (its new time with its old date): nothing is looked at until the keys have
// stopped coming for a while.
TEST(ScheduleCountdown, NoLookWhileSettingsAreBeingSavedKeyByKey) {
  ScheduleRig rig;  // its row is due at the first look
  for (int key = 0; key < 8; ++key) {
    rig.parts.schedule.SettingsChanging();
    rig.Run(1000);
  }
  rig.parts.schedule.SettingsChanging();
  rig.Run(ScheduleCountdown::kSettleMs + 200 - 1);
  EXPECT_FALSE(WarningOpen(rig));
  rig.Run(1);
  EXPECT_TRUE(WarningOpen(rig));
}

// ---- Special dates ------------------------------------------------------------

namespace {

// Tuesday 2026-12-08 9:05:07, the UPS answering; five minutes' warning.
struct SpecialRig : EngineRig {
  explicit SpecialRig(const std::string& schema) {
    Settings("[AlarmMessage]\nShutTimeMessage=5\nBefoShutDownTime=60\n[Schema]\n" + schema);
    engine.StartLink({0, 2400, 0, 4, 0});
    Run(1000);
    engine.OnSerialOpen(true);
    engine.OnSerialRead(true, "(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000\r");
    parts.schedule.Start();
  }
};

}  // namespace

TEST(ScheduleCountdown, ASpecialDateWarnsRecordsAndEndsWithItsSwitchOffAndTheShutdown) {
  // 9:07:07 today, restart 90 minutes later.
  SpecialRig rig("SchemaSpecialRebootFlag4=1\nSchemaSpecialRebootYear4=2026-12-8\nSchemaSpecialRebootTime4=9:7:7\n"
                 "SchemaSpecialShutFlag4=1\nSchemaSpecialShutYear4=2026-12-8\nSchemaSpecialShutTime4=10:37:7\n");
  rig.Run(1200);
  ASSERT_TRUE(rig.views.IsOpen(CountdownWindow::Schedule));
  EXPECT_EQ(rig.Count("  Schedule Setting Time Up Warning!"), 1);
  rig.Run(1000);
  EXPECT_EQ(rig.parts.schedule.Picture().seconds, 119);
  rig.Run(118000);
  EXPECT_EQ(rig.monitor.Count("S01R0090\r"), 0);
  rig.Run(1000);
  ASSERT_EQ(rig.monitor.Count("S01R0090\r"), 1);
  EXPECT_EQ(rig.shutdown.calls, 0);  // not before the command is on the line
  rig.engine.OnControlWritten(static_cast<unsigned>(rig.monitor.commands.size()), true);
  EXPECT_EQ(rig.shutdown.calls, 1);
}

TEST(ScheduleCountdown, ASpecialDateThatPassedBeforeTheStartIsNotCaughtUp) {
  SpecialRig rig("SchemaSpecialRebootFlag1=1\nSchemaSpecialRebootYear1=2026-12-8\nSchemaSpecialRebootTime1=9:5:0\n");
  rig.Run(600000);
  EXPECT_FALSE(rig.views.IsOpen(CountdownWindow::Schedule));
  EXPECT_EQ(rig.Count("  Schedule Setting Time Up Warning!"), 0);
  EXPECT_EQ(rig.shutdown.calls, 0);
}
