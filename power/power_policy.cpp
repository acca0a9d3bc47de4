#include "power/power_policy.h"

#include "i18n/catalogue.h"

namespace voltaris {

void PowerPolicy::ResumeAfterRefusedShutdown() {
  p_.records.AppendEvent(Tr(Text::ShutdownRefusedEvent));
  const ShutdownGateState ended = p_.gate.State();
  p_.gate.ShutdownRefused();
  if (ended.endedByMains) p_.mainsFail.ResetAfterRefusedShutdown();
  if (ended.endedByBattery) p_.batteryLow.ResetAfterRefusedShutdown();
  if (ended.endedByHand) p_.manual.Cancel();
  p_.schedule.ResetAfterRefusedShutdown();
  p_.engine.Resume();
  p_.history.BeginRun();
  p_.power.Apply(PowerInput::Resumed);
}

bool PowerPolicy::EventUnderWay() const {
  // A low battery on mains is the UPS charging, but its count opens at once.
  return p_.power.EventUnderWay() || p_.power.Now().batteryLow || p_.manual.Counting() || p_.schedule.Counting();
}

TrayState PowerPolicy::Tray() const {
  TrayState state;
  const bool mainsFailed = p_.power.Now().mainsFailed;
  state.answering = p_.engine.UpsAnswering();
  state.drill = p_.drill.State().running;
  state.onBattery = mainsFailed || state.drill;
  state.secondsLeft = state.drill ? p_.drill.State().remaining : SecondsUntilShutdown();
  state.recordsWaiting = p_.records.RowsWaiting();
  if (mainsFailed) state.runtime = RuntimeText(p_.battery.Runtime());
  return state;
}

// The mains-failure count, or the battery-low one when it ends sooner; -1
// before either counts.
int PowerPolicy::SecondsUntilShutdown() const {
  const int mains = p_.mainsFail.SecondsLeft(), low = p_.batteryLow.SecondsLeft();
  if (mains < 0 || low < 0) return mains < 0 ? low : mains;
  return mains < low ? mains : low;
}

}  // namespace voltaris
