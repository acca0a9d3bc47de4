// The simulated UPS: its measurements, status bits and the timed effects of
// the commands it receives. Pure state, driven by the caller's clock (seconds),
// so the tests can step it without waiting.
#pragma once

#include <optional>
#include <string>

#include "tools/upssim/battery_cell.h"

namespace upssim {

struct Ramp {
  double from = 0, to = 0, start = 0, seconds = 0;
  double At(double now) const;
  bool Done(double now) const { return now >= start + seconds; }
};

class UpsModel {
 public:
  // `timeScale` shortens the delays of self-tests and switch-off commands
  // (0.01 turns a 10-second test into 0.1 s).
  explicit UpsModel(double timeScale = 1.0) : timeScale_(timeScale) {}

  // One command line without its CR. Returns the reply (with CR) for the
  // two queries; nothing for everything else, which the UPS acts on silently.
  std::optional<std::string> HandleCommand(const std::string& command, double now);

  // Applies the timed effects that are due at `now`.
  void Advance(double now);
  // The earliest time at which Advance has something to do; a large value when idle.
  double NextEventTime() const;

  std::string StatusLine(double now) const;  // 47 characters, CR included
  std::string RatingLine() const;            // 22 characters, CR included

  // Settings a scenario or the control channel changes.
  void SetMainsFailed(bool failed);
  // An explicit voltage stands until the discharge curve is asked for again.
  void SetBatteryVoltage(double volts) { battery_ = volts; ramp_.reset(); cell_.reset(); }
  // The battery follows its discharge curve (battery_cell.h): its voltage and
  // its low flag come from the charge the load has drawn, at the time scale.
  void UseDischargeCurve(bool on, double now);
  void SetBatteryAge(double capacityFraction, double now);
  // A curve already running keeps its charge under the new law.
  void SetBatteryLaw(BatteryLaw law, double now);
  void SetBatteryCharge(double fraction, double now);
  const BatteryCell* Cell() const { return cell_ ? &*cell_ : nullptr; }
  void RampBatteryVoltage(double to, double seconds, double now);
  void SetBatteryLowForced(bool low) { batteryLowForced_ = low; }
  void SetFault(bool fault) { fault_ = fault; }
  void SetStandbyType(bool standby) { standby_ = standby; }
  // None: a UPS without a sensor, which sends "--.-".
  void SetTemperature(std::optional<double> celsius) { temperature_ = celsius; }
  void SetLoad(int percent) { load_ = percent; }
  void SetInputVoltage(double volts) { input_ = volts; }
  void SetOutputVoltage(double volts) { output_ = volts; }
  void SetFrequency(double hz) { frequency_ = hz; }
  void SetRatedBatteryVoltage(double volts) { ratedBattery_ = volts; }

  bool Testing() const { return testEnd_.has_value(); }
  bool OutputOn() const { return outputOn_; }
  bool ShutdownPending() const { return offAt_.has_value(); }
  double BatteryVoltage(double now) const;
  bool BatteryLow(double now) const;

 private:
  double Blocks() const { return ratedBattery_ / 12.0 > 0 ? ratedBattery_ / 12.0 : 1.0; }
  double Scaled(double seconds) const { return seconds * timeScale_; }
  void StartTest(double seconds, bool untilLow, double now);
  void CancelTest();
  bool StartSwitchOff(const std::string& command, double now);

  double timeScale_;
  double input_ = 220.0, output_ = 220.0, frequency_ = 50.0;
  std::optional<double> temperature_ = 25.0;
  double lastFaultInput_ = 220.0;
  int load_ = 12;
  double battery_ = 13.6, ratedBattery_ = 12.0;
  std::optional<Ramp> ramp_;
  std::optional<BatteryCell> cell_;  // the discharge curve, when on
  double batteryAge_ = 1.0;
  BatteryLaw batteryLaw_ = BatteryLaw::Peukert;
  double cellAt_ = 0;                // when the cell was last brought up to date
  void AdvanceCell(double now);
  bool mainsFailed_ = false, batteryLowForced_ = false, fault_ = false, standby_ = true;
  bool beeper_ = false;
  std::optional<double> testEnd_;  // self-test running until then
  bool testUntilLow_ = false;
  std::optional<double> offAt_;    // output switches off then
  std::optional<double> onAt_;     // output comes back then
  bool outputOn_ = true;
};

// Parses the delay and restore parts of a switch-off command: "Snn", "S.n",
// optionally followed by "Rmmmm". Delay in seconds; restore in minutes, -1
// when absent, 9999 meaning stay off.
struct SwitchOff {
  double delaySeconds = 0;
  int restoreMinutes = -1;
};
std::optional<SwitchOff> ParseSwitchOff(const std::string& command);

}  // namespace upssim
