// The program's life, from waiting for the UPS's line to its one orderly
// end: the work begins once the line is ours, stops before Windows is asked
// to shut down, goes on when Windows refuses, asks again when Windows
// accepts and does not carry the shutdown out, and ends once, whichever way
// out is taken. The Win32 layer carries
// out what it asks through ProgramRunPort; the tests give it a fake.
#pragma once

#include "app/program_parts.h"
#include "base/timer_port.h"
#include "base/timer_table.h"
#include "config/config_file.h"
#include "config/settings.h"
#include "power/shutdown_request.h"
#include "records/record_store.h"

namespace voltaris {

enum class ProgramPhase {
  WaitingForLine,  // another reads the UPS (the service, a copy started by hand): nothing is read or recorded here
  Monitoring,      // the line is ours and the work has begun
  ShuttingDown,    // the work has stopped and Windows was asked to shut down
  Ended,           // every way out has run; nothing goes on
};

// How boxes are shown: posted while the program runs, so that the parts go
// on; at once while it ends, by the window that still lives; not at all
// while Windows goes down, since the process may be ended any moment.
enum class NoticePhase { Running, Ending, SystemEnding };

// What the program's run needs from the windows, the threads and the system.
class ProgramRunPort {
 public:
  virtual ~ProgramRunPort() = default;
  virtual void SetNoticePhase(NoticePhase phase) = 0;
  // The user is told, once the window is complete, when it cannot be loaded.
  virtual void LoadLinkLibrary() = 0;
  // Before any monitor call is left behind in it, it must not be unloaded.
  virtual void UnloadLinkLibrary() = 0;
  virtual bool MonitorCallLeftRunning() const = 0;
  // The serial line the monitor opens, from the settings.
  virtual void AimMonitorAt(const LinkSettings& settings) = 0;
  virtual void StartMonitor() = 0;
  // Waited for only so long; the port is closed when it stops.
  virtual void StopMonitor() = 0;
  // The mailbox takes requests again after a stop.
  virtual void ReopenMailbox() = 0;
  virtual void StopNetworkServer() = 0;
  // A UPS another computer serves is followed by a thread of its own (a
  // second call follows with the new settings). Stopping logs out first,
  // so that the server's primary stops waiting for this computer.
  virtual void FollowNetworkUps(const NetworkUpsSettings& settings) = 0;
  virtual void StopFollowing() = 0;
  virtual void CloseCountdownWindows() = 0;
  // The service may take the UPS back.
  virtual void ReleaseLine() = 0;
  virtual void RemoveTray() = 0;
  // False when Windows refused (no right to shut down, or said no).
  virtual bool ShutdownSystem(const ShutdownRequest& request) = 0;
  // The second way, for a request Windows accepted and did not act on.
  virtual void ForceSystemShutdown(const ShutdownRequest& request) = 0;
};

class ProgramRun : public TimerOwner {
 public:
  // Owns the shutdown watch's number in the parts' timer table.
  ProgramRun(ProgramParts& parts, TimerPort& timers, ConfigFile& config, RecordStore& store, ProgramRunPort& port);

  ProgramPhase Phase() const { return phase_; }
  bool Monitoring() const { return phase_ == ProgramPhase::Monitoring; }
  // Nothing is read, shown or recorded: the work has stopped, for good or
  // while Windows is asked to shut down.
  bool Quiet() const { return phase_ == ProgramPhase::ShuttingDown || phase_ == ProgramPhase::Ended; }

  // The line is ours: "  Program Start", the monitor, the schedules and the
  // network share. Only once, and only while waiting for the line.
  void Begin();
  // The service's monitoring holds the line from its start, and records its
  // own start and end.
  void BeginForService();
  // The settings dialog saved: the monitor takes the new line, the engine
  // the new link and history interval.
  void ApplySettings();
  // A count-down's end: the work stops, then Windows is asked to shut down.
  void EndAndShutDown();
  // Windows has begun to end the session: the shutdown asked is under way.
  void OnSessionEnding();
  // Every way out: the Exit command, the window's destruction, the end of
  // the session. Runs once; `how` says how boxes may still be shown.
  void End(NoticePhase how);

  // A tick of the main window's timers. While the program runs every owner
  // gets its own; while Windows is asked to shut down only the shutdown's
  // own timers do, and after the end none. False when the tick reached nobody.
  bool OnTick(unsigned id);
  void OnTimer(unsigned id) override;

 private:
  void StartMonitoring();
  void FollowIfNetwork(const LinkSettings& settings);
  void StopWork(NoticePhase how, bool working);
  void ResumeMonitoring();
  void AskOnceCommandsStarted();
  void AskForTheShutdown();
  void WatchTheShutdown();
  bool TickReaches(unsigned id) const;

  ProgramParts& parts_;
  TimerPort& timers_;
  ConfigFile& config_;
  RecordStore& store_;
  ProgramRunPort& port_;
  ProgramPhase phase_ = ProgramPhase::WaitingForLine;
  bool following_ = false;  // a network UPS's follower runs
  NetworkUpsSettings followed_;
  ShutdownRequest shutdown_;  // the one asked, kept for asking again
  bool askedAgain_ = false;   // once, after the watch
  int commandStartLooks_ = 0;  // how often the shutdown looked whether its commands started
};

}  // namespace voltaris
