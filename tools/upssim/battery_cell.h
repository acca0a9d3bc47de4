// The simulated UPS's battery: a lead-acid block string discharged by the
// load and recharged by the mains, for runs that must see a battery go low
// the way a real one does (and for the tests of the program's runtime
// estimate, which use it as the truth).
//
// Per 12 V block, in units of the current the inverter draws at full load:
//   - the inverter draws the load plus a fixed overhead, as power, so the
//     current rises as the voltage sags;
//   - the open-circuit voltage falls with the charge the terminals can reach,
//     steeply near empty (the knee), and the terminal voltage sags further
//     with the current;
//   - the battery counts as low at kLowVoltsPerBlock under load, so a heavy
//     load reaches it with more charge left than a light one.
// How the charge goes is the battery's law, one of two:
//   - Peukert: one well, drawn at current^1.2 (a battery gives less at high
//     rates). The runtime estimate fits this very law, so a battery that
//     follows it flatters the estimate; it is the default all the same,
//     being what the end-to-end runs were tuned on.
//   - Kinetic: two wells (available and bound charge, 3 : 7), the load drawing
//     the available one at current^1, the bound one refilling it at a rate
//     set by the difference of their levels. A heavy spell empties the
//     available well faster than it refills, so the battery goes low with
//     much charge still bound, and it partly recovers when the load drops.
//     Nothing in it is a power law, so it tells whether the estimate works
//     on a battery it was not made for. Tuned to last about as long as the
//     Peukert one (a fresh one at 80 % load about 6 minutes).
// Age is the fraction of the new capacity left (0.67: a third lost): the
// Peukert battery then lasts that share as long at any load, the kinetic one
// somewhat less (0.55 to 0.6), its smaller wells refilling one another no faster.
#pragma once

#include <optional>
#include <string>

namespace upssim {

enum class BatteryLaw { Peukert, Kinetic };
// "peukert" or "kinetic", as the options and the scenarios name them.
std::optional<BatteryLaw> ParseBatteryLaw(const std::string& name);

class BatteryCell {
 public:
  static constexpr double kLowVoltsPerBlock = 11.0;
  static constexpr double kFloatVoltsPerBlock = 13.6;  // on mains, charging

  explicit BatteryCell(double capacityFraction = 1.0, BatteryLaw law = BatteryLaw::Peukert);

  // `seconds` of battery time at `loadPercent` (of the UPS's rating).
  void Discharge(double loadPercent, double seconds);
  // `seconds` on mains: back to full in kRechargeSeconds (a little more for
  // the bound charge of the kinetic law, which fills through the available).
  void Recharge(double seconds);

  // The terminal voltage of one block under the load.
  double VoltsPerBlock(double loadPercent) const;
  bool Low(double loadPercent) const { return VoltsPerBlock(loadPercent) <= kLowVoltsPerBlock; }
  // How long the battery would last from now at a steady load, until low.
  double SecondsUntilLow(double loadPercent) const;

  double Charge() const { return available_ + bound_; }  // 0..1 of what the battery holds now
  // Spread over the wells at one level, as after a long rest.
  void SetCharge(double fraction);
  double CapacityFraction() const { return capacity_; }
  void SetCapacityFraction(double fraction);
  BatteryLaw Law() const { return law_; }

 private:
  struct Constants;
  const Constants& Of() const;
  double Current(double loadPercent) const;
  double OpenCircuitVolts() const;
  double AvailableLevel() const;  // 0..1: how full the well the terminals reach is
  void Flow(double seconds);      // from the fuller well to the emptier

  BatteryLaw law_;
  double available_ = 1.0, bound_ = 0.0;  // shares of the capacity, each well's
  double capacity_ = 1.0;
};

}  // namespace upssim
