// The shutdown gate: every count-down's end on its way to the system
// shutdown, and the primary's wait for its secondaries, on virtual time.
#include <gtest/gtest.h>

#include <algorithm>

#include "power/shutdown_gate.h"
#include "power/timer_ids.h"
#include "tests/unit/share_rig.h"

using namespace voltaris;
using namespace voltaris::testing;

namespace {

// How each kind of count-down is brought to its end, and whether the power
// is really going (then the secondaries are warned and awaited).
struct CountdownEnd {
  const char* kind;
  bool powerGoing;
  std::string alarm;
  std::string reply;  // what the UPS answers meanwhile
  void (*start)(ShareRig&);
};

}  // namespace

TEST(ShutdownGate, WarnsAndAwaitsTheSecondariesOnlyWhenThePowerIsGoing) {
  // Tuesday 9:05:07; a special date at 9:05:37, the warning opening at once.
  const std::string schedule = "ShutTimeMessage=5\nBefoShutDownTime=60\n[Schema]\nSchemaSpecialRebootFlag1=1\n"
                               "SchemaSpecialRebootYear1=2026-12-8\nSchemaSpecialRebootTime1=9:5:37\n";
  const CountdownEnd ends[] = {
      {"mains failure", true, "CutACTimeMessage=1\nBatteryTime=1\n", kMainsFailed, [](ShareRig&) {}},
      {"battery low", true, "BatteryEndTime=1\n", kBatteryLowOnMains, [](ShareRig&) {}},
      {"scheduled", true, schedule, kHealthy, [](ShareRig& rig) { rig.parts.schedule.Start(); }},
      {"manual", false, "", kHealthy, [](ShareRig& rig) { rig.parts.manual.Start(); }},
  };
  for (const CountdownEnd& end : ends) {
    SCOPED_TRACE(end.kind);
    ShareRig rig("Enabled=1\nHostSync=10\n", true, end.alarm);
    rig.share.loggedIn = 1;
    rig.RunWith(kHealthy, 1);
    end.start(rig);
    for (int second = 0; second < 150 && !rig.parts.gate.State().waiting && rig.shutdown.calls == 0; ++second) {
      rig.RunWith(end.reply, 1);
    }
    if (!end.powerGoing) {
      // This computer goes at once; the UPS keeps feeding the others.
      EXPECT_EQ(rig.shutdown.calls, 1);
      EXPECT_FALSE(rig.timers.IsArmed(kTimerHostSync));
      rig.parts.gate.ShutdownRefused();  // Windows said no; the program goes on
      rig.RunWith(kHealthy, 2);
      EXPECT_FALSE(FsdEverPublished(rig.share.published));
      EXPECT_EQ(rig.Count("  Network Clients Logged Out") + rig.Count("  Network Clients Still Logged In!"), 0);
      continue;
    }
    ASSERT_TRUE(rig.parts.gate.State().waiting);
    EXPECT_EQ(StatusOf(rig.share.published.back()).rfind("FSD ", 0), 0u);
    EXPECT_TRUE(rig.monitor.controls.empty());  // a scheduled switch-off waits too
    rig.parts.gate.EndAndShutDown(ShutdownReason::Manual);  // does not cut the wait short
    rig.Run(750);
    EXPECT_EQ(rig.shutdown.calls, 0);
    rig.share.loggedIn = 0;
    rig.Run(250);
    if (!rig.monitor.controls.empty()) {
      EXPECT_EQ(rig.shutdown.calls, 0);  // the schedule's end once its switch-off is on the line
      const auto& sent = rig.monitor.commands;  // a control's number is its place in the order sent
      const auto at = std::find(sent.begin(), sent.end(), rig.monitor.controls.back().serial);
      rig.engine.OnControlWritten(static_cast<unsigned>(at - sent.begin() + 1), true);
    }
    EXPECT_EQ(rig.shutdown.calls, 1);
    EXPECT_EQ(rig.Count("  Network Clients Logged Out"), 1);
  }
}

TEST(ShutdownGate, TheEndOfACountdownAnnouncesFsdAndWaitsForTheSecondariesToLeave) {
  ShareRig rig;
  rig.share.loggedIn = 2;
  rig.RunWith(kHealthy, 1);
  // The mains fail: the count-down window after 1 s, BatteryTime (1 minute) to its end.
  for (int second = 0; second < 120 && !rig.parts.gate.State().waiting; ++second) rig.RunWith(kMainsFailed, 1);
  ASSERT_TRUE(rig.parts.gate.State().waiting);
  EXPECT_EQ(rig.Count("  AC Fail!"), 1);
  EXPECT_EQ(rig.shutdown.calls, 0);
  EXPECT_EQ(StatusOf(rig.share.published.back()), "FSD OB");
  rig.Run(750);
  rig.share.loggedIn = 1;  // one logs out, the other is still there
  rig.Run(250);
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.share.loggedIn = 0;
  rig.Run(250);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_EQ(rig.Count("  Network Clients Logged Out"), 1);
  EXPECT_FALSE(rig.timers.IsArmed(kTimerHostSync));
  // The forced shutdown stays announced, as secondaries expect of a primary.
  rig.Run(1000);
  EXPECT_EQ(StatusOf(rig.share.published.back()), "FSD OB");
}

TEST(ShutdownGate, GivesUpOnSecondariesAfterExactlyHostSync) {
  ShareRig rig("Enabled=1\nHostSync=2\n");
  rig.RunWith(kHealthy, 1);
  rig.share.loggedIn = 1;
  rig.parts.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  rig.Run(1750);
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.Run(249);
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.Run(1);  // 2000 ms
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_EQ(rig.Count("  Network Clients Still Logged In!"), 1);
  EXPECT_EQ(rig.Count("  Network Clients Logged Out"), 0);
}

TEST(ShutdownGate, ShutsDownAtOnceWithNoSecondaryAndOnceForCountdownsEndingTogether) {
  ShareRig none;
  none.parts.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  EXPECT_EQ(none.shutdown.calls, 1);
  EXPECT_EQ(none.Count("  Network Clients Logged Out"), 0);  // nobody to wait for, nothing to record
  EXPECT_EQ(StatusOf(none.share.published.back()).rfind("FSD ", 0), 0u);

  ShareRig two;
  two.share.loggedIn = 1;
  two.parts.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  two.Run(500);
  two.parts.gate.EndAndShutDown(ShutdownReason::MainsFailed);  // a second count-down ends during the wait
  two.Run(5000);
  EXPECT_EQ(two.shutdown.calls, 1);
  EXPECT_EQ(two.Count("  Network Clients Still Logged In!"), 1);
}

TEST(ShutdownGate, WithoutTheServerACountdownEndShutsDownAtOnce) {
  ShareRig rig("Enabled=0\n");
  rig.parts.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_EQ(rig.Count("  Network Clients Logged Out"), 0);
}

TEST(ShutdownGate, ARefusedShutdownTakesBackTheForcedShutdownAndTheNextEndWaitsAgain) {
  ShareRig rig;
  rig.RunWith(kHealthy, 1);
  rig.share.loggedIn = 1;
  rig.parts.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  rig.share.loggedIn = 0;
  rig.Run(250);
  ASSERT_EQ(rig.shutdown.calls, 1);
  rig.parts.gate.ShutdownRefused();  // Windows said no; the program goes on
  EXPECT_EQ(StatusOf(rig.share.published.back()), "OL");
  rig.share.loggedIn = 1;  // a secondary that came back
  rig.parts.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  EXPECT_EQ(StatusOf(rig.share.published.back()), "FSD OL");
  EXPECT_EQ(rig.shutdown.calls, 1);
  rig.Run(2000);
  EXPECT_EQ(rig.shutdown.calls, 2);
}

TEST(ShutdownGate, TheScheduledShutdownTellsTheUpsToSwitchOffOnlyAfterTheSecondariesLeft) {
  // Tuesday 9:05:07; a special date at 9:05:37, the warning opening at once.
  ShareRig rig("Enabled=1\nHostSync=10\n", true,
               "ShutTimeMessage=5\nBefoShutDownTime=60\n[Schema]\nSchemaSpecialRebootFlag1=1\n"
               "SchemaSpecialRebootYear1=2026-12-8\nSchemaSpecialRebootTime1=9:5:37\n");
  rig.share.loggedIn = 1;
  rig.parts.schedule.Start();
  for (int second = 0; second < 40 && !rig.parts.gate.State().waiting; ++second) rig.RunWith(kHealthy, 1);
  ASSERT_TRUE(rig.parts.gate.State().waiting);
  EXPECT_EQ(StatusOf(rig.share.published.back()), "FSD OL");
  EXPECT_EQ(rig.monitor.Count("S01R9999\r"), 0);  // the UPS keeps the secondaries' power on
  rig.share.loggedIn = 0;
  rig.Run(250);
  ASSERT_EQ(rig.monitor.Count("S01R9999\r"), 1);
  EXPECT_EQ(rig.shutdown.calls, 0);  // this computer once the command is on the line
  rig.engine.OnControlWritten(static_cast<unsigned>(rig.monitor.commands.size()), true);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_EQ(rig.Count("  Network Clients Logged Out"), 1);
}

TEST(ShutdownGate, ACountdownEndingDuringTheScheduledSwitchOffWaitsForItsEnd) {
  // The schedule's end first, then the mains' count-down ends during the wait.
  ShareRig rig;
  rig.share.loggedIn = 1;
  int sent = 0;
  rig.parts.gate.SwitchOffThenShutDown([&sent] { ++sent; });
  rig.parts.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  EXPECT_TRUE(rig.parts.gate.ShutdownUnderWay());
  rig.share.loggedIn = 0;
  rig.Run(250);
  EXPECT_EQ(sent, 1);
  EXPECT_EQ(rig.shutdown.calls, 0);  // the command is not on the line yet
  rig.parts.gate.EndAndShutDown(ShutdownReason::MainsFailed);  // and another count-down ends while it is sent
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.parts.gate.SwitchOffDone(true);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_FALSE(rig.parts.gate.ShutdownUnderWay());
}

TEST(ShutdownGate, TheScheduledSwitchOffGoesBeforeAShutdownThatStartedTheWait) {
  ShareRig rig;
  rig.share.loggedIn = 1;
  rig.parts.gate.EndAndShutDown(ShutdownReason::MainsFailed);  // the mains' count-down first
  int sent = 0;
  rig.parts.gate.SwitchOffThenShutDown([&sent] { ++sent; });
  rig.share.loggedIn = 0;
  rig.Run(250);
  EXPECT_EQ(sent, 1);
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.parts.gate.SwitchOffDone(false);  // given up: the shutdown goes on all the same
  EXPECT_EQ(rig.shutdown.calls, 1);

  ShareRig off("Enabled=0\n");  // without the server the order is the same
  int offSent = 0;
  off.parts.gate.SwitchOffThenShutDown([&offSent] { ++offSent; });
  EXPECT_EQ(offSent, 1);
  off.parts.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  EXPECT_EQ(off.shutdown.calls, 0);
  off.parts.gate.SwitchOffDone(true);
  EXPECT_EQ(off.shutdown.calls, 1);
}

TEST(ShutdownGate, ARefusedShutdownKeepsFsdOnceTheUpsWasToldToSwitchOff) {
  ShareRig rig;
  rig.RunWith(kHealthy, 1);
  rig.parts.gate.SwitchOffThenShutDown([] {});
  rig.parts.gate.SwitchOffDone(true);
  ASSERT_EQ(rig.shutdown.calls, 1);
  rig.parts.gate.ShutdownRefused();
  EXPECT_EQ(StatusOf(rig.share.published.back()), "FSD OL");
}
