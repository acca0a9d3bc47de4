#include "power/countdowns.h"

#include "config/settings.h"
#include "i18n/catalogue.h"
#include "power/timer_ids.h"
#include "res/command_ids.h"

namespace voltaris {
namespace {

constexpr unsigned kTickMs = 1000;

}  // namespace

std::string CountLine(const CountdownPicture& picture) {
  return picture.countPrefix + std::to_string(picture.seconds) + picture.countSuffix;
}

// ---- Battery low ---------------------------------------------------------------

void BatteryLowCountdown::OwnTimers(TimerTable& table) {
  table.Own(kTimerBatteryLowOpen, *this);
  table.Own(kTimerBatteryLowCountdown, *this);
}

void BatteryLowCountdown::OnTimer(unsigned id) {
  if (id == kTimerBatteryLowOpen) Open();
  if (id == kTimerBatteryLowCountdown) Tick();
}

int BatteryLowCountdown::FullSeconds() const { return ReadWarningTimes(c_.config).batteryLowMinutes * 60; }

void BatteryLowCountdown::Open() {
  if (c_.views.IsOpen(CountdownWindow::BatteryLow)) return;
  c_.views.Open(CountdownWindow::BatteryLow);
  if (s_.logOnOpen) {
    c_.records.IncrementDailyCount(DailyColumn::BatteryLow);
    c_.events.Announce({PowerEventKind::BatteryLow, Tr(Text::BatteryLowEvent), s_.reload ? FullSeconds() : s_.remaining,
                        ShutdownCause::BatteryLow});
  }
  c_.timers.Arm(kTimerBatteryLowCountdown, kTickMs);
  s_.counting = true;
  notes_.batteryLowOpened = true;
  c_.timers.Kill(kTimerBatteryLowOpen);
}

void BatteryLowCountdown::Tick() {
  if (TakeOneSecond(s_.remaining, s_.reload, [this] { return FullSeconds(); }) == 1) {
    s_.logOnOpen = true;
    s_.counting = false;
    c_.views.Close(CountdownWindow::BatteryLow);
    c_.shutdown.EndAndShutDown(ShutdownReason::BatteryLow);
    return;
  }
  s_.logOnOpen = false;
  if (c_.power.batteryLow) {
    if (!c_.views.IsOpen(CountdownWindow::BatteryLow)) return;  // hidden by OK: the count goes on
    c_.views.Blink(CountdownWindow::BatteryLow, Triangle::Red);
    if (!s_.logged) c_.records.AppendEvent(Tr(Text::BatteryLowEvent));
    s_.logged = true;
    return;
  }
  // The battery recovered, whether the window shows or was hidden by OK.
  c_.power.batteryLowWarningArmed = 1;
  EndCount();
}

// The count stops and its window goes; the next one starts from the full time.
void BatteryLowCountdown::EndCount() {
  s_.reload = true;
  s_.logOnOpen = true;
  s_.counting = false;
  c_.timers.Kill(kTimerBatteryLowCountdown);
  c_.views.Close(CountdownWindow::BatteryLow);
}

CountdownPicture BatteryLowCountdown::Picture() const {
  const AlarmMessages messages = ReadAlarmMessages(c_.config);
  CountdownPicture picture;
  if (c_.power.batteryLow && s_.remaining != 0) {
    picture.countSuffix = Tr(Text::BatteryLowSeconds);  // a capital S in French
    picture.alarmLine = messages.batteryLow;
    picture.showCount = true;
    picture.seconds = s_.remaining;
  } else if (!c_.power.batteryLow) {
    picture.normalLine = messages.batteryRestored;
  }
  return picture;
}

// While the battery stays low, the next reply arms the opening timer again,
// so the window comes back with the count where it was.
void BatteryLowCountdown::OnOk() {
  c_.views.Close(CountdownWindow::BatteryLow);
  c_.power.batteryLowWarningArmed = 1;
  if (c_.power.batteryLow) return;
  s_.logOnOpen = true;
  s_.counting = false;
  c_.timers.Kill(kTimerBatteryLowCountdown);
}

void BatteryLowCountdown::ResetAfterRefusedShutdown() {
  c_.power.batteryLowWarningArmed = 1;
  c_.timers.Kill(kTimerBatteryLowOpen);
  EndCount();
}

void BatteryLowCountdown::StopForMainsBack() {
  EndCount();
  // The count is gone with its timer: a later low battery must be warned of
  // again (while the battery still reads low, the next reply would only
  // reopen the window the mains' return closes).
  if (!c_.power.batteryLow) c_.power.batteryLowWarningArmed = 1;
  s_.remaining = FullSeconds();
}

// ---- Mains failure ---------------------------------------------------------------

void MainsFailCountdown::OwnTimers(TimerTable& table) {
  table.Own(kTimerMainsFailDelay, *this);
  table.Own(kTimerMainsFailCountdown, *this);
}

void MainsFailCountdown::OnTimer(unsigned id) {
  if (id == kTimerMainsFailDelay) Open();
  if (id == kTimerMainsFailCountdown) Tick();
}

int MainsFailCountdown::FullSeconds() const { return ReadWarningTimes(c_.config).batteryMinutes * 60; }

// An open window keeps the opening timer running: it opens once the window is gone.
void MainsFailCountdown::Open() {
  if (c_.views.IsOpen(CountdownWindow::MainsFail)) return;
  c_.views.Open(CountdownWindow::MainsFail);
  if (s_.logOnOpen) {
    c_.records.AppendEvent(Tr(Text::AcFailEvent));
    c_.records.IncrementDailyCount(DailyColumn::AcFail);
    c_.events.Announce({PowerEventKind::MainsFailed, Tr(Text::AcFailEvent),
                        c_.power.mainsSeen ? FullSeconds() : s_.remaining, ShutdownCause::MainsFailed});
  }
  s_.restorePending = true;
  s_.counting = true;
  c_.timers.Arm(kTimerMainsFailCountdown, kTickMs);
  c_.timers.Kill(kTimerMainsFailDelay);
  AfterDrawing();
}

// The count runs only while the mains are absent: every reply with the
// mains normal sets mainsSeen, which loads the full battery time again.
void MainsFailCountdown::Tick() {
  if (TakeOneSecond(s_.remaining, c_.power.mainsSeen, [this] { return FullSeconds(); }) == 1) {
    s_.logOnOpen = true;
    s_.counting = false;
    c_.views.Close(CountdownWindow::MainsFail);
    c_.shutdown.EndAndShutDown(ShutdownReason::MainsFailed);
    return;
  }
  s_.logOnOpen = false;
  if (RuntimeBelowMargin()) {
    EndOnRuntime();
    return;
  }
  if (s_.restoredTicks == kRestoredTicksToClose && !c_.power.mainsFailed) {
    EndFailure();
    return;
  }
  // A window hidden by OK counts the mains' return all the same, so that
  // the failure ends (and is recorded so) while nobody looks.
  const bool shown = c_.views.IsOpen(CountdownWindow::MainsFail);
  if (c_.power.mainsFailed) {
    if (shown) c_.views.Blink(CountdownWindow::MainsFail, Triangle::Red);
    s_.restoredTicks = 0;
  } else {
    if (shown) c_.views.Blink(CountdownWindow::MainsFail, Triangle::Yellow);
    ++s_.restoredTicks;
    s_.remaining = FullSeconds();
    if (s_.restorePending) {
      s_.logOnOpen = true;
      c_.records.AppendEvent(Tr(Text::AcRestoreEvent));
      c_.events.Announce({PowerEventKind::MainsBack, Tr(Text::AcRestoreEvent)});
      s_.restorePending = false;
      s_.runtimeEnded = false;
    }
  }
  AfterDrawing();
}

// Only on battery, and only when asked for: without the setting the count
// runs as it always did.
bool MainsFailCountdown::RuntimeBelowMargin() const {
  if (!runtime_ || !c_.power.mainsFailed || s_.runtimeEnded) return false;
  const RuntimeSettings settings = ReadRuntimeSettings(c_.config);
  const RuntimeEstimate estimate = runtime_->Runtime();
  return settings.shutdownOnRuntime && estimate.known && estimate.onBattery &&
         estimate.seconds < settings.marginMinutes * 60;
}

// Ends the count as its end would, saying why; its tick stops, so the
// shutdown is asked for once (a refused one resets the count as usual).
void MainsFailCountdown::EndOnRuntime() {
  s_.logOnOpen = true;
  s_.counting = false;
  s_.runtimeEnded = true;
  c_.timers.Kill(kTimerMainsFailCountdown);
  c_.views.Close(CountdownWindow::MainsFail);
  c_.records.AppendEvent(Tr(Text::RuntimeLowEvent));
  c_.shutdown.EndAndShutDown(ShutdownReason::RuntimeLow);
}

// The mains have been back long enough: the count stops, the window goes
// and does not come back, and the next failure is warned of and counted
// afresh.
void MainsFailCountdown::EndFailure() {
  s_.logOnOpen = true;
  s_.restoredTicks = 0;
  s_.counting = false;
  c_.power.firstMainsWarningArmed = 1;
  c_.power.repeatMainsWarningArmed = 0;
  c_.timers.Kill(kTimerMainsFailDelay);
  c_.timers.Kill(kTimerMainsFailCountdown);
  c_.views.Close(CountdownWindow::MainsFail);
}

// A failure still going on is warned of again, but not recorded or counted
// again: it is the same failure. Its return is still owed, and no reply came
// while Windows was asked to shut down (for up to minutes), so the mains'
// state is not known: the count goes on watching, its window closed. Mains
// that came back meanwhile are recorded at the next reply, and the next
// failure counts afresh; mains still failing open the window again.
void MainsFailCountdown::ResetAfterRefusedShutdown() {
  const bool returnOwed = s_.restorePending;
  EndFailure();
  c_.power.mainsSeen = 1;  // the next count starts from the full battery time
  if (!returnOwed) return;
  s_.logOnOpen = false;
  s_.restorePending = true;
  s_.counting = true;
  c_.timers.Arm(kTimerMainsFailCountdown, kTickMs);
}

// The window drawn with the mains back also ends a battery-low count.
void MainsFailCountdown::AfterDrawing() {
  if (!c_.power.mainsFailed) batteryLow_.StopForMainsBack();
}

CountdownPicture MainsFailCountdown::Picture() const {
  const AlarmMessages messages = ReadAlarmMessages(c_.config);
  CountdownPicture picture;
  if (c_.power.mainsFailed && s_.remaining != 0) {
    picture.alarmLine = messages.acFail;
    picture.showCount = true;
    picture.seconds = s_.remaining;
    if (runtime_) picture.runtimeLine = RuntimeText(runtime_->Runtime());
  } else if (!c_.power.mainsFailed) {
    picture.normalLine = messages.acRestored;
  }
  return picture;
}

// During a failure the count goes on and the window comes back after
// ShutAlarmTimeMessage seconds.
void MainsFailCountdown::OnOk() {
  c_.views.Close(CountdownWindow::MainsFail);
  c_.power.repeatMainsWarningArmed = 1;
  if (!c_.power.mainsFailed) EndFailure();
}

void MainsFailCountdown::OnPressOutsideOk() { c_.power.repeatMainsWarningArmed = 0; }

// ---- Manual ------------------------------------------------------------------

void ManualCountdown::OwnTimers(TimerTable& table) { table.Own(kTimerManualShutdown, *this); }

void ManualCountdown::Start() {
  if (c_.views.IsOpen(CountdownWindow::Manual)) return;
  c_.views.Open(CountdownWindow::Manual);
  c_.timers.Arm(kTimerManualShutdown, kTickMs);
  s_.counting = true;
  menus_.SetCommandEnabled(IDC_CANCEL_SHUTDOWN, true);
  menus_.SetCommandEnabled(IDC_SHUTDOWN_SYSTEM, false);
  c_.events.Announce({PowerEventKind::ShutdownWarning, Tr(Text::NoticeManualShutdown), s_.remaining, ShutdownCause::Manual});
}

void ManualCountdown::OnTimer(unsigned) {
  if (c_.views.IsOpen(CountdownWindow::Manual)) c_.views.Blink(CountdownWindow::Manual, Triangle::Red);
  if (--s_.remaining != 0) return;
  c_.records.AppendClosedApp();
  s_.counting = false;
  c_.views.Close(CountdownWindow::Manual);
  c_.shutdown.EndAndShutDown(ShutdownReason::Manual);
}

void ManualCountdown::Cancel() {
  menus_.SetCommandEnabled(IDC_CANCEL_SHUTDOWN, false);
  menus_.SetCommandEnabled(IDC_SHUTDOWN_SYSTEM, true);
  s_.remaining = ManualState::kSeconds;
  s_.counting = false;
  c_.views.Close(CountdownWindow::Manual);
  c_.timers.Kill(kTimerManualShutdown);
}

CountdownPicture ManualCountdown::Picture() const {
  CountdownPicture picture;
  picture.showCount = true;
  picture.seconds = s_.remaining;
  return picture;
}

void ManualCountdown::OnOk() { c_.views.Close(CountdownWindow::Manual); }

}  // namespace voltaris
