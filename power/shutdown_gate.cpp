#include "power/shutdown_gate.h"

#include "power/timer_ids.h"

namespace voltaris {

void ShutdownGate::OwnTimers(TimerTable& table) { table.Own(kTimerHostSync, *this); }

void ShutdownGate::OnTimer(unsigned) { WaitForSecondaries(); }

// A manual end joins a wait already under way: the secondaries were told
// the power is going, and this computer goes once they have had their time.
void ShutdownGate::EndAndShutDown(ShutdownReason reason) {
  power_.ShutdownBegun(reason);
  s_.endedByMains = s_.endedByMains || reason == ShutdownReason::MainsFailed || reason == ShutdownReason::RuntimeLow;
  s_.endedByBattery = s_.endedByBattery || reason == ShutdownReason::BatteryLow;
  s_.endedByHand = s_.endedByHand || reason == ShutdownReason::Manual;
  if (s_.switchOffPending) return;  // the switch-off's end shuts down
  // The server's order is carried out at once: its primary waits for this
  // computer, and no secondary of ours is served while we follow it.
  const bool powerGoing = reason != ShutdownReason::Manual && reason != ShutdownReason::ServerForced;
  if (s_.released || (!powerGoing && !s_.waiting)) {
    ShutDownNow();
    return;
  }
  s_.shutdownAsked = true;  // one wait serves every count-down that ends meanwhile
  BeginWaiting();
}

void ShutdownGate::SwitchOffThenShutDown(std::function<void()> sendSwitchOff) {
  power_.ShutdownBegun(ShutdownReason::Schedule);
  s_.switchOffPending = true;
  if (s_.released) {
    sendSwitchOff();
    return;
  }
  sendSwitchOff_ = std::move(sendSwitchOff);
  BeginWaiting();
}

void ShutdownGate::SwitchOffDone(bool reachedUps) {
  s_.switchOffPending = false;
  s_.shutdownAsked = false;
  s_.upsSwitchingOff = s_.upsSwitchingOff || reachedUps;
  ShutDownNow();
}

void ShutdownGate::ShutdownRefused() {
  // Once the UPS has been told to switch off, the secondaries must still go.
  if (!s_.upsSwitchingOff) secondaries_.AnnounceForcedShutdown(false);
  s_.released = false;
  s_.endedByMains = s_.endedByBattery = s_.endedByHand = false;
  power_.Apply(PowerInput::ShutdownRefused);
}

void ShutdownGate::BeginWaiting() {
  if (s_.waiting) return;
  secondaries_.AnnounceForcedShutdown(true);
  events_.Announce({PowerEventKind::ForcedShutdown, Tr(Text::NoticeForcedShutdown)});
  s_.waiting = true;
  s_.waitedMs = 0;
  s_.loggedInAtFsd = secondaries_.LoggedIn();
  if (s_.loggedInAtFsd == 0) {
    FinishWaiting(Text::SecondariesLoggedOutEvent);
  } else if (secondaries_.WaitSeconds() <= 0) {
    FinishWaiting(Text::SecondariesStillLoggedInEvent);
  } else {
    timers_.Arm(kTimerHostSync, kHostSyncPollMs);
  }
}

void ShutdownGate::WaitForSecondaries() {
  if (!s_.waiting) return;
  s_.waitedMs += kHostSyncPollMs;
  if (secondaries_.LoggedIn() == 0) {
    FinishWaiting(Text::SecondariesLoggedOutEvent);
  } else if (s_.waitedMs >= static_cast<unsigned>(secondaries_.WaitSeconds()) * 1000u) {
    FinishWaiting(Text::SecondariesStillLoggedInEvent);
  }
}

// Recorded only when someone was logged in. Then the schedule's switch-off
// goes first (its end shuts down), else the shutdown a count-down asked for.
void ShutdownGate::FinishWaiting(Text event) {
  timers_.Kill(kTimerHostSync);
  s_.waiting = false;
  s_.released = true;
  if (s_.loggedInAtFsd > 0) records_.AppendEvent(Tr(event));
  if (sendSwitchOff_) {
    std::function<void()> send;
    send.swap(sendSwitchOff_);
    send();
  } else if (s_.shutdownAsked) {
    s_.shutdownAsked = false;
    ShutDownNow();
  }
}

// The event's command is started before the program ends its work: it
// runs on by itself while Windows goes down.
void ShutdownGate::ShutDownNow() {
  events_.Announce({PowerEventKind::Shutdown, Tr(Text::NoticeShutdown)});
  system_.EndAndShutDown();
}

}  // namespace voltaris
