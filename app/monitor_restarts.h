// The service's monitoring program is the only reader of the UPS: one that
// cannot start, or ends by itself, is started again, paced so that one that
// fails at once neither spins nor is given up on.
#pragma once

namespace voltaris {

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
  // A run ended as asked (the service stopping): no failure, and the next
  // start needs no pause.
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
