#include "app/data_plot.h"

#include <algorithm>

#include "base/number_text.h"

namespace voltaris {
namespace {

size_t SlotOf(PlotQuantity quantity) {
  switch (quantity) {
    case PlotQuantity::InputVoltage: return 0;
    case PlotQuantity::OutputVoltage: return 2;
    case PlotQuantity::Load: return 3;
    case PlotQuantity::Frequency: return 4;
    case PlotQuantity::Battery: return 6;
    case PlotQuantity::Temperature: return 7;
  }
  return 0;
}

constexpr int kVoltageStep = 200;  // volts over the plotting height

// A value a UPS's server does not give leaves a gap, not a fall to 0.
int PlotValue(const std::string& text) { return text.empty() ? kNoPlotValue : LeadingInteger(text); }

struct Scale {
  int low, high;
};

Scale ScaleOf(PlotQuantity quantity) {
  switch (quantity) {
    case PlotQuantity::InputVoltage:
    case PlotQuantity::OutputVoltage: return {60, 280};
    case PlotQuantity::Load: return {0, 120};
    case PlotQuantity::Battery:
    case PlotQuantity::Temperature: return {0, 100};
    case PlotQuantity::Frequency: return {40, 70};
  }
  return {0, 100};
}

}  // namespace

PlotSample SampleOf(const UpsStatus& status, const BatteryReading& battery) {
  PlotSample s;
  s.battery = battery.known ? battery.gaugePosition : kNoPlotValue;
  s.frequency = PlotValue(status.frequencyText);
  s.input = PlotValue(status.inputVoltageText);
  s.output = PlotValue(status.outputVoltageText);
  s.temperature = TemperatureDegrees(status.temperatureText).value_or(kNoPlotValue);
  s.load = PlotValue(status.loadText);
  return s;
}

int PlotSamples::Append(LinkKind link, const PlotSample& sample) {
  int& n = link == LinkKind::Usb ? usbCount_ : serialCount_;
  auto& record = records_[static_cast<size_t>(n)];
  record[SlotOf(PlotQuantity::InputVoltage)] = sample.input;
  record[SlotOf(PlotQuantity::OutputVoltage)] = sample.output;
  record[SlotOf(PlotQuantity::Load)] = sample.load;
  record[SlotOf(PlotQuantity::Frequency)] = sample.frequency;
  record[SlotOf(PlotQuantity::Battery)] = sample.battery;
  record[SlotOf(PlotQuantity::Temperature)] = sample.temperature;
  if (++n > kLastUsed) {
    std::copy(records_.begin() + 1, records_.begin() + kLastUsed + 1, records_.begin());
    n = kLastUsed;
  }
  return n;
}

int PlotSamples::Value(int record, PlotQuantity quantity) const {
  if (record < 0 || record >= kRecords) return 0;
  return records_[static_cast<size_t>(record)][SlotOf(quantity)];
}

void PlotSamples::Clear() {
  records_ = {};
  serialCount_ = usbCount_ = 0;
}

int PlotHeightOf(PlotQuantity quantity, int value) {
  const Scale scale = ScaleOf(quantity);
  if (value <= scale.low) return 0;
  if (value >= scale.high) return kPlotHeight;
  // The voltage scale's step runs out before its top (60 + 200 volts), so
  // the readings above that are held at the top instead of leaving the pane.
  const int span = quantity == PlotQuantity::InputVoltage || quantity == PlotQuantity::OutputVoltage
                       ? kVoltageStep
                       : scale.high - scale.low;
  return std::min((value - scale.low) * kPlotHeight / span, kPlotHeight);
}

std::string PlotLatestText(PlotQuantity quantity, int value, const std::string& temperatureText) {
  const std::string number = value == kNoPlotValue ? kNoTemperatureText : std::to_string(value);
  switch (quantity) {
    case PlotQuantity::InputVoltage:
    case PlotQuantity::OutputVoltage: return number + " V     ";
    case PlotQuantity::Load:
    case PlotQuantity::Battery: return number + " %    ";
    case PlotQuantity::Temperature:
      if (value == kNoPlotValue) return std::string(kNoTemperatureText) + " C    ";
      // A sample too long for the space: the UPS's own reading instead.
      return (number.size() > 4 ? std::to_string(LeadingInteger(temperatureText)) : number) + " C    ";
    case PlotQuantity::Frequency: return number + " Hz    ";
  }
  return number;
}

std::vector<int> CurveOf(const PlotSamples& samples, LinkKind link, PlotQuantity quantity) {
  std::vector<int> curve;
  for (int i = 0; i < samples.Count(link); ++i) {
    const int value = samples.Value(i, quantity);
    curve.push_back(value == kNoPlotValue ? kNoPlotValue : PlotHeightOf(quantity, value));
  }
  return curve;
}

}  // namespace voltaris
