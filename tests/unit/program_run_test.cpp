#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <functional>
#include <string>
#include <vector>

#include "app/program_run.h"
#include "power/timer_ids.h"
#include "res/resource_ids.h"
#include "tests/unit/engine_fakes.h"

using namespace voltaris;
using namespace voltaris::testing;

// ---- The program's run, from waiting for the line to its one end ---------------

namespace {

// What the Win32 side was asked, in order.
class FakeRunPort : public ProgramRunPort {
 public:
  std::vector<std::string> calls;
  std::vector<NoticePhase> noticePhases;
  bool shutdownAccepted = true;
  std::vector<ShutdownRequest> requests;
  bool callLeftRunning = false;

  void SetNoticePhase(NoticePhase phase) override { noticePhases.push_back(phase); }
  void LoadLinkLibrary() override { calls.push_back("load library"); }
  void UnloadLinkLibrary() override { calls.push_back("unload library"); }
  bool MonitorCallLeftRunning() const override { return callLeftRunning; }
  void AimMonitorAt(const LinkSettings&) override { calls.push_back("aim monitor"); }
  void StartMonitor() override { calls.push_back("start monitor"); }
  void StopMonitor() override { calls.push_back("stop monitor"); }
  void ReopenMailbox() override { calls.push_back("reopen mailbox"); }
  void StopNetworkServer() override { calls.push_back("stop network server"); }
  void FollowNetworkUps(const NetworkUpsSettings& s) override { calls.push_back("follow " + s.host); }
  void StopFollowing() override { calls.push_back("stop following"); }
  void CloseCountdownWindows() override { calls.push_back("close count-downs"); }
  void ReleaseLine() override { calls.push_back("release line"); }
  void RemoveTray() override { calls.push_back("remove tray"); }
  bool ShutdownSystem(const ShutdownRequest& request) override {
    calls.push_back("shut down system");
    requests.push_back(request);
    return shutdownAccepted;
  }
  void ForceSystemShutdown(const ShutdownRequest& request) override {
    calls.push_back("force shutdown");
    requests.push_back(request);
  }
  int Count(const std::string& call) const { return static_cast<int>(std::count(calls.begin(), calls.end(), call)); }
  // What was asked since the last look.
  std::vector<std::string> Take() { return std::exchange(calls, {}); }
};

// Counts the ticks of a number of its own in the parts' table.
struct TickProbe : TimerOwner {
  static constexpr unsigned kId = 9001;
  int ticks = 0;
  void OnTimer(unsigned) override { ++ticks; }
};

struct RunRig : EngineRig {
  FakeRunPort port;
  ProgramRun run{parts, timers, config, store, port};
  TickProbe probe;

  RunRig() {
    Settings("[Mscomm]\nComboPort=0\nComboRate=2400\nComboCheck=0\nComboData=4\nComboStop=0\n");  // COM1
    shutdown.carryOut = [this] { run.EndAndShutDown(); };
    table.Own(TickProbe::kId, probe);
  }
  // The line is ours; what the start asked is set aside.
  void Begin() {
    run.Begin();
    port.Take();
  }
  // Virtual time, every tick forwarded to the run as the main window does.
  void RunTicks(long long ms) {
    timers.Advance(ms, [this](unsigned id) { run.OnTick(id); });
  }
  std::string LastEvent() {
    const std::vector<std::string> events = Events();
    return events.empty() ? "" : events.back();
  }
};

const std::vector<std::string> kLettingGo = {"close count-downs", "unload library", "release line", "remove tray"};

std::vector<std::string> Then(std::vector<std::string> first, const std::vector<std::string>& rest) {
  first.insert(first.end(), rest.begin(), rest.end());
  return first;
}

}  // namespace

TEST(ProgramRun, TheLineMadeOursStartsTheWorkOnce) {
  RunRig rig;
  EXPECT_EQ(rig.run.Phase(), ProgramPhase::WaitingForLine);
  EXPECT_TRUE(rig.Events().empty());
  // Settings saved meanwhile (a window on the service) start nothing: no
  // monitor, no follower, no server of this program's own.
  rig.run.ApplySettings();
  EXPECT_TRUE(rig.port.calls.empty());
  rig.run.Begin();
  EXPECT_EQ(rig.run.Phase(), ProgramPhase::Monitoring);
  EXPECT_EQ(rig.Events(), std::vector<std::string>{"  Program Start"});
  EXPECT_EQ(rig.port.Take(), (std::vector<std::string>{"load library", "aim monitor", "start monitor"}));
  rig.run.Begin();  // the line is found free again
  EXPECT_EQ(rig.Count("  Program Start"), 1);
  EXPECT_TRUE(rig.port.calls.empty());
}

TEST(ProgramRun, AnEndBeforeTheLineWasOursRecordsNothingAndStillLetsGo) {
  RunRig rig;
  rig.run.End(NoticePhase::Ending);
  EXPECT_EQ(rig.run.Phase(), ProgramPhase::Ended);
  EXPECT_EQ(rig.port.Take(), Then({"stop network server"}, kLettingGo));
  EXPECT_EQ(rig.port.noticePhases, std::vector<NoticePhase>{NoticePhase::Ending});
  rig.run.Begin();  // the line comes after the end
  rig.run.End(NoticePhase::SystemEnding);
  EXPECT_TRUE(rig.Events().empty());
  EXPECT_TRUE(rig.port.calls.empty());
}

TEST(ProgramRun, EveryWayOutEndsTheWorkOnceInOrder) {
  struct WayOut {
    const char* name;
    std::function<void(RunRig&)> take;
    std::vector<std::string> asked;
    NoticePhase boxes;
  };
  const std::vector<std::string> stopAndLetGo = Then({"stop network server", "stop monitor"}, kLettingGo);
  const std::vector<WayOut> ways = {
      {"Exit, then the window's destruction",
       [](RunRig& rig) {
         rig.run.End(NoticePhase::Ending);
         rig.run.End(NoticePhase::Ending);
       },
       stopAndLetGo, NoticePhase::Ending},
      {"the end of the session", [](RunRig& rig) { rig.run.End(NoticePhase::SystemEnding); }, stopAndLetGo,
       NoticePhase::SystemEnding},
      {"the system shutdown accepted, then the session's end",
       [](RunRig& rig) {
         rig.run.EndAndShutDown();
         rig.run.End(NoticePhase::SystemEnding);
         rig.run.End(NoticePhase::Ending);  // the window's destruction
       },
       Then({"stop monitor", "shut down system", "stop network server"}, kLettingGo), NoticePhase::SystemEnding},
  };
  for (const WayOut& way : ways) {
    RunRig rig;
    rig.Begin();
    way.take(rig);
    EXPECT_EQ(rig.run.Phase(), ProgramPhase::Ended) << way.name;
    EXPECT_EQ(rig.Count("  Program End"), 1) << way.name;
    EXPECT_EQ(rig.LastEvent(), "  Program End") << way.name;
    EXPECT_EQ(rig.port.Take(), way.asked) << way.name;
    EXPECT_EQ(rig.port.noticePhases, std::vector<NoticePhase>{way.boxes}) << way.name;
  }
}

TEST(ProgramRun, RowsKeptWhileATableWasUnwritableGoInAtTheEnd) {
  RunRig rig;
  rig.Begin();
  const std::string daily = rig.store.PathOf(RecordTable::Daily);
  std::filesystem::create_directory(daily);  // in the table's place: no write can replace it
  rig.records.IncrementDailyCount(DailyColumn::AcFail);
  ASSERT_TRUE(rig.records.RowsWaiting());
  std::filesystem::remove(daily);
  rig.run.End(NoticePhase::Ending);
  EXPECT_FALSE(rig.records.RowsWaiting());
  EXPECT_TRUE(std::filesystem::is_regular_file(daily));
}

TEST(ProgramRun, TheLibraryStaysLoadedWhileAMonitorCallIsLeftInIt) {
  RunRig rig;
  rig.Begin();
  rig.port.callLeftRunning = true;
  rig.run.End(NoticePhase::Ending);
  EXPECT_EQ(rig.port.Count("unload library"), 0);
  EXPECT_EQ(rig.port.Count("release line"), 1);
  EXPECT_EQ(rig.port.Count("remove tray"), 1);
}

TEST(ProgramRun, TheServiceRecordsItsOwnStartAndEnd) {
  RunRig rig;
  rig.run.BeginForService();
  rig.run.End(NoticePhase::Ending);
  EXPECT_EQ(rig.Events(), (std::vector<std::string>{"  Service Start", "  Service Stop"}));
}

// The manual count-down's end asks for the shutdown; Windows says no.
TEST(ProgramRun, ARefusedShutdownResumesAtOnceAndTheNextEndRecordsProgramEndAgain) {
  RunRig rig;
  rig.port.shutdownAccepted = false;
  rig.Begin();
  rig.parts.manual.Start();
  rig.RunTicks(10000);
  ASSERT_EQ(rig.shutdown.calls, 1);
  EXPECT_EQ(rig.run.Phase(), ProgramPhase::Monitoring);
  EXPECT_EQ(rig.port.Take(), (std::vector<std::string>{"stop monitor", "shut down system", "reopen mailbox",
                                                       "aim monitor", "start monitor"}));
  EXPECT_EQ(rig.port.noticePhases, (std::vector<NoticePhase>{NoticePhase::SystemEnding, NoticePhase::Running}));
  EXPECT_EQ(rig.Events(),
            (std::vector<std::string>{"  Program Start", "  Program End", "  System Shutdown Refused!"}));
  EXPECT_FALSE(rig.timers.IsArmed(kTimerShutdownWatch));
  const int before = rig.probe.ticks;
  EXPECT_TRUE(rig.run.OnTick(TickProbe::kId));  // monitoring again: the parts tick
  EXPECT_EQ(rig.probe.ticks, before + 1);
  rig.run.End(NoticePhase::Ending);
  EXPECT_EQ(rig.Count("  Program End"), 2);
  EXPECT_EQ(rig.LastEvent(), "  Program End");
}

// The shutdown's own command, queued as the count ends, is given up to two
// seconds to start before Windows is asked to go down; no longer.
TEST(ProgramRun, TheShutdownWaitsBrieflyForItsCommandsToStart) {
  for (const bool starts : {true, false}) {
    RunRig rig;
    rig.Settings("[Mscomm]\nComboPort=0\nComboRate=2400\n[Notify]\nShutdown=C:\\hooks\\slow.cmd\n");
    rig.Begin();
    rig.parts.manual.Start();
    while (rig.shutdown.calls == 0) rig.RunTicks(1);
    ASSERT_EQ(rig.commands.started.size(), 1u);
    const long long waitMs = kCommandStartLookMs * kCommandStartLooks;
    rig.RunTicks(starts ? kCommandStartLookMs * 3 - 1 : waitMs - 1);
    EXPECT_EQ(rig.port.Count("shut down system"), 0);
    if (starts) rig.commands.states[1] = CommandState::Running;
    rig.RunTicks(1);
    EXPECT_EQ(rig.port.Count("shut down system"), 1) << (starts ? "started" : "never started");
    EXPECT_FALSE(rig.timers.IsArmed(kTimerCommandStart));
  }
}

// The server's forced shutdown goes through the gate at once, and the
// follower logs out before Windows is asked: the primary stops waiting.
TEST(ProgramRun, ANetworkUpsIsFollowedAndItsServersForcedShutdownLogsOutBeforeTheSystemGoes) {
  for (const char* status : {"OL FSD", "OB LB FSD"}) {
    RunRig rig;
    rig.Settings("[Mscomm]\nComboPort=9\n[NetworkUps]\nHost=nas.local\nUser=monuser\nPassword=pw\n"
                 "[Notify]\nForcedShutdown=C:\\hooks\\fsd.cmd\n");
    rig.port.shutdownAccepted = false;
    rig.run.Begin();
    EXPECT_EQ(rig.port.Take(), (std::vector<std::string>{"load library", "aim monitor", "start monitor",
                                                         "follow nas.local"}));
    ServedReadings served;
    served.status = status;
    served.flags = {std::string(status) == "OL FSD", std::string(status) != "OL FSD", std::string(status) != "OL FSD",
                    true};
    rig.parts.engine.OnServedReadings(served);
    EXPECT_EQ(rig.port.Take(), (std::vector<std::string>{"stop following", "stop monitor", "shut down system",
                                                         "reopen mailbox", "aim monitor", "start monitor",
                                                         "follow nas.local"}))
        << status;
    EXPECT_EQ(rig.Count("  Forced Shutdown By The UPS Server"), 1) << status;
    ASSERT_EQ(rig.commands.started.size(), 1u) << status;
    EXPECT_EQ(rig.commands.started[0].commandLine.rfind("C:\\hooks\\fsd.cmd \"  Forced Shutdown By The UPS Server\"", 0),
              0u)
        << rig.commands.started[0].commandLine;
    rig.run.ApplySettings();  // an OK that leaves the server's settings alone keeps the connection
    EXPECT_EQ(rig.port.Count("follow nas.local"), 0) << status;
    rig.parts.engine.OnServedReadings(served);  // the order stands: carried out once
    EXPECT_EQ(rig.shutdown.calls, 1) << status;
    rig.RunTicks(60000);  // no count-down of its own was started
    EXPECT_EQ(rig.shutdown.calls, 1) << status;
  }
}

// A UPS the server owns is tested by the server: the self-tests go as its
// instant commands, never to our line, and a refusal ends them as a command
// not sent; without a login, which the server would refuse, they are greyed.
TEST(ProgramRun, ANetworkUpsSelfTestsAreTheServersInstantCommandsAndGreyedWithoutALogin) {
  RunRig rig;
  rig.Settings("[Mscomm]\nComboPort=9\n[NetworkUps]\nHost=nas.local\nUser=monuser\nPassword=pw\n");
  rig.Begin();
  ServedReadings served;
  served.status = "OL";
  served.flags.onLine = true;
  rig.parts.engine.OnServedReadings(served);
  const auto greyed = [&rig](unsigned command) {
    const auto it = rig.menus.enabled.find(command);
    return it != rig.menus.enabled.end() && !it->second;
  };
  EXPECT_FALSE(greyed(IDC_SELFTEST_10_SECONDS));
  rig.parts.selfTests.StartTenSecond();
  rig.RunTicks(2000);
  using Sent = std::vector<std::pair<unsigned, std::string>>;
  EXPECT_EQ(rig.server.sent, (Sent{{UpsControls::kFirstServedId, "test.battery.start.quick"}}));
  EXPECT_TRUE(rig.monitor.controls.empty());
  rig.parts.engine.OnControlGivenUp(UpsControls::kFirstServedId);  // the server said no
  EXPECT_EQ(rig.Count("  UPS SelfTest Command Not Sent!"), 1);
  rig.Settings("[Mscomm]\nComboPort=9\n[NetworkUps]\nHost=nas.local\n");
  rig.run.ApplySettings();
  EXPECT_TRUE(greyed(IDC_SELFTEST_10_SECONDS) && greyed(IDC_SELFTEST_TILL_LOW) && greyed(IDC_SELFTEST_SPECIAL_TIME));
  rig.parts.selfTests.StartUntilLow();
  rig.RunTicks(2000);
  EXPECT_EQ(rig.server.sent.size(), 1u);
}

// Choosing a network UPS while the program runs: our own server stops
// (recorded once), and serves again once a UPS on our cable is chosen.
TEST(ProgramRun, TheOwnServerStopsWhileANetworkUpsIsFollowedAndServesAgainAfter) {
  RunRig rig;
  const std::string server = "[Network]\nEnabled=1\n";
  rig.Settings("[Mscomm]\nComboPort=0\nComboRate=2400\n" + server);
  rig.Begin();
  ASSERT_EQ(rig.share.listened.size(), 1u);
  for (int i = 0; i < 2; ++i) {
    rig.Settings("[Mscomm]\nComboPort=9\n[NetworkUps]\nHost=nas.local\n" + server);
    rig.run.ApplySettings();
  }
  EXPECT_EQ(rig.share.stops, 1);
  EXPECT_EQ(rig.Count("  Network Server Not Started: The UPS Is Followed Over The Network"), 1);
  EXPECT_EQ(rig.port.Count("follow nas.local"), 1);
  rig.RunTicks(30000);  // no retry starts it behind the follower's back
  EXPECT_EQ(rig.share.listened.size(), 1u);
  rig.Settings("[Mscomm]\nComboPort=0\nComboRate=2400\n" + server);
  rig.run.ApplySettings();
  EXPECT_EQ(rig.share.listened.size(), 2u);
  EXPECT_EQ(rig.port.Count("stop following"), 1);
}

// Windows may take the request and do nothing with it (a session without a
// desktop; Wine's documented call is a stub): seconds without the session's
// end bring the second way, once; minutes without the end are recorded and
// asked again, never counted again from the start.
TEST(ProgramRun, AnAcceptedShutdownThatDoesNotComeIsAskedTheSecondWayThenRecordedAndAskedAgain) {
  RunRig rig;
  rig.Begin();
  rig.run.EndAndShutDown();
  ASSERT_TRUE(rig.timers.IsArmed(kTimerShutdownWatch));
  EXPECT_EQ(rig.timers.armed.at(kTimerShutdownWatch).periodMs, kShutdownWatchMs);
  rig.RunTicks(kShutdownConfirmMs - 1);
  EXPECT_EQ(rig.port.Count("force shutdown"), 0);
  rig.RunTicks(1);
  EXPECT_EQ(rig.port.Count("force shutdown"), 1);
  rig.RunTicks(kShutdownWatchMs - kShutdownConfirmMs - 1);
  EXPECT_EQ(rig.port.Count("force shutdown"), 1);
  EXPECT_EQ(rig.port.Count("shut down system"), 1);
  EXPECT_EQ(rig.Count("  System Shutdown Not Carried Out, Asked Again!"), 0);
  rig.RunTicks(1);
  EXPECT_EQ(rig.run.Phase(), ProgramPhase::ShuttingDown);
  EXPECT_EQ(rig.Count("  System Shutdown Not Carried Out, Asked Again!"), 1);
  EXPECT_EQ(rig.Count("  System Shutdown Refused!"), 0);
  EXPECT_EQ(rig.port.Count("shut down system"), 2);
  EXPECT_EQ(rig.port.Count("start monitor"), 0);  // the work does not start over
  rig.RunTicks(kShutdownConfirmMs);
  EXPECT_EQ(rig.port.Count("force shutdown"), 2);
  // Still nothing after asking again: the work goes on as after a refusal,
  // rather than Windows going down hours later.
  rig.RunTicks(kShutdownWatchMs - kShutdownConfirmMs - 1);
  EXPECT_EQ(rig.run.Phase(), ProgramPhase::ShuttingDown);
  rig.RunTicks(1);
  EXPECT_EQ(rig.run.Phase(), ProgramPhase::Monitoring);
  EXPECT_EQ(rig.Count("  System Shutdown Refused!"), 1);
  EXPECT_EQ(rig.Count("  System Shutdown Not Carried Out, Asked Again!"), 1);
  EXPECT_EQ(rig.port.Count("shut down system"), 2);
  EXPECT_FALSE(rig.timers.IsArmed(kTimerShutdownWatch));
  EXPECT_FALSE(rig.timers.IsArmed(kTimerShutdownConfirm));
  // The next shutdown is asked again in its turn; refused then, the work
  // goes on at once.
  rig.run.EndAndShutDown();
  rig.port.shutdownAccepted = false;
  rig.RunTicks(kShutdownWatchMs);
  EXPECT_EQ(rig.Count("  System Shutdown Not Carried Out, Asked Again!"), 2);
  EXPECT_EQ(rig.port.Count("shut down system"), 4);
  EXPECT_EQ(rig.run.Phase(), ProgramPhase::Monitoring);
  EXPECT_EQ(rig.Count("  System Shutdown Refused!"), 2);
}

TEST(ProgramRun, ASessionThatBeginsToEndIsNotAskedTheSecondWay) {
  RunRig rig;
  rig.Begin();
  rig.run.EndAndShutDown();
  rig.RunTicks(kShutdownConfirmMs - 1);
  rig.run.OnSessionEnding();
  rig.RunTicks(kShutdownConfirmMs);
  EXPECT_EQ(rig.port.Count("force shutdown"), 0);
  EXPECT_TRUE(rig.timers.IsArmed(kTimerShutdownWatch));  // a session host may still hold it up
}

// What Windows' own log shows for each cause.
TEST(ProgramRun, EachCauseAsksWindowsWithThePowerReasonAndItsOwnSentence) {
  const uint32_t power = 0x00060000 | 0x0000000c;
  const struct {
    ShutdownReason reason;
    uint32_t code;
    const char* why;
  } causes[] = {
      {ShutdownReason::MainsFailed, power, "Voltaris: the mains failed and the UPS battery is running out"},
      {ShutdownReason::BatteryLow, power, "Voltaris: the UPS battery is running out"},
      {ShutdownReason::RuntimeLow, power, "Voltaris: the UPS battery's runtime is below its margin"},
      {ShutdownReason::Manual, power, "Voltaris: shutdown asked by the user"},
      {ShutdownReason::Schedule, power | 0x80000000u, "Voltaris: scheduled shutdown"},
      {ShutdownReason::ServerForced, power, "Voltaris: the UPS server ordered a shutdown"},
  };
  for (const auto& cause : causes) {
    RunRig rig;
    rig.Begin();
    rig.parts.power.ShutdownBegun(cause.reason);
    rig.run.EndAndShutDown();
    rig.RunTicks(kShutdownConfirmMs);
    ASSERT_EQ(rig.port.requests.size(), 2u);
    for (const ShutdownRequest& asked : rig.port.requests) {
      EXPECT_EQ(asked.reasonCode, cause.code) << cause.why;
      EXPECT_STREQ(Tr(asked.why), cause.why);
    }
  }
}

TEST(ProgramRun, WhileShuttingDownATickReachesNoOwnerButTheWatchAndAfterTheEndNone) {
  RunRig rig;
  EXPECT_TRUE(rig.run.OnTick(TickProbe::kId));  // waiting for the line, as the window always did
  rig.Begin();
  EXPECT_TRUE(rig.run.OnTick(TickProbe::kId));
  EXPECT_EQ(rig.probe.ticks, 2);
  rig.run.EndAndShutDown();
  EXPECT_FALSE(rig.run.OnTick(TickProbe::kId));
  EXPECT_EQ(rig.probe.ticks, 2);
  rig.run.ApplySettings();  // no settings reach a monitor that has stopped
  EXPECT_EQ(rig.port.Count("aim monitor"), 0);
  EXPECT_TRUE(rig.run.OnTick(kTimerShutdownConfirm));
  EXPECT_TRUE(rig.run.OnTick(kTimerShutdownWatch));
  EXPECT_EQ(rig.run.Phase(), ProgramPhase::ShuttingDown);
  EXPECT_FALSE(rig.run.OnTick(TickProbe::kId));
  EXPECT_EQ(rig.probe.ticks, 2);
  rig.run.End(NoticePhase::Ending);
  EXPECT_FALSE(rig.run.OnTick(TickProbe::kId));
  EXPECT_FALSE(rig.run.OnTick(kTimerShutdownWatch));
  EXPECT_FALSE(rig.run.OnTick(kTimerShutdownConfirm));
  EXPECT_EQ(rig.probe.ticks, 2);
  EXPECT_EQ(rig.Count("  System Shutdown Not Carried Out, Asked Again!"), 1);
}
