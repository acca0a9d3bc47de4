// The simulated UPS's battery: a lead-acid block string discharged by the
// load and recharged by the mains, for runs that must see a battery go low
// the way a real one does (and for the tests of the program's runtime
// estimate, which use it as the truth).
//
// Per 12 V block, in units of the current the inverter draws at full load:
//   - the inverter draws the load plus a fixed overhead, as power, so the
//     current rises as the voltage sags;
//   - charge goes at current^kPeukert (a battery gives less at high rates);
//   - the open-circuit voltage falls with the charge, steeply near empty (the
//     knee), and the terminal voltage sags further with the current;
//   - the battery counts as low at kLowVoltsPerBlock under load, so a heavy
//     load reaches it with more charge left than a light one.
// Age is the fraction of the new capacity left (0.67: a third lost).
#pragma once

namespace upssim {

class BatteryCell {
 public:
  static constexpr double kLowVoltsPerBlock = 11.0;
  static constexpr double kFloatVoltsPerBlock = 13.6;  // on mains, charging

  explicit BatteryCell(double capacityFraction = 1.0) { SetCapacityFraction(capacityFraction); }

  // `seconds` of battery time at `loadPercent` (of the UPS's rating).
  void Discharge(double loadPercent, double seconds);
  // `seconds` on mains: back to full in kRechargeSeconds.
  void Recharge(double seconds);

  // The terminal voltage of one block under the load.
  double VoltsPerBlock(double loadPercent) const;
  bool Low(double loadPercent) const { return VoltsPerBlock(loadPercent) <= kLowVoltsPerBlock; }
  // How long the battery would last from now at a steady load, until low.
  double SecondsUntilLow(double loadPercent) const;

  double Charge() const { return charge_; }  // 0..1 of what the battery holds now
  void SetCharge(double fraction);
  double CapacityFraction() const { return capacity_; }
  void SetCapacityFraction(double fraction);

 private:
  double Current(double loadPercent) const;
  double OpenCircuitVolts() const;

  double charge_ = 1.0;
  double capacity_ = 1.0;
};

}  // namespace upssim
