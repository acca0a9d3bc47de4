#include "power/power_state.h"

namespace voltaris {
namespace {

// Where an event rests once nothing is being shut down: the battery's count
// is the more urgent, then the mains' count, then a failure not yet warned of.
PowerPhase Settled(const CountFacts& facts) {
  if (facts.batteryCounting) return PowerPhase::BatteryLow;
  if (facts.mainsCounting) return PowerPhase::OnBattery;
  if (facts.mainsWarningPending) return PowerPhase::MainsFailed;
  return PowerPhase::OnMains;
}

bool ShutdownUnderWay(PowerPhase phase) {
  return phase == PowerPhase::ShuttingDown || phase == PowerPhase::ShutdownRefused || phase == PowerPhase::MainsBack;
}

// Once a count has ended in a shutdown nothing takes it back: only Windows'
// refusal does, and the program then settles where the counts stand.
PowerPhase DuringShutdown(PowerPhase phase, PowerInput input, const CountFacts& facts) {
  switch (input) {
    case PowerInput::ShutdownRefused: return PowerPhase::ShutdownRefused;
    case PowerInput::Resumed: return phase == PowerPhase::ShutdownRefused ? Settled(facts) : phase;
    case PowerInput::MainsReturn: return phase == PowerPhase::ShuttingDown ? PowerPhase::MainsBack : phase;
    case PowerInput::MainsFail: return phase == PowerPhase::MainsBack ? PowerPhase::ShuttingDown : phase;
    default: return phase;
  }
}

}  // namespace

PowerPhase NextPhase(PowerPhase phase, PowerInput input, const CountFacts& facts) {
  if (ShutdownUnderWay(phase)) return DuringShutdown(phase, input, facts);
  switch (input) {
    case PowerInput::MainsFail: return phase == PowerPhase::OnMains ? PowerPhase::MainsFailed : phase;
    case PowerInput::MainsWarningShown: return phase == PowerPhase::BatteryLow ? phase : PowerPhase::OnBattery;
    case PowerInput::BatteryCountStarted: return PowerPhase::BatteryLow;
    // Mains back before the warning still see it: the failure ends with its count.
    case PowerInput::MainsReturn:
    case PowerInput::CountEnded: return Settled(facts);
    case PowerInput::ShutdownBegun: return PowerPhase::ShuttingDown;
    case PowerInput::ShutdownRefused:
    case PowerInput::Resumed: return phase;
  }
  return phase;
}

const char* PhaseName(PowerPhase phase) {
  switch (phase) {
    case PowerPhase::OnMains: return "on mains";
    case PowerPhase::MainsFailed: return "mains failed";
    case PowerPhase::OnBattery: return "on battery";
    case PowerPhase::BatteryLow: return "battery low";
    case PowerPhase::ShuttingDown: return "shutting down";
    case PowerPhase::ShutdownRefused: return "shutdown refused";
    case PowerPhase::MainsBack: return "mains back in shutdown";
  }
  return "?";
}

CountFacts PowerState::Facts() const {
  CountFacts facts;
  facts.mainsWarningPending = mains_ && mains_->WarningPending();
  facts.mainsCounting = mains_ && mains_->Counting();
  facts.batteryCounting = battery_ && battery_->Counting();
  return facts;
}

// The supply is stored before the listeners hear of it (a count-down that
// opens on this status reads it), and the phase follows once they have
// armed their warnings.
void PowerState::Report(const Supply& supply) {
  supply_ = supply;
  for (SupplyListener* listener : listeners_) listener->OnSupply(supply);
  Apply(supply.mainsFailed ? PowerInput::MainsFail : PowerInput::MainsReturn);
}

void PowerState::ShutdownBegun(ShutdownReason reason) {
  if (phase_ != PowerPhase::ShuttingDown && phase_ != PowerPhase::MainsBack) reason_ = reason;
  Apply(PowerInput::ShutdownBegun);
}

void PowerState::Apply(PowerInput input) { ChangeState(NextPhase(phase_, input, Facts())); }

}  // namespace voltaris
