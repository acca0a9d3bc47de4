// The scheduled shutdown: while the UPS answers, a look whether the warning
// period of a weekly row or a special date has begun, at the second it is to
// begin and every few seconds meanwhile; then the warning window counting
// down to the shutdown time, and at its end the switch-off-and-restore
// command to the UPS, confirmed written before Windows is shut down. At most
// one per run of the program; nothing cancels it.
#pragma once

#include <functional>

#include "power/countdowns.h"
#include "power/engine_ports.h"
#include "power/power_policy.h"
#include "schedule/scheduled_shutdown.h"

namespace voltaris {

struct ScheduleState {
  bool armedOnce = true;  // cleared when the warning is armed; set again only after a refused shutdown
  bool reload = true;     // the first tick loads ShutTimeMessage x 60
  int remaining = 0;      // seconds
  bool logOnOpen = true;
  ScheduledShutdown due;  // the rows whose shutdown is due
  unsigned switchOffId = 0;  // the switch-off command waiting to be written; 0: none
  unsigned sentSwitchOffId = 0;  // the switch-off command sent, written or not; 0: none
  bool ending = false;
  bool shutDown = false;  // the system shutdown has been asked for
  bool writeWaitExtended = false;  // the command's write was under way at the end of the wait: waited for once more
};

class ScheduleCountdown : public TimerOwner, public RefusableCount {
 public:
  static constexpr unsigned kConfirmMs = 5000;
  // A write under way when kConfirmMs is over is waited for this much more:
  // the link library's calls end within about four seconds, and what the
  // write says (sent, or perhaps sent) must be recorded before the end.
  static constexpr unsigned kWriteUnderWayMs = 5000;
  static constexpr unsigned kSettleMs = 5000;

  // `linkUp`: whether the UPS answers now.
  ScheduleCountdown(CountdownContext context, MonitorPort& monitor, const LocalClock& clock,
                    std::function<bool()> linkUp)
      : c_(context), monitor_(monitor), clock_(clock), linkUp_(std::move(linkUp)) {}
  void OwnTimers(TimerTable& table);
  // A UPS another computer serves is not ours to switch off: its scheduled
  // shutdowns take this computer down only.
  void SwitchOffOnlyWhen(std::function<bool()> upsIsOurs) { upsIsOurs_ = std::move(upsIsOurs); }
  // Starts looking for due shutdowns (at the program's start).
  void Start();
  // The schedule or its warning time may have changed: looked at now.
  void LookAgain();
  // Settings are being saved key by key (from a window on the service): no
  // look until they have stopped coming for kSettleMs, so that a row half
  // written (its new time with its old date) is never taken for a due one.
  void SettingsChanging();
  // A scheduled shutdown has been warned of and goes on to its end.
  bool Counting() const override { return !s_.armedOnce || s_.ending; }
  void OnTimer(unsigned id) override;
  // `uncertain`: the switch-off may have reached the UPS in part only.
  void OnControlWritten(unsigned id, bool written, bool uncertain = false);
  CountdownPicture Picture() const;
  void OnOk();
  // The system shutdown it asked for was refused: later rows are looked
  // for again, as the program goes on.
  void ResetAfterRefusedShutdown() override;
  const ScheduleState& State() const { return s_; }

 private:
  void CheckDue();
  void Open();
  void Tick();
  void EndStep();
  void SendSwitchOff();
  void GiveUpSwitchOff();
  void ShutDown(bool switchOffReachedUps);

  CountdownContext c_;
  MonitorPort& monitor_;
  const LocalClock& clock_;
  std::function<bool()> linkUp_;
  std::function<bool()> upsIsOurs_ = [] { return true; };
  ScheduleState s_;
};

}  // namespace voltaris
