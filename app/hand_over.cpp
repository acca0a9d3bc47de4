#include "app/hand_over.h"

namespace voltaris {

DesktopLine DesktopHandOver::OnWaited(unsigned elapsedMs, bool serviceBusy) {
  if (line_ == DesktopLine::Holding) return line_;
  if (serviceBusy) {
    waitedMs_ = 0;
    line_ = DesktopLine::ServiceBusy;
    return line_;
  }
  waitedMs_ += elapsedMs;
  line_ = waitedMs_ >= kAnswerBoundMs ? DesktopLine::ServiceSilent : DesktopLine::Asking;
  return line_;
}

ServiceStep ServiceHandOver::OnLineTaken() {
  line_ = ServiceLine::Monitoring;
  return ServiceStep::StartMonitor;
}

ServiceStep ServiceHandOver::EndMonitoring() {
  line_ = ServiceLine::Ending;
  endingMs_ = 0;
  killed_ = false;
  return ServiceStep::EndMonitor;
}

ServiceStep ServiceHandOver::OnLook(unsigned elapsedMs, bool desktopAsks, bool busy, bool monitorRunning) {
  switch (line_) {
    case ServiceLine::Monitoring:
      // A monitoring program that died is started again: nobody else
      // watches. Unless a desktop program asks: then it is the one to watch,
      // rather than wait for a program that may fail again and again.
      if (!monitorRunning) {
        if (!desktopAsks) return ServiceStep::StartMonitor;
        line_ = ServiceLine::Released;
        return ServiceStep::ReleaseLine;
      }
      if (!desktopAsks) return ServiceStep::Nothing;
      if (!busy) return EndMonitoring();
      line_ = ServiceLine::Deferring;
      return ServiceStep::Nothing;
    case ServiceLine::Deferring:
      if (!monitorRunning) {  // the power event ended in the system's shutdown, or it died
        line_ = ServiceLine::Released;
        return ServiceStep::ReleaseLine;
      }
      if (!desktopAsks) {  // the desktop program gave up (it ended meanwhile)
        line_ = ServiceLine::Monitoring;
        return ServiceStep::Nothing;
      }
      return busy ? ServiceStep::Nothing : EndMonitoring();
    case ServiceLine::Ending:
      if (!monitorRunning) {
        line_ = ServiceLine::Released;
        return ServiceStep::ReleaseLine;
      }
      endingMs_ += elapsedMs;
      if (endingMs_ < kEndBoundMs || killed_) return ServiceStep::Nothing;
      killed_ = true;
      return ServiceStep::KillMonitor;
    case ServiceLine::Waiting:
    case ServiceLine::Released: return ServiceStep::Nothing;
  }
  return ServiceStep::Nothing;
}

bool MonitorRestarts::RanSteadily(unsigned nowMs) const { return running_ && nowMs - startedMs_ >= kSteadyRunMs; }

void MonitorRestarts::OnEndedAsAsked(unsigned nowMs) {
  if (RanSteadily(nowMs)) pauseMs_ = 0;
  running_ = false;
  sinceMs_ = nowMs - pauseMs_;  // a start after a hand-over is at once
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
