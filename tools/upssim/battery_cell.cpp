#include "tools/upssim/battery_cell.h"

#include <algorithm>
#include <cmath>

namespace upssim {
namespace {

// A new battery at full load lasts about five minutes; lighter loads last
// disproportionately longer (Peukert), down to the inverter's own draw.
constexpr double kFullLoadSeconds = 340.0;   // of charge at a current of 1
constexpr double kPeukert = 1.2;
constexpr double kInverterOverheadPercent = 4.0;
constexpr double kFullVolts = 12.8, kEmptyVolts = 11.6, kKneeCharge = 0.15, kKneeVoltsPerCharge = 6.0;
constexpr double kInternalVolts = 0.6;       // sag at a current of 1
constexpr double kRechargeSeconds = 3600.0;  // empty to full on mains
constexpr double kStepSeconds = 1.0;
constexpr double kLongestSearchSeconds = 48 * 3600.0;

}  // namespace

void BatteryCell::SetCharge(double fraction) { charge_ = std::clamp(fraction, 0.0, 1.0); }

void BatteryCell::SetCapacityFraction(double fraction) { capacity_ = std::clamp(fraction, 0.01, 1.0); }

double BatteryCell::OpenCircuitVolts() const {
  const double knee = charge_ < kKneeCharge ? (kKneeCharge - charge_) * kKneeVoltsPerCharge : 0.0;
  return kEmptyVolts + (kFullVolts - kEmptyVolts) * charge_ - knee;
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

void BatteryCell::Discharge(double loadPercent, double seconds) {
  while (seconds > 0) {
    const double step = std::min(seconds, kStepSeconds);
    const double drawn = std::pow(Current(loadPercent), kPeukert) * step / (kFullLoadSeconds * capacity_);
    charge_ = std::max(charge_ - drawn, 0.0);
    seconds -= step;
  }
}

void BatteryCell::Recharge(double seconds) { charge_ = std::min(charge_ + seconds / kRechargeSeconds, 1.0); }

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
