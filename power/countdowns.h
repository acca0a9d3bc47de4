// The three shutdown count-downs: the mains failure, the low battery and the
// one the user asks for. Each counts in a timer of the main window, so the
// count goes on when its window is closed with OK; only the mains' return,
// the battery's recovery or Cancel stop one. Each ends in a system shutdown.
#pragma once

#include "base/timer_table.h"
#include "power/battery_watch.h"
#include "config/config_file.h"
#include "power/countdown_ports.h"
#include "power/engine_ports.h"
#include "power/history_recorder.h"
#include "power/power_events.h"
#include "power/power_state.h"
#include "power/record_keeper.h"
#include "power/shutdown_gate.h"

namespace voltaris {

// Takes one second off a count, loading its full length first when `reload`
// says so (and clearing it). Returns the value taken: 1 means the count has
// just run out.
template <typename Flag, typename FullSeconds>
int TakeOneSecond(int& remaining, Flag& reload, FullSeconds fullSeconds) {
  const int taken = reload ? fullSeconds() : remaining;
  reload = false;
  remaining = taken - 1;
  return taken;
}

// What every count-down uses.
struct CountdownContext {
  TimerPort& timers;
  CountdownViews& views;
  RecordKeeper& records;
  const ConfigFile& config;
  PowerState& power;
  ShutdownGate& shutdown;
  const PowerEvents& events;
};

// ---- Battery low ---------------------------------------------------------------

struct BatteryLowState {
  int remaining = 0;   // seconds
  bool reload = true;  // the next tick loads the full BatteryEndTime first
  bool logOnOpen = true;
  bool logged = false;  // "  BatteryLow Low!" is written once per run
  bool counting = false;
  bool warningArmed = true;  // a low battery opens the window 200 ms after the status saying so
  // The mains' return ended the count while the battery still read low: it
  // is warned of again once it reads normal, or at once when the mains fail
  // again before it does.
  bool heldByMains = false;
};

class BatteryLowCountdown : public TimerOwner, public ShutdownCount, public SupplyListener {
 public:
  BatteryLowCountdown(CountdownContext context, HistoryNotes& notes) : c_(context), notes_(notes) {}
  void OwnTimers(TimerTable& table);
  void OnTimer(unsigned id) override;
  void OnSupply(const Supply& supply) override;
  CountdownPicture Picture() const;
  void OnOk();
  // The mains are back: the battery-low count stops and its window closes.
  void StopForMainsBack();
  // The system shutdown it asked for was refused: ready to count again.
  void ResetAfterRefusedShutdown();
  const BatteryLowState& State() const { return s_; }
  bool Counting() const override { return s_.counting; }
  // Until this count's shutdown; -1 while it does not count.
  int SecondsLeft() const { return !s_.counting ? -1 : s_.reload ? FullSeconds() : s_.remaining; }

 private:
  void Open();
  void Tick();
  void EndCount();
  int FullSeconds() const;

  CountdownContext c_;
  HistoryNotes& notes_;
  BatteryLowState s_;
};

// ---- Mains failure ---------------------------------------------------------------

struct MainsFailState {
  int remaining = 0;  // seconds
  int restoredTicks = 0;
  bool logOnOpen = true;
  bool restorePending = false;
  bool counting = false;
  bool runtimeEnded = false;  // this failure's count was ended on the estimate: once, even if refused
  int ticksBelowMargin = 0;   // running, with the estimate below the margin
  bool mainsSeen = true;  // the mains were normal at a status since the count last used it: it reloads
  bool firstWarningArmed = true;    // a failure opens the window after CutACTimeMessage
  bool repeatWarningArmed = false;  // ... and again after ShutAlarmTimeMessage once closed with OK
  bool warningPending = false;      // the window's opening timer runs
};

class MainsFailCountdown : public TimerOwner, public ShutdownCount, public SupplyListener {
 public:
  static constexpr int kRestoredTicksToClose = 4;
  static constexpr int kRuntimeTicksToEnd = 3;

  // `runtime`: the battery's estimate, shown beside the count and, when the
  // settings ask, ending the count once it falls below its margin.
  MainsFailCountdown(CountdownContext context, BatteryLowCountdown& batteryLow,
                     const RuntimeSource* runtime = nullptr)
      : c_(context), batteryLow_(batteryLow), runtime_(runtime) {}
  void OwnTimers(TimerTable& table);
  void OnTimer(unsigned id) override;
  void OnSupply(const Supply& supply) override;
  CountdownPicture Picture() const;
  void OnOk();
  void OnPressOutsideOk();
  // The system shutdown was refused: a failure still going on is warned of
  // and counted afresh.
  void ResetAfterRefusedShutdown();
  const MainsFailState& State() const { return s_; }
  bool Counting() const override { return s_.counting; }
  bool WarningPending() const override { return s_.warningPending; }
  int SecondsLeft() const { return !s_.counting ? -1 : s_.mainsSeen ? FullSeconds() : s_.remaining; }

 private:
  void ArmWarning(unsigned delayMs);
  void Open();
  void Tick();
  void EndFailure();
  void AfterDrawing();
  int FullSeconds() const;
  bool RuntimeBelowMargin();
  void EndOnRuntime();

  CountdownContext c_;
  BatteryLowCountdown& batteryLow_;
  const RuntimeSource* runtime_;
  MainsFailState s_;
};

// ---- Manual ------------------------------------------------------------------

struct ManualState {
  static constexpr int kSeconds = 10;
  int remaining = kSeconds;
  bool counting = false;
};

class ManualCountdown : public TimerOwner, public ShutdownCount {
 public:
  ManualCountdown(CountdownContext context, MenuPort& menus) : c_(context), menus_(menus) {}
  void OwnTimers(TimerTable& table);
  void OnTimer(unsigned id) override;
  // "ShutDown System" (40012) and "Cancel Shutdown System" (40013).
  void Start();
  void Cancel();
  CountdownPicture Picture() const;
  void OnOk();
  const ManualState& State() const { return s_; }
  bool Counting() const override { return s_.counting; }

 private:
  CountdownContext c_;
  MenuPort& menus_;
  ManualState s_;
};

}  // namespace voltaris
