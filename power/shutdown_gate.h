// Every end of a count-down passes here on its way to the system shutdown.
// The gate decides whether the computers that follow this UPS over the
// network must go first: only when the power is really going (the mains
// failed, the battery is low, or a scheduled shutdown switches the UPS off)
// is the UPS shown in forced shutdown and are the secondaries given up to
// HostSync seconds to log out. A shutdown the user asked for takes this
// computer down at once and leaves them alone: the UPS goes on feeding them.
#pragma once

#include <cstddef>
#include <functional>

#include "base/timer_port.h"
#include "base/timer_table.h"
#include "i18n/catalogue.h"
#include "power/countdown_ports.h"
#include "power/event_record_port.h"
#include "power/power_events.h"
#include "power/power_state.h"
#include "power/secondaries_port.h"

namespace voltaris {

struct ShutdownGateState {
  bool waiting = false;           // for the secondaries, before the shutdown
  bool released = false;          // the secondaries had their time: what follows goes on at once
  bool shutdownAsked = false;     // a count-down's end waits for the secondaries
  bool switchOffPending = false;  // the schedule's switch-off goes first; its end shuts down
  bool upsSwitchingOff = false;   // a switch-off reached the UPS: the forced shutdown stays shown
  size_t loggedInAtFsd = 0;
  unsigned waitedMs = 0;
  // Which count-downs ran out since the last refused shutdown, so that the
  // refusal makes only those ready to run again.
  bool endedByMains = false, endedByBattery = false, endedByHand = false;
};

class ShutdownGate : public TimerOwner {
 public:
  static constexpr unsigned kHostSyncPollMs = 250;

  ShutdownGate(TimerPort& timers, SecondariesPort& secondaries, EventRecordPort& records, ShutdownPort& system,
               const PowerEvents& events, PowerState& power)
      : timers_(timers), secondaries_(secondaries), records_(records), system_(system), events_(events), power_(power) {}
  void OwnTimers(TimerTable& table);
  void OnTimer(unsigned id) override;

  // The end of a mains-failure, battery-low or manual count-down (RuntimeLow:
  // the mains-failure count ended early, the battery's estimate having
  // fallen below its margin), or the forced shutdown a UPS server ordered.
  void EndAndShutDown(ShutdownReason reason);
  // The scheduled shutdown's end: `sendSwitchOff` runs once the secondaries
  // have had their time, so that they keep their power meanwhile. The
  // schedule then reports SwitchOffDone, whether the command reached the
  // UPS or not, and the system goes down; count-downs ending in between
  // wait for that instead of ending the program under the command.
  void SwitchOffThenShutDown(std::function<void()> sendSwitchOff);
  void SwitchOffDone(bool reachedUps);
  // Windows refused to shut down and the program goes on: the forced
  // shutdown is no longer announced, unless the UPS is switching off.
  // Which count-downs ran out is forgotten: read State() before.
  void ShutdownRefused();
  // Secondaries are being waited for, or the UPS being told to switch off:
  // nothing may take the shutdown back.
  bool ShutdownUnderWay() const { return s_.waiting || s_.switchOffPending; }
  const ShutdownGateState& State() const { return s_; }

 private:
  void BeginWaiting();
  void WaitForSecondaries();
  void FinishWaiting(Text event);
  void ShutDownNow();

  TimerPort& timers_;
  SecondariesPort& secondaries_;
  EventRecordPort& records_;
  ShutdownPort& system_;
  const PowerEvents& events_;
  PowerState& power_;
  ShutdownGateState s_;
  std::function<void()> sendSwitchOff_;  // waits for the secondaries
};

}  // namespace voltaris
