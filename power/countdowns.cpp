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

// Each status with the battery low opens the window, unless it is open,
// hidden with its count running or held by the mains' return.
void BatteryLowCountdown::OnSupply(const Supply& supply) {
  if (s_.heldByMains && (!supply.batteryLow || supply.mainsFailed)) {
    s_.heldByMains = false;
    s_.warningArmed = true;
  }
  if (!supply.batteryLow || !s_.warningArmed) return;
  c_.timers.Arm(kTimerBatteryLowOpen, kBatteryLowOpenDelayMs);
  s_.warningArmed = false;
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
  c_.power.Apply(PowerInput::BatteryCountStarted);
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
  if (c_.power.Now().batteryLow) {
    if (!c_.views.IsOpen(CountdownWindow::BatteryLow)) return;  // hidden by OK: the count goes on
    c_.views.Blink(CountdownWindow::BatteryLow, Triangle::Red);
    if (!s_.logged) c_.records.AppendEvent(Tr(Text::BatteryLowEvent));
    s_.logged = true;
    return;
  }
  // The battery recovered, whether the window shows or was hidden by OK.
  s_.warningArmed = true;
  EndCount();
}

// The count stops and its window goes; the next one starts from the full time.
void BatteryLowCountdown::EndCount() {
  s_.reload = true;
  s_.logOnOpen = true;
  s_.counting = false;
  c_.timers.Kill(kTimerBatteryLowCountdown);
  c_.views.Close(CountdownWindow::BatteryLow);
  c_.power.Apply(PowerInput::CountEnded);
}

CountdownPicture BatteryLowCountdown::Picture() const {
  const AlarmMessages messages = ReadAlarmMessages(c_.config);
  CountdownPicture picture;
  const bool low = c_.power.Now().batteryLow;
  if (low && s_.remaining != 0) {
    picture.countSuffix = Tr(Text::BatteryLowSeconds);  // a capital S in French
    picture.alarmLine = messages.batteryLow;
    picture.showCount = true;
    picture.seconds = s_.remaining;
  } else if (!low) {
    picture.normalLine = messages.batteryRestored;
  }
  return picture;
}

// While the battery stays low, the next reply arms the opening timer again,
// so the window comes back with the count where it was.
void BatteryLowCountdown::OnOk() {
  c_.views.Close(CountdownWindow::BatteryLow);
  s_.warningArmed = true;
  if (c_.power.Now().batteryLow) return;
  s_.logOnOpen = true;
  s_.counting = false;
  c_.timers.Kill(kTimerBatteryLowCountdown);
  c_.power.Apply(PowerInput::CountEnded);
}

void BatteryLowCountdown::ResetAfterRefusedShutdown() {
  s_.warningArmed = true;
  s_.heldByMains = false;
  c_.timers.Kill(kTimerBatteryLowOpen);
  EndCount();
}

void BatteryLowCountdown::StopForMainsBack() {
  const bool wasCounting = s_.counting;
  EndCount();
  // The count is gone with its timer: a later low battery must be warned of
  // again. While the battery still reads low on mains it is charging, and
  // the next status would only reopen the window the mains' return closes:
  // it is held until it reads normal or the mains fail again.
  if (!c_.power.Now().batteryLow) {
    s_.warningArmed = true;
  } else if (wasCounting || !s_.warningArmed) {
    s_.warningArmed = false;
    s_.heldByMains = true;
  }
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

// A failure arms the window's opening once; closed with OK during the
// failure, it comes back after ShutAlarmTimeMessage. Every status with the
// mains normal reloads the count.
void MainsFailCountdown::OnSupply(const Supply& supply) {
  if (!supply.mainsFailed) {
    s_.mainsSeen = true;
    return;
  }
  const WarningTimes times = ReadWarningTimes(c_.config);
  if (s_.firstWarningArmed) {
    ArmWarning(static_cast<unsigned>(times.cutAcSeconds) * 1000u);
    s_.firstWarningArmed = false;
  }
  if (s_.repeatWarningArmed) {
    ArmWarning(static_cast<unsigned>(times.repeatWarningSeconds) * 1000u);
    s_.repeatWarningArmed = false;
  }
}

void MainsFailCountdown::ArmWarning(unsigned delayMs) {
  c_.timers.Arm(kTimerMainsFailDelay, delayMs);
  s_.warningPending = true;
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
                        s_.mainsSeen ? FullSeconds() : s_.remaining, ShutdownCause::MainsFailed});
  }
  s_.restorePending = true;
  s_.counting = true;
  c_.timers.Arm(kTimerMainsFailCountdown, kTickMs);
  c_.timers.Kill(kTimerMainsFailDelay);
  s_.warningPending = false;
  c_.power.Apply(PowerInput::MainsWarningShown);
  AfterDrawing();
}

// The count runs only while the mains are absent: every reply with the
// mains normal sets mainsSeen, which loads the full battery time again.
void MainsFailCountdown::Tick() {
  if (TakeOneSecond(s_.remaining, s_.mainsSeen, [this] { return FullSeconds(); }) == 1) {
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
  const bool failed = c_.power.Now().mainsFailed;
  if (s_.restoredTicks == kRestoredTicksToClose && !failed) {
    EndFailure();
    return;
  }
  // A window hidden by OK counts the mains' return all the same, so that
  // the failure ends (and is recorded so) while nobody looks.
  const bool shown = c_.views.IsOpen(CountdownWindow::MainsFail);
  if (failed) {
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
// runs as it always did. Only a learnt estimate counts (the first guess
// knows nothing of this battery: BatteryTime and battery low decide until a
// discharge is learnt), at the load of the last half minute, below the
// margin for kRuntimeTicksToEnd ticks running.
bool MainsFailCountdown::RuntimeBelowMargin() {
  if (!runtime_ || !c_.power.Now().mainsFailed || s_.runtimeEnded) {
    s_.ticksBelowMargin = 0;  // a failure after this one counts its own ticks
    return false;
  }
  const RuntimeSettings settings = ReadRuntimeSettings(c_.config);
  const RuntimeEstimate estimate = runtime_->Runtime();
  const bool below = settings.shutdownOnRuntime && estimate.known && estimate.onBattery && estimate.learnt &&
                     estimate.secondsAtMeanLoad < settings.marginMinutes * 60;
  s_.ticksBelowMargin = below ? s_.ticksBelowMargin + 1 : 0;
  return s_.ticksBelowMargin >= kRuntimeTicksToEnd;
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
  s_.firstWarningArmed = true;
  s_.repeatWarningArmed = false;
  s_.warningPending = false;
  c_.timers.Kill(kTimerMainsFailDelay);
  c_.timers.Kill(kTimerMainsFailCountdown);
  c_.views.Close(CountdownWindow::MainsFail);
  c_.power.Apply(PowerInput::CountEnded);
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
  s_.mainsSeen = true;  // the next count starts from the full battery time
  if (!returnOwed) return;
  s_.logOnOpen = false;
  s_.restorePending = true;
  s_.counting = true;
  c_.timers.Arm(kTimerMainsFailCountdown, kTickMs);
}

// The window drawn with the mains back also ends a battery-low count.
void MainsFailCountdown::AfterDrawing() {
  if (!c_.power.Now().mainsFailed) batteryLow_.StopForMainsBack();
}

CountdownPicture MainsFailCountdown::Picture() const {
  const AlarmMessages messages = ReadAlarmMessages(c_.config);
  CountdownPicture picture;
  const bool failed = c_.power.Now().mainsFailed;
  if (failed && s_.remaining != 0) {
    picture.alarmLine = messages.acFail;
    picture.showCount = true;
    picture.seconds = s_.remaining;
    if (runtime_) picture.runtimeLine = RuntimeText(runtime_->Runtime());
  } else if (!failed) {
    picture.normalLine = messages.acRestored;
  }
  return picture;
}

// During a failure the count goes on and the window comes back after
// ShutAlarmTimeMessage seconds.
void MainsFailCountdown::OnOk() {
  c_.views.Close(CountdownWindow::MainsFail);
  s_.repeatWarningArmed = true;
  if (!c_.power.Now().mainsFailed) EndFailure();
}

void MainsFailCountdown::OnPressOutsideOk() { s_.repeatWarningArmed = false; }

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
