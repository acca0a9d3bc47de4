#include "app/gauge_readings.h"

#include "base/number_text.h"
#include "res/bitmap_ids.h"

namespace voltaris {
namespace {

// A value the UPS's server does not give is no reading: "-- V" over an
// empty bar, never a "0 V" that would read as a failure.
GaugeReading Reading(const std::string& text, const char* unit) {
  if (text.empty()) return {kNoTemperatureText + std::string(unit), 0};
  const int value = LeadingInteger(text);
  return {std::to_string(value) + unit, value};
}

}  // namespace

GaugeReadings ReadingsOf(const UpsStatus& status, const BatteryReading& battery) {
  GaugeReadings r;
  r.input = Reading(status.inputVoltageText, " V");
  r.output = Reading(status.outputVoltageText, " V");
  r.load = Reading(status.loadText, "%");
  r.battery = {battery.readout, battery.gaugePosition};
  // No reading leaves the bar empty and says so in the readout.
  r.temperature = {TemperatureReadout(status.temperatureText), TemperatureDegrees(status.temperatureText).value_or(0)};
  r.frequency = Reading(status.frequencyText, " Hz");
  return r;
}

GaugeReadings ZeroReadings() {
  return {{"0 V", 0}, {"0 V", 0}, {"0 %", 0}, {"0 %", 0}, {"0 C", 0}, {"0 Hz", 0}};
}

StatusPictures PicturesOf(const UpsStatus& status) {
  return {status.mainsFailed ? IDB_MAINS_FAILED : IDB_MAINS_NORMAL,
          status.batteryLow ? IDB_BATTERY_LOW : IDB_BATTERY_NORMAL,
          status.upsHealthy ? IDB_UPS_NORMAL : IDB_UPS_FAULT,
          status.standbyType ? IDB_STANDBY_TYPE : IDB_ONLINE_TYPE};
}

LinkPictures LinkPicturesOf(bool up) {
  return up ? LinkPictures{IDB_LINK_UP, IDB_TRAFFIC_UP} : LinkPictures{IDB_LINK_DOWN, IDB_TRAFFIC_DOWN};
}

}  // namespace voltaris
