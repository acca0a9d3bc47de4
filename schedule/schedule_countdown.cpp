#include "schedule/schedule_countdown.h"

#include <algorithm>

#include "config/settings.h"
#include "i18n/catalogue.h"
#include "power/timer_ids.h"
#include "schedule/date_schedule.h"
#include "schedule/weekly_schedule.h"

namespace voltaris {
namespace {

// While the UPS does not answer, its return is looked for each second.
constexpr unsigned kLookWhileSilentMs = 1000;
// Otherwise the next look is when the first warning ahead begins, and at
// least this often, for a clock set or a settings file edited by hand.
constexpr std::int64_t kLookAtLeastEveryMs = 10000;
constexpr unsigned kOpenMs = 200;
constexpr unsigned kReopenMs = 5000;
constexpr unsigned kTickMs = 1000;

unsigned NextLookMs(std::optional<std::int64_t> secondsUntilWarning) {
  if (!secondsUntilWarning) return kLookAtLeastEveryMs;
  return static_cast<unsigned>(std::clamp<std::int64_t>(*secondsUntilWarning * 1000, kLookWhileSilentMs,
                                                        kLookAtLeastEveryMs));
}

}  // namespace

void ScheduleCountdown::OwnTimers(TimerTable& table) {
  for (unsigned id : {kTimerScheduleOpen, kTimerScheduleCountdown, kTimerScheduleDueCheck, kTimerScheduleConfirm}) {
    table.Own(id, *this);
  }
}

void ScheduleCountdown::Start() { c_.timers.Arm(kTimerScheduleDueCheck, kLookWhileSilentMs); }

void ScheduleCountdown::LookAgain() { CheckDue(); }

void ScheduleCountdown::SettingsChanging() {
  if (s_.armedOnce) c_.timers.Arm(kTimerScheduleDueCheck, kSettleMs);
}

void ScheduleCountdown::ResetAfterRefusedShutdown() {
  if (!s_.shutDown) return;
  for (unsigned id : {kTimerScheduleOpen, kTimerScheduleCountdown, kTimerScheduleConfirm}) c_.timers.Kill(id);
  s_ = ScheduleState{};
  Start();
}

void ScheduleCountdown::OnTimer(unsigned id) {
  switch (id) {
    case kTimerScheduleDueCheck: CheckDue(); break;
    case kTimerScheduleOpen: Open(); break;
    case kTimerScheduleCountdown: Tick(); break;
    case kTimerScheduleConfirm: GiveUpSwitchOff(); break;
    default: break;
  }
}

void ScheduleCountdown::CheckDue() {
  if (!s_.armedOnce) return;  // warned already: nothing more is looked for
  if (!linkUp_()) {
    c_.timers.Arm(kTimerScheduleDueCheck, kLookWhileSilentMs);
    return;
  }
  const ConfigFile settings = c_.config.Snapshot();  // one read of the file a look
  const int warningMinutes = ReadWarningTimes(settings).scheduleWarningMinutes;
  const WeeklySchedule weekly = ReadWeeklySchedule(settings);
  const SpecialSchedule special = ReadSpecialSchedule(settings);
  // Most looks find nothing due: the rows are gathered once for them.
  const auto until = SecondsUntilWarning(weekly, special, clock_, warningMinutes);
  const auto due = until == 0 ? FindScheduledShutdown(weekly, special, clock_, warningMinutes) : std::nullopt;
  if (!due) {
    c_.timers.Arm(kTimerScheduleDueCheck, NextLookMs(until));
    return;
  }
  s_.reload = false;
  s_.remaining = due->secondsLeft;
  s_.due = *due;
  s_.armedOnce = false;
  c_.timers.Kill(kTimerScheduleDueCheck);
  c_.timers.Arm(kTimerScheduleOpen, kOpenMs);
}

void ScheduleCountdown::Open() {
  c_.timers.Kill(kTimerScheduleOpen);
  if (s_.ending || c_.views.IsOpen(CountdownWindow::Schedule)) return;
  c_.views.Open(CountdownWindow::Schedule);
  if (s_.logOnOpen) {
    c_.records.AppendEvent(Tr(Text::ScheduleWarningEvent));
    c_.records.IncrementDailyCount(DailyColumn::ScheduleDown);
    c_.events.Announce({PowerEventKind::ShutdownWarning, Tr(Text::ScheduleWarningEvent), s_.remaining,
                        ShutdownCause::Schedule});
  }
  c_.timers.Arm(kTimerScheduleCountdown, kTickMs);
}

void ScheduleCountdown::Tick() {
  if (s_.ending) return;
  const auto fullSeconds = [this] { return ReadWarningTimes(c_.config).scheduleWarningMinutes * 60; };
  if (TakeOneSecond(s_.remaining, s_.reload, fullSeconds) == 1) {
    EndStep();
    return;
  }
  s_.logOnOpen = false;
  if (c_.views.IsOpen(CountdownWindow::Schedule)) c_.views.Blink(CountdownWindow::Schedule, Triangle::Red);
}

// Computers following this UPS over the network go down first; then the
// UPS is told when to switch off and on again, and this computer goes down
// only once that command is on the line (or the wait for it is over).
void ScheduleCountdown::EndStep() {
  s_.ending = true;
  c_.timers.Kill(kTimerScheduleCountdown);
  c_.timers.Kill(kTimerScheduleOpen);  // a window hidden by OK stays hidden
  c_.shutdown.SwitchOffThenShutDown([this] { SendSwitchOff(); });
}

void ScheduleCountdown::SendSwitchOff() {
  const ConfigFile settings = c_.config.Snapshot();
  const auto command = ScheduledSwitchOff(ReadWeeklySchedule(settings), ReadSpecialSchedule(settings), s_.due,
                                          ReadWarningTimes(settings).upsOffDelaySeconds, clock_);
  if (!command || !upsIsOurs_()) {
    ShutDown(false);
    return;
  }
  s_.switchOffId = s_.sentSwitchOffId = monitor_.SendControl(*command);
  monitor_.EnableSerialRead();
  c_.timers.Arm(kTimerScheduleConfirm, kConfirmMs);
}

// A switch-off the link library could send only in part may still switch
// the UPS off (the unit holds its start, and the rest goes out before
// anything else): recorded, even when it comes after the wait for it was
// over, and the UPS taken as switching off, as for one written whole.
void ScheduleCountdown::OnControlWritten(unsigned id, bool written, bool uncertain) {
  if (id == 0 || !written) return;
  if (uncertain && id == s_.sentSwitchOffId) {
    s_.sentSwitchOffId = 0;  // once
    c_.records.AppendEvent(Tr(Text::SwitchOffMayHaveBeenSentEvent));
  }
  if (id != s_.switchOffId) return;
  s_.switchOffId = 0;
  c_.timers.Kill(kTimerScheduleConfirm);
  ShutDown(true);
}

// The UPS could not be told in time: take the command back so that it cannot
// reach the UPS later (Windows may yet refuse to go down), and shut down all
// the same. Only a command that is sure to stay off the line is recorded as
// not sent; one whose write has begun may be switching the UPS off, and what
// its write says is waited for once more, bounded, then shut down on.
void ScheduleCountdown::GiveUpSwitchOff() {
  c_.timers.Kill(kTimerScheduleConfirm);
  if (s_.switchOffId == 0) return;
  if (s_.writeWaitExtended) {  // its write never said how it went
    s_.switchOffId = 0;
    ShutDown(true);
    return;
  }
  if (!monitor_.WithdrawControl(s_.switchOffId)) {
    s_.writeWaitExtended = true;  // the write has begun: its outcome comes within the library's bound
    c_.timers.Arm(kTimerScheduleConfirm, kWriteUnderWayMs);
    return;
  }
  s_.switchOffId = 0;
  c_.records.AppendEvent(Tr(Text::SwitchOffCommandNotSentEvent));
  ShutDown(false);
}

// Once per run: a late report of the command cannot shut down again.
void ScheduleCountdown::ShutDown(bool switchOffReachedUps) {
  c_.views.Close(CountdownWindow::Schedule);
  if (s_.shutDown) return;
  s_.shutDown = true;
  c_.shutdown.SwitchOffDone(switchOffReachedUps);
}

CountdownPicture ScheduleCountdown::Picture() const {
  CountdownPicture picture;
  picture.alarmLine = Tr(Text::ScheduleWarning);
  picture.countPrefix = Tr(Text::ScheduleShutdownAfter);
  picture.alarmX = picture.countX = 30;
  picture.showCount = s_.remaining != 0;
  picture.seconds = s_.remaining;
  return picture;
}

// The count goes on; the window comes back five seconds later.
void ScheduleCountdown::OnOk() {
  c_.views.Close(CountdownWindow::Schedule);
  c_.timers.Arm(kTimerScheduleOpen, kReopenMs);
}

}  // namespace voltaris
