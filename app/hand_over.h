// Who reads the UPS's line: the service, while nobody is logged on, or the
// desktop program once someone is. A named mutex says who; only its holder
// opens the serial port or the link library, so the two never read at once.
// These are the two sides' decisions, as plain state machines; the Win32
// layer (app/line_keeper_win, app/service_win) waits on the kernel objects
// and carries the decisions out.
#pragma once

namespace voltaris {

// ---- The desktop program -------------------------------------------------------

enum class DesktopLine {
  Asking,          // the service was asked to let go and has not yet
  ServiceBusy,     // the service is handling a power event and keeps the line until it ends
  ServiceSilent,   // asked long ago, neither busy nor letting go: the user is told
  Holding,         // ours: monitoring may start
};

class DesktopHandOver {
 public:
  // The longest a service that is not busy may take to let go: longer than
  // it gives its monitoring to end in order before ending it.
  static constexpr unsigned kAnswerBoundMs = 30000;

  DesktopLine Line() const { return line_; }
  // The line was free at once, or the service let it go.
  void OnTaken() { line_ = DesktopLine::Holding; }
  // Another look while waiting for it, `elapsedMs` after the last. A busy
  // service restarts the bound: its time counts once it is free again.
  DesktopLine OnWaited(unsigned elapsedMs, bool serviceBusy);

 private:
  DesktopLine line_ = DesktopLine::Asking;
  unsigned waitedMs_ = 0;
};

// ---- The service -------------------------------------------------------------------

// What the service must do next.
enum class ServiceStep {
  Nothing,
  StartMonitor,  // start the monitoring program (the line is the service's)
  EndMonitor,    // ask it to end in order
  KillMonitor,   // it did not end within its bound
  ReleaseLine,   // it has ended: the desktop may take the line
};

enum class ServiceLine { Waiting, Monitoring, Deferring, Ending, Released };

class ServiceHandOver {
 public:
  // How long the monitoring program gets to write its rows and close the port.
  static constexpr unsigned kEndBoundMs = 20000;

  ServiceLine Line() const { return line_; }
  // The service holds the line (at start, after the desktop let it go or died).
  ServiceStep OnLineTaken();
  // A look every so often. `desktopAsks`: a desktop program asks for the
  // line (it says so until it has it, or gives up); `busy`: a power event
  // is under way, which keeps the line here until it ends;
  // `monitorRunning`: the monitoring program still runs.
  ServiceStep OnLook(unsigned elapsedMs, bool desktopAsks, bool busy, bool monitorRunning);
  // The line was let go; the service waits for it again.
  void OnReleased() { line_ = ServiceLine::Waiting; }

 private:
  ServiceStep EndMonitoring();

  ServiceLine line_ = ServiceLine::Waiting;
  unsigned endingMs_ = 0;
  bool killed_ = false;
};

// The service's monitoring program, when it cannot start or ends by itself:
// started again after a pause that doubles from 5 s up to 5 minutes, so
// that one that fails at once neither spins nor is given up on, and that
// comes back to 5 s once a start has run for 10 minutes. Times are a
// millisecond tick that may wrap (GetTickCount).
class MonitorRestarts {
 public:
  static constexpr unsigned kFirstPauseMs = 5000;
  static constexpr unsigned kLongestPauseMs = 300000;
  static constexpr unsigned kSteadyRunMs = 600000;

  bool MayStart(unsigned nowMs) const { return nowMs - sinceMs_ >= pauseMs_; }
  void OnStarted(unsigned nowMs) { startedMs_ = sinceMs_ = nowMs; running_ = true; }
  // A start that failed, or a run that ended without being asked to.
  void OnFailed(unsigned nowMs);
  // A run ended as asked (the line handed over, the service stopping): no
  // failure, and the next start needs no pause.
  void OnEndedAsAsked(unsigned nowMs);
  // Before the next start.
  unsigned PauseMs() const { return pauseMs_; }

 private:
  bool RanSteadily(unsigned nowMs) const;

  unsigned pauseMs_ = 0;  // the first start is at once
  unsigned sinceMs_ = 0;
  unsigned startedMs_ = 0;
  bool running_ = false;
};

}  // namespace voltaris
