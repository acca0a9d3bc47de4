// A UPS status and a battery reading as the main window's displays take
// them, shared by the gauge and data plot tests.
#pragma once

#include <string>

#include "app/gauge_readings.h"

namespace voltaris::testing {

inline UpsStatus Status() {
  UpsStatus s;
  s.inputVoltageText = "230.4";
  s.outputVoltageText = "229.0";
  s.loadText = "035";
  s.frequencyText = "50.1";
  s.temperatureText = "25.0";
  return s;
}

inline BatteryReading Battery(int percent, const std::string& readout) {
  BatteryReading b;
  b.gaugePosition = percent;
  b.readout = readout;
  return b;
}

}  // namespace voltaris::testing
