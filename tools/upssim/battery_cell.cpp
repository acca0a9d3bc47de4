#include "tools/upssim/battery_cell.h"

#include <algorithm>
#include <cmath>

namespace upssim {

// Per law: the charge of a new battery in seconds at a current of 1, the
// exponent of the current in the charge it draws, the share of the charge
// in the available well, and how fast the bound well refills it (share of
// the capacity a second, per unit of difference in their levels).
struct BatteryCell::Constants {
  double fullLoadSeconds, rateExponent, availableShare, flowPerSecond;
};

namespace {

// A new battery at full load lasts about five minutes; lighter loads last
// disproportionately longer (Peukert), down to the inverter's own draw.
constexpr double kPeukertFullLoadSeconds = 340.0, kPeukert = 1.2;
// The kinetic wells level out in about four minutes (1 / (k / c + k / (1 - c))):
// long enough for a heavy spell to run the available well down, short
// enough for a pause to show the recovery.
constexpr double kKineticFullLoadSeconds = 770.0, kAvailableShare = 0.3, kFlowPerSecond = 0.0008;
constexpr double kInverterOverheadPercent = 4.0;
constexpr double kFullVolts = 12.8, kEmptyVolts = 11.6, kKneeCharge = 0.15, kKneeVoltsPerCharge = 6.0;
constexpr double kInternalVolts = 0.6;       // sag at a current of 1
constexpr double kRechargeSeconds = 3600.0;  // empty to full on mains
constexpr double kStepSeconds = 1.0;
constexpr double kLongestSearchSeconds = 48 * 3600.0;

}  // namespace

std::optional<BatteryLaw> ParseBatteryLaw(const std::string& name) {
  if (name == "peukert") return BatteryLaw::Peukert;
  if (name == "kinetic") return BatteryLaw::Kinetic;
  return std::nullopt;
}

BatteryCell::BatteryCell(double capacityFraction, BatteryLaw law) : law_(law) {
  SetCapacityFraction(capacityFraction);
  SetCharge(1.0);
}

const BatteryCell::Constants& BatteryCell::Of() const {
  static constexpr Constants kPeukertLaw{kPeukertFullLoadSeconds, kPeukert, 1.0, 0.0};
  static constexpr Constants kKineticLaw{kKineticFullLoadSeconds, 1.0, kAvailableShare, kFlowPerSecond};
  return law_ == BatteryLaw::Kinetic ? kKineticLaw : kPeukertLaw;
}

void BatteryCell::SetCharge(double fraction) {
  const double charge = std::clamp(fraction, 0.0, 1.0);
  available_ = charge * Of().availableShare;
  bound_ = charge - available_;
}

void BatteryCell::SetCapacityFraction(double fraction) { capacity_ = std::clamp(fraction, 0.01, 1.0); }

double BatteryCell::AvailableLevel() const { return available_ / Of().availableShare; }

double BatteryCell::OpenCircuitVolts() const {
  const double level = AvailableLevel();
  const double knee = level < kKneeCharge ? (kKneeCharge - level) * kKneeVoltsPerCharge : 0.0;
  return kEmptyVolts + (kFullVolts - kEmptyVolts) * level - knee;
}

// Power drawn over the open-circuit voltage (normalised to 12 V): the
// current that draws it.
double BatteryCell::Current(double loadPercent) const {
  const double power = (std::max(loadPercent, 0.0) + kInverterOverheadPercent) / 100.0;
  return power * 12.0 / std::max(OpenCircuitVolts(), 6.0);
}

double BatteryCell::VoltsPerBlock(double loadPercent) const {
  return std::max(OpenCircuitVolts() - kInternalVolts * Current(loadPercent), 0.0);
}

void BatteryCell::Flow(double seconds) {
  const Constants& law = Of();
  if (law.availableShare >= 1.0) return;  // one well
  const double boundLevel = bound_ / (1.0 - law.availableShare);
  const double flow = law.flowPerSecond * (boundLevel - AvailableLevel()) * seconds;
  const double moved = std::clamp(flow, -available_, bound_);
  available_ += moved;
  bound_ -= moved;
}

void BatteryCell::Discharge(double loadPercent, double seconds) {
  const Constants& law = Of();
  while (seconds > 0) {
    const double step = std::min(seconds, kStepSeconds);
    const double drawn =
        std::pow(Current(loadPercent), law.rateExponent) * step / (law.fullLoadSeconds * capacity_);
    available_ = std::max(available_ - drawn, 0.0);
    Flow(step);
    seconds -= step;
  }
}

// The charger fills the available well; the bound one fills from it.
void BatteryCell::Recharge(double seconds) {
  while (seconds > 0) {
    const double step = std::min(seconds, kStepSeconds);
    available_ = std::min(available_ + step / kRechargeSeconds, Of().availableShare);
    Flow(step);
    seconds -= step;
  }
}

double BatteryCell::SecondsUntilLow(double loadPercent) const {
  BatteryCell copy = *this;
  double seconds = 0;
  while (!copy.Low(loadPercent) && seconds < kLongestSearchSeconds) {
    copy.Discharge(loadPercent, kStepSeconds);
    seconds += kStepSeconds;
  }
  return seconds;
}

}  // namespace upssim
