#include "tools/upssim/ups_model.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>

namespace upssim {
namespace {

constexpr double kChargedVoltsPerBlock = 13.6;
constexpr double kLowVoltsPerBlock = 11.0;
constexpr double kOnBatterySagPerBlock = 0.5;   // voltage drop under load
constexpr double kTestSagPerBlock = 0.6;
constexpr double kQuickTestSeconds = 10.0;
constexpr double kUntilLowDrainSeconds = 600.0;  // charged to low during "TL"
constexpr int kStayOff = 9999;

bool AllDigits(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// Keeps a value inside what a fixed-width field can show.
double Clamp(double value, double high) { return std::clamp(value, 0.0, high); }

}  // namespace

double Ramp::At(double now) const {
  if (seconds <= 0 || now >= start + seconds) return to;
  if (now <= start) return from;
  return from + (to - from) * (now - start) / seconds;
}

std::optional<SwitchOff> ParseSwitchOff(const std::string& command) {
  if (command.size() < 3 || command[0] != 'S') return std::nullopt;
  SwitchOff result;
  const std::string delay = command.substr(1, 2);
  if (delay[0] == '.' && std::isdigit(static_cast<unsigned char>(delay[1]))) {
    result.delaySeconds = (delay[1] - '0') * 6.0;
  } else if (AllDigits(delay)) {
    result.delaySeconds = std::stoi(delay) * 60.0;
  } else {
    return std::nullopt;
  }
  const std::string rest = command.substr(3);
  if (rest.empty()) return result;
  if (rest.size() != 5 || rest[0] != 'R' || !AllDigits(rest.substr(1))) return std::nullopt;
  result.restoreMinutes = std::stoi(rest.substr(1));
  return result;
}

std::optional<std::string> UpsModel::HandleCommand(const std::string& command, double now) {
  Advance(now);
  if (command == "Q1") return StatusLine(now);
  if (command == "F") return RatingLine();
  if (command == "T") {
    StartTest(kQuickTestSeconds, false, now);
  } else if (command == "TL") {
    StartTest(kUntilLowDrainSeconds, true, now);
  } else if (command.size() == 3 && command[0] == 'T' && AllDigits(command.substr(1))) {
    const int minutes = std::stoi(command.substr(1));
    if (minutes > 0) StartTest(minutes * 60.0, false, now);
  } else if (command == "CT") {
    CancelTest();
  } else if (command == "C") {  // cancel a pending switch-off, output back on
    offAt_.reset();
    onAt_.reset();
    outputOn_ = true;
  } else if (command == "Q") {
    beeper_ = !beeper_;
  } else {
    StartSwitchOff(command, now);
  }
  return std::nullopt;
}

void UpsModel::StartTest(double seconds, bool untilLow, double now) {
  if (mainsFailed_ || fault_) return;  // a UPS on battery refuses to test
  testEnd_ = now + Scaled(seconds);
  testUntilLow_ = untilLow;
  if (untilLow) RampBatteryVoltage(kLowVoltsPerBlock * Blocks(), Scaled(seconds), now);
}

void UpsModel::CancelTest() {
  if (!testEnd_) return;
  testEnd_.reset();
  if (testUntilLow_) SetBatteryVoltage(kChargedVoltsPerBlock * Blocks());
  testUntilLow_ = false;
}

bool UpsModel::StartSwitchOff(const std::string& command, double now) {
  const auto parsed = ParseSwitchOff(command);
  if (!parsed) return false;
  offAt_ = now + Scaled(parsed->delaySeconds);
  onAt_.reset();
  if (parsed->restoreMinutes >= 0 && parsed->restoreMinutes != kStayOff) {
    onAt_ = *offAt_ + Scaled(parsed->restoreMinutes * 60.0);
  } else if (parsed->restoreMinutes == kStayOff) {
    onAt_ = std::numeric_limits<double>::infinity();
  }
  return true;
}

void UpsModel::UseDischargeCurve(bool on, double now) {
  if (!on) {
    cell_.reset();
    return;
  }
  if (!cell_) cell_ = BatteryCell(batteryAge_, batteryLaw_);
  ramp_.reset();
  cellAt_ = now;
}

void UpsModel::SetBatteryAge(double capacityFraction, double now) {
  AdvanceCell(now);
  batteryAge_ = capacityFraction;
  if (cell_) cell_->SetCapacityFraction(capacityFraction);
}

void UpsModel::SetBatteryLaw(BatteryLaw law, double now) {
  AdvanceCell(now);
  batteryLaw_ = law;
  if (!cell_) return;
  const double charge = cell_->Charge();
  cell_ = BatteryCell(batteryAge_, law);
  cell_->SetCharge(charge);
}

void UpsModel::SetBatteryCharge(double fraction, double now) {
  AdvanceCell(now);
  if (cell_) cell_->SetCharge(fraction);
}

// Battery time runs 1 / timeScale times as fast as the clock, like the
// command delays, so that a discharge fits in a short test.
void UpsModel::AdvanceCell(double now) {
  if (!cell_) return;
  const double seconds = std::max(now - cellAt_, 0.0) / timeScale_;
  cellAt_ = now;
  if (mainsFailed_ && outputOn_) {
    cell_->Discharge(load_, seconds);
  } else if (!mainsFailed_) {
    cell_->Recharge(seconds);
  }
}

void UpsModel::Advance(double now) {
  AdvanceCell(now);
  if (testEnd_ && now >= *testEnd_) CancelTest();
  if (offAt_ && now >= *offAt_) {
    outputOn_ = false;
    offAt_.reset();
    // Without an "R" part the UPS comes back with the mains.
    if (!onAt_) onAt_ = mainsFailed_ ? std::numeric_limits<double>::infinity() : now;
  }
  if (!offAt_ && onAt_ && now >= *onAt_ && !mainsFailed_) {
    outputOn_ = true;
    onAt_.reset();
  }
  if (ramp_ && ramp_->Done(now)) {
    battery_ = ramp_->to;
    ramp_.reset();
  }
}

double UpsModel::NextEventTime() const {
  double next = std::numeric_limits<double>::infinity();
  if (testEnd_) next = std::min(next, *testEnd_);
  if (offAt_) next = std::min(next, *offAt_);
  if (onAt_) next = std::min(next, *onAt_);
  if (ramp_) next = std::min(next, ramp_->start + ramp_->seconds);
  return next;
}

void UpsModel::SetMainsFailed(bool failed) {
  if (failed && !mainsFailed_) {
    lastFaultInput_ = input_;
    CancelTest();
  }
  mainsFailed_ = failed;
  // Output held off for a later restore comes back once the mains does.
  if (!failed && !outputOn_ && !offAt_ && onAt_ && *onAt_ == std::numeric_limits<double>::infinity()) {
    onAt_.reset();
    outputOn_ = true;
  }
}

void UpsModel::RampBatteryVoltage(double to, double seconds, double now) {
  ramp_ = Ramp{BatteryVoltage(now) + (mainsFailed_ ? kOnBatterySagPerBlock * Blocks() : 0), to, now,
               seconds};
}

double UpsModel::BatteryVoltage(double now) const {
  if (cell_) {
    const double perBlock = mainsFailed_ ? cell_->VoltsPerBlock(load_) : BatteryCell::kFloatVoltsPerBlock;
    return perBlock * Blocks();
  }
  double volts = ramp_ ? ramp_->At(now) : battery_;
  if (mainsFailed_) volts -= kOnBatterySagPerBlock * Blocks();
  if (testEnd_ && !testUntilLow_) volts -= kTestSagPerBlock * Blocks();
  return std::max(volts, 0.0);
}

bool UpsModel::BatteryLow(double now) const {
  return batteryLowForced_ || (mainsFailed_ && BatteryVoltage(now) <= kLowVoltsPerBlock * Blocks());
}

std::string UpsModel::StatusLine(double now) const {
  const bool on = outputOn_;
  const double input = mainsFailed_ ? 0.0 : input_;
  const double fault = mainsFailed_ ? lastFaultInput_ : input_;
  const char bits[9] = {
      mainsFailed_ ? '1' : '0', BatteryLow(now) ? '1' : '0', '0', fault_ ? '1' : '0',
      standby_ ? '1' : '0',     testEnd_ ? '1' : '0',        offAt_ ? '1' : '0',
      beeper_ ? '1' : '0',      '\0'};
  char temperature[16] = "--.-";
  if (temperature_) std::snprintf(temperature, sizeof temperature, "%04.1f", Clamp(*temperature_, 99.9));
  char line[64];
  std::snprintf(line, sizeof line, "(%05.1f %05.1f %05.1f %03d %04.1f %04.1f %s %s\r",
                Clamp(input, 999.9), Clamp(fault, 999.9), on ? Clamp(output_, 999.9) : 0.0,
                on ? std::clamp(load_, 0, 999) : 0, Clamp(frequency_, 99.9),
                Clamp(BatteryVoltage(now), 99.9), temperature, bits);
  return line;
}

std::string UpsModel::RatingLine() const {
  char line[32];
  std::snprintf(line, sizeof line, "#%05.1f %03d %05.2f %04.1f\r", 220.0, 5,
                Clamp(ratedBattery_, 99.99), 50.0);
  return line;
}

}  // namespace upssim
