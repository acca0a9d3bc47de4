#include "ups/served_ups.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace voltaris {
namespace {

// Whatever the user's locale: the text the serial fields would carry.
std::string OneDecimal(const std::optional<double>& value) {
  if (!value || !std::isfinite(*value)) return "";
  const long tenths = std::lround(std::fabs(*value) * 10);
  return (*value < 0 && tenths != 0 ? "-" : "") + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

char Bit(bool on) { return on ? '1' : '0'; }

}  // namespace

bool SameReadings(const ServedReadings& a, const ServedReadings& b) {
  const auto figures = [](const ServedReadings& r) {
    return std::tie(r.status, r.silentOnBattery, r.inputVoltage, r.outputVoltage, r.load, r.batteryCharge,
                    r.batteryVoltage, r.inputFrequency, r.temperature, r.runtimeSeconds, r.runtimeLowSeconds,
                    r.healthPercent);
  };
  return figures(a) == figures(b);
}

void FillServedStatus(const ServedReadings& served, UpsStatus& status) {
  status.inputVoltageText = OneDecimal(served.inputVoltage);
  status.inputFaultVoltageText = status.inputVoltageText;
  status.outputVoltageText = OneDecimal(served.outputVoltage);
  status.loadText = served.load ? std::to_string(std::lround(*served.load)) : "";
  status.loadPercent = served.load ? static_cast<int>(std::lround(*served.load)) : 0;
  status.loadPercentText = status.loadText;
  status.frequencyText = OneDecimal(served.inputFrequency);
  status.batteryVoltageText = OneDecimal(served.batteryVoltage);
  status.temperatureText = OneDecimal(served.temperature);
  status.ratedBatteryVoltageText.clear();
  const bool low = served.flags.batteryLow || served.silentOnBattery;
  // A status with neither OL nor OB (a driver starting again says WAIT, a
  // UPS switched off says OFF) leaves the supply as it was, as upsmon does.
  const bool wasOnBattery = !status.statusBits.empty() && status.statusBits[0] == '1';
  const bool onBattery = served.flags.onBattery || (!served.flags.onLine && wasOnBattery);
  status.statusBits = {Bit(onBattery), Bit(low), '0', '0', '0', Bit(served.flags.calibrating), '0', '0'};
  status.testInProgress = served.flags.calibrating;
  status.chargeServed = true;
  status.servedRuntimeSeconds.reset();
  if (served.runtimeSeconds && std::isfinite(*served.runtimeSeconds) && *served.runtimeSeconds >= 0) {
    status.servedRuntimeSeconds = static_cast<int>(std::min(*served.runtimeSeconds, 1e7));
  }
}

std::optional<std::string> InstantCommandOf(const UpsControl& control) {
  if (control == TenSecondTestControl()) return "test.battery.start.quick";
  if (control == UntilLowTestControl()) return "test.battery.start.deep";
  if (control == CancelTestControl()) return "test.battery.stop";
  for (int minutes = 1; minutes <= 99; ++minutes) {
    if (control == TimedTestControl(minutes)) return "test.battery.start " + std::to_string(minutes * 60);
  }
  return std::nullopt;
}

BatteryReading ServedBattery(const ServedReadings& served, UpsStatus& status) {
  BatteryReading reading;
  if (!served.batteryCharge || !std::isfinite(*served.batteryCharge)) {
    status.batteryPercent = 0;
    status.batteryPercentText.clear();
    reading.readout = "-- %";
    reading.known = false;
    return reading;
  }
  const double charge = std::clamp(*served.batteryCharge, 0.0, 100.0);
  status.batteryPercent = static_cast<float>(charge);
  status.batteryPercentText = OneDecimal(charge);
  reading.full = charge >= 100.0;
  reading.gaugePosition = static_cast<int>(charge);
  reading.readout = std::to_string(reading.gaugePosition) + " %";
  reading.plotSample = charge;
  return reading;
}

}  // namespace voltaris
