#include "app/monitor_restarts.h"

namespace voltaris {

bool MonitorRestarts::RanSteadily(unsigned nowMs) const { return running_ && nowMs - startedMs_ >= kSteadyRunMs; }

void MonitorRestarts::OnEndedAsAsked(unsigned nowMs) {
  if (RanSteadily(nowMs)) pauseMs_ = 0;
  running_ = false;
  sinceMs_ = nowMs - pauseMs_;  // the next start is at once
}

void MonitorRestarts::OnFailed(unsigned nowMs) {
  const bool ranSteadily = RanSteadily(nowMs);
  running_ = false;
  if (ranSteadily || pauseMs_ == 0) {
    pauseMs_ = kFirstPauseMs;
  } else {
    pauseMs_ = pauseMs_ >= kLongestPauseMs / 2 ? kLongestPauseMs : pauseMs_ * 2;
  }
  sinceMs_ = nowMs;
}

}  // namespace voltaris
