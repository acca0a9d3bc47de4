// The shutdown gate: every count-down's end on its way to the system
// shutdown, and the primary's wait for its secondaries, on virtual time. The
// gate's own rules run on fakes of what it talks to; the whole program's rig
// is kept for the wiring: the count-downs reaching it with their reasons, the
// share showing its forced shutdown, the schedule's switch-off on the line.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "power/shutdown_gate.h"
#include "power/timer_ids.h"
#include "tests/unit/share_rig.h"

using namespace voltaris;
using namespace voltaris::testing;

namespace {

// The computers following this UPS, as the gate asks for them.
class FakeSecondaries : public SecondariesPort {
 public:
  size_t loggedIn = 0;
  int waitSeconds = 2;
  std::vector<bool> announced;  // every forced shutdown shown (true) or taken back (false)
  size_t LoggedIn() const override { return loggedIn; }
  int WaitSeconds() const override { return waitSeconds; }
  void AnnounceForcedShutdown(bool announce) override { announced.push_back(announce); }
  bool Announcing() const { return !announced.empty() && announced.back(); }
};

class FakeEventRows : public EventRecordPort {
 public:
  std::vector<std::string> rows;
  void AppendEvent(const std::string& text) override { rows.push_back(text); }
};

// The gate alone: its secondaries, event rows and system shutdown faked, its
// timer on virtual time and reached only through the number it owns.
struct GateRig {
  FakeTimers timers;
  TimerTable table;
  OwnedTimers owned{table, timers};
  FakeSecondaries secondaries;
  FakeEventRows records;
  FakeShutdown shutdown;
  PowerEvents events;
  PowerState power;
  ShutdownGate gate{owned, secondaries, records, shutdown, events, power};

  explicit GateRig(int hostSyncSeconds = 2) {
    secondaries.waitSeconds = hostSyncSeconds;
    gate.OwnTimers(table);
    owned.Bind(gate);
  }
  ~GateRig() { EXPECT_EQ(table.Trespasses(), std::vector<unsigned>{}); }
  void Run(long long ms) {
    timers.Advance(ms, [this](unsigned id) { table.Dispatch(id); });
  }
  int Count(const std::string& event) const {
    return static_cast<int>(std::count(records.rows.begin(), records.rows.end(), event));
  }
};

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
    // The forced shutdown stays published, as secondaries expect of a primary;
    // Windows refusing takes it back, unless the UPS was told to switch off.
    rig.Run(1000);
    EXPECT_EQ(StatusOf(rig.share.published.back()).rfind("FSD ", 0), 0u);
    const bool switchingOff = !rig.monitor.controls.empty();
    rig.parts.gate.ShutdownRefused();
    EXPECT_EQ(StatusOf(rig.share.published.back()).rfind("FSD ", 0) == 0, switchingOff);
  }
}

TEST(ShutdownGate, TheEndOfACountdownAnnouncesFsdAndWaitsForTheSecondariesToLeave) {
  GateRig rig;
  rig.secondaries.loggedIn = 2;
  rig.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  ASSERT_TRUE(rig.gate.State().waiting);
  EXPECT_EQ(rig.shutdown.calls, 0);
  EXPECT_TRUE(rig.secondaries.Announcing());
  rig.Run(750);
  rig.secondaries.loggedIn = 1;  // one logs out, the other is still there
  rig.Run(250);
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.secondaries.loggedIn = 0;
  rig.Run(250);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_EQ(rig.Count("  Network Clients Logged Out"), 1);
  EXPECT_FALSE(rig.timers.IsArmed(kTimerHostSync));
  // The forced shutdown stays announced, as secondaries expect of a primary.
  rig.Run(1000);
  EXPECT_TRUE(rig.secondaries.Announcing());
}

TEST(ShutdownGate, GivesUpOnSecondariesAfterExactlyHostSync) {
  GateRig rig(2);
  rig.secondaries.loggedIn = 1;
  rig.gate.EndAndShutDown(ShutdownReason::MainsFailed);
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
  GateRig none;
  none.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  EXPECT_EQ(none.shutdown.calls, 1);
  EXPECT_EQ(none.Count("  Network Clients Logged Out"), 0);  // nobody to wait for, nothing to record
  EXPECT_TRUE(none.secondaries.Announcing());

  GateRig two;
  two.secondaries.loggedIn = 1;
  two.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  two.Run(500);
  two.gate.EndAndShutDown(ShutdownReason::MainsFailed);  // a second count-down ends during the wait
  two.Run(5000);
  EXPECT_EQ(two.shutdown.calls, 1);
  EXPECT_EQ(two.Count("  Network Clients Still Logged In!"), 1);
}

TEST(ShutdownGate, EachReasonWaitsForTheSecondariesOnlyWhenThePowerIsGoing) {
  const struct {
    ShutdownReason reason;
    bool powerGoing;
  } reasons[] = {
      {ShutdownReason::MainsFailed, true},
      {ShutdownReason::BatteryLow, true},
      {ShutdownReason::RuntimeLow, true},
      {ShutdownReason::Manual, false},
      {ShutdownReason::ServerForced, false},  // its primary waits for this computer; none of ours is served
  };
  for (const auto& r : reasons) {
    SCOPED_TRACE(static_cast<int>(r.reason));
    GateRig rig;
    rig.secondaries.loggedIn = 1;
    rig.gate.EndAndShutDown(r.reason);
    EXPECT_EQ(rig.gate.State().waiting, r.powerGoing);
    EXPECT_EQ(rig.secondaries.Announcing(), r.powerGoing);
    EXPECT_EQ(rig.shutdown.calls, r.powerGoing ? 0 : 1);
    EXPECT_EQ(rig.power.Phase(), PowerPhase::ShuttingDown);
    EXPECT_EQ(rig.power.Reason(), r.reason);
  }
}

// The share, the gate's secondaries in the program, counts nobody while its
// server is off, whoever its server last saw.
TEST(ShutdownGate, WithoutTheServerACountdownEndShutsDownAtOnce) {
  ShareRig rig("Enabled=0\n");
  rig.share.loggedIn = 1;
  rig.parts.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_EQ(rig.Count("  Network Clients Logged Out"), 0);
}

TEST(ShutdownGate, ARefusedShutdownTakesBackTheForcedShutdownAndTheNextEndWaitsAgain) {
  GateRig rig;
  rig.secondaries.loggedIn = 1;
  rig.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  rig.secondaries.loggedIn = 0;
  rig.Run(250);
  ASSERT_EQ(rig.shutdown.calls, 1);
  rig.gate.ShutdownRefused();  // Windows said no; the program goes on
  EXPECT_FALSE(rig.secondaries.Announcing());
  rig.secondaries.loggedIn = 1;  // a secondary that came back
  rig.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  EXPECT_TRUE(rig.secondaries.Announcing());
  EXPECT_EQ(rig.shutdown.calls, 1);
  rig.Run(2000);
  EXPECT_EQ(rig.shutdown.calls, 2);
}

// The schedule's own switch-off command through the gate to the line, and
// the engine's word that it was written back to the gate.
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
  GateRig rig;
  rig.secondaries.loggedIn = 1;
  int sent = 0;
  rig.gate.SwitchOffThenShutDown([&sent] { ++sent; });
  rig.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  EXPECT_TRUE(rig.gate.ShutdownUnderWay());
  rig.secondaries.loggedIn = 0;
  rig.Run(250);
  EXPECT_EQ(sent, 1);
  EXPECT_EQ(rig.shutdown.calls, 0);  // the command is not on the line yet
  rig.gate.EndAndShutDown(ShutdownReason::MainsFailed);  // and another count-down ends while it is sent
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.gate.SwitchOffDone(true);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_FALSE(rig.gate.ShutdownUnderWay());
}

TEST(ShutdownGate, TheScheduledSwitchOffGoesBeforeAShutdownThatStartedTheWait) {
  GateRig rig;
  rig.secondaries.loggedIn = 1;
  rig.gate.EndAndShutDown(ShutdownReason::MainsFailed);  // the mains' count-down first
  int sent = 0;
  rig.gate.SwitchOffThenShutDown([&sent] { ++sent; });
  rig.secondaries.loggedIn = 0;
  rig.Run(250);
  EXPECT_EQ(sent, 1);
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.gate.SwitchOffDone(false);  // given up: the shutdown goes on all the same
  EXPECT_EQ(rig.shutdown.calls, 1);

  GateRig off;  // with nobody to wait for the order is the same
  int offSent = 0;
  off.gate.SwitchOffThenShutDown([&offSent] { ++offSent; });
  EXPECT_EQ(offSent, 1);
  off.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  EXPECT_EQ(off.shutdown.calls, 0);
  off.gate.SwitchOffDone(true);
  EXPECT_EQ(off.shutdown.calls, 1);
}

TEST(ShutdownGate, ARefusedShutdownKeepsFsdOnceTheUpsWasToldToSwitchOff) {
  GateRig rig;
  rig.gate.SwitchOffThenShutDown([] {});
  rig.gate.SwitchOffDone(true);
  ASSERT_EQ(rig.shutdown.calls, 1);
  rig.gate.ShutdownRefused();
  EXPECT_TRUE(rig.secondaries.Announcing());
}
