#include "app/program_run.h"

#include <utility>

#include "power/timer_ids.h"

namespace voltaris {

ProgramRun::ProgramRun(ProgramParts& parts, TimerPort& timers, ConfigFile& config, RecordStore& store,
                       ProgramRunPort& port)
    : parts_(parts), timers_(timers), config_(config), store_(store), port_(port) {
  parts_.timers.Own(kTimerShutdownWatch, *this);
  parts_.timers.Own(kTimerShutdownConfirm, *this);
  parts_.timers.Own(kTimerCommandStart, *this);
}

void ProgramRun::Begin() {
  if (phase_ != ProgramPhase::WaitingForLine) return;
  phase_ = ProgramPhase::Monitoring;
  parts_.records.Recover();  // what the last run left goes in before this run's first row
  parts_.engine.LogProgramStart();
  parts_.battery.Start(store_);
  // A setting read in place of a stored value is recorded from here on; those
  // read while the parts were made follow "  Program Start".
  config_.SetEventSink([&records = parts_.records](const std::string& text) { records.AppendEvent(text); });
  // Loaded before the monitor starts, which calls into it over USB.
  port_.LoadLinkLibrary();
  StartMonitoring();
  parts_.schedule.Start();
  parts_.share.Start();
}

void ProgramRun::BeginForService() {
  parts_.engine.UseRunTexts(Text::ServiceStartEvent, Text::ServiceStopEvent);
  Begin();
}

void ProgramRun::StartMonitoring() {
  const LinkSettings settings = ReadLinkSettings(config_);
  port_.AimMonitorAt(settings);
  parts_.engine.StartLink(settings);
  port_.StartMonitor();
  FollowIfNetwork(settings);
}

// A settings OK that leaves the server's settings as they were keeps the
// connection: logging out and in again would make the primary count this
// computer out for a moment, and tell a standing refusal again.
void ProgramRun::FollowIfNetwork(const LinkSettings& settings) {
  const bool network = settings.comboPort == LinkSettings::kNetworkUps;
  if (network) {
    const NetworkUpsSettings server = ReadNetworkUpsSettings(config_);
    if (!following_ || !(server == followed_)) port_.FollowNetworkUps(server);
    followed_ = server;
  } else if (following_) {
    port_.StopFollowing();
  }
  following_ = network;
  // The server runs the self-tests of those logged in who may: without a
  // login it refuses them all.
  parts_.selfTests.Offer(!network || !followed_.user.empty());
}

// Before the work begins (a window on the service, a line another holds)
// there is nothing to apply them to: the work reads them when it begins.
void ProgramRun::ApplySettings() {
  if (phase_ != ProgramPhase::Monitoring) return;
  const LinkSettings settings = ReadLinkSettings(config_);
  port_.AimMonitorAt(settings);
  parts_.engine.ApplySettings(settings);
  FollowIfNetwork(settings);
  parts_.share.OnLinkChanged();
  parts_.schedule.LookAgain();
}

// The phase changes before the work stops: a box about the records may hold
// the end up in its own message loop, and no tick nor monitor report may
// reach the parts meanwhile.
void ProgramRun::EndAndShutDown() {
  if (phase_ != ProgramPhase::Monitoring) return;
  phase_ = ProgramPhase::ShuttingDown;
  shutdown_ = ShutdownRequestFor(parts_.power.Reason());
  askedAgain_ = false;
  StopWork(NoticePhase::SystemEnding, true);
  commandStartLooks_ = 0;
  AskOnceCommandsStarted();
}

// A command of the shutdown (or of the server's order) only queued when
// Windows begins to go down may never start: it is given a moment to.
void ProgramRun::AskOnceCommandsStarted() {
  if (parts_.commands.AnyStarting() && commandStartLooks_++ < kCommandStartLooks) {
    timers_.Arm(kTimerCommandStart, kCommandStartLookMs);
    return;
  }
  timers_.Kill(kTimerCommandStart);
  AskForTheShutdown();
}

void ProgramRun::AskForTheShutdown() {
  if (port_.ShutdownSystem(shutdown_)) {
    WatchTheShutdown();
    return;
  }
  ResumeMonitoring();
}

// Accepted is not under way: a call that Windows takes and then does nothing
// with would leave the computer running on a battery going flat. A session
// not told it ends within seconds is asked the second way; a shutdown still
// not carried out minutes later (an application or a session host holding
// it up) is recorded and asked again, rather than counted again from the start.
void ProgramRun::WatchTheShutdown() {
  timers_.Arm(kTimerShutdownConfirm, kShutdownConfirmMs);
  timers_.Arm(kTimerShutdownWatch, kShutdownWatchMs);
}

void ProgramRun::OnSessionEnding() { timers_.Kill(kTimerShutdownConfirm); }

// A shutdown Windows accepted has stopped the work already: what is left is
// to let go of what the work held.
void ProgramRun::End(NoticePhase how) {
  if (phase_ == ProgramPhase::Ended) return;
  const ProgramPhase before = std::exchange(phase_, ProgramPhase::Ended);
  port_.StopNetworkServer();  // its data would no longer be fresh
  if (before != ProgramPhase::ShuttingDown) StopWork(how, before == ProgramPhase::Monitoring);
  port_.CloseCountdownWindows();
  // Unloading a library that a call may still be inside would pull its code
  // from under that call.
  if (!port_.MonitorCallLeftRunning()) port_.UnloadLinkLibrary();
  port_.ReleaseLine();  // the port is closed: another may read the UPS
  port_.RemoveTray();
}

// The monitor first: a box about the records may then wait for the user
// without the port staying open behind it. A line or library call that
// never returns is left behind, and "  Program End" and the rows still go in
// (in their journals if the tables cannot take them).
void ProgramRun::StopWork(NoticePhase how, bool working) {
  port_.SetNoticePhase(how);
  if (!working) return;  // the line never became ours: nothing was read or recorded
  if (std::exchange(following_, false)) port_.StopFollowing();  // logged out before Windows goes down
  port_.StopMonitor();
  parts_.engine.Stop();
  parts_.records.Flush();
}

// Windows refused the shutdown, or never carried it out: the work goes on
// where it stopped, with "  System Shutdown Refused!" rather than a new start.
void ProgramRun::ResumeMonitoring() {
  timers_.Kill(kTimerShutdownWatch);
  timers_.Kill(kTimerShutdownConfirm);
  phase_ = ProgramPhase::Monitoring;
  port_.SetNoticePhase(NoticePhase::Running);
  port_.ReopenMailbox();
  parts_.policy.ResumeAfterRefusedShutdown();
  StartMonitoring();
}

bool ProgramRun::OnTick(unsigned id) {
  if (!TickReaches(id)) return false;
  parts_.timers.Dispatch(id);
  return true;
}

bool ProgramRun::TickReaches(unsigned id) const {
  switch (phase_) {
    case ProgramPhase::ShuttingDown:
      return id == kTimerShutdownWatch || id == kTimerShutdownConfirm || id == kTimerCommandStart;
    case ProgramPhase::Ended: return false;
    default: return true;
  }
}

void ProgramRun::OnTimer(unsigned id) {
  if (phase_ != ProgramPhase::ShuttingDown) return;
  if (id == kTimerCommandStart) return AskOnceCommandsStarted();
  if (id == kTimerShutdownConfirm) {
    timers_.Kill(kTimerShutdownConfirm);
    port_.ForceSystemShutdown(shutdown_);
    return;
  }
  // Asked once more; still nothing, and the work goes on as after a refusal,
  // rather than the computer going down hours later, the mains long back.
  if (std::exchange(askedAgain_, true)) return ResumeMonitoring();
  parts_.records.AppendEvent(Tr(Text::ShutdownNotCarriedOutEvent));
  parts_.records.Flush();
  AskForTheShutdown();
}

}  // namespace voltaris
