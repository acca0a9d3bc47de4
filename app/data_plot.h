// The data plot's samples and how each quantity maps onto its pane: the last
// 22 status replies received while the plot is open, one record each.
#pragma once

#include <array>
#include <climits>
#include <string>
#include <vector>

#include "ups/ups_protocol.h"

namespace voltaris {

enum class PlotQuantity { InputVoltage, OutputVoltage, Load, Battery, Temperature, Frequency };
constexpr int kPlotQuantities = 6;

struct PlotSample {
  int input = 0, output = 0, load = 0, battery = 0, temperature = 0, frequency = 0;
};

// A sample's value when the UPS gave none (a temperature of 5 degrees or
// less, or no number): the curve leaves a gap there instead of a false 0.
constexpr int kNoPlotValue = INT_MIN;

// The whole-number values of a reply; the battery as its gauge shows it.
PlotSample SampleOf(const UpsStatus& status, const BatteryReading& battery);

class PlotSamples {
 public:
  static constexpr int kRecords = 50;
  static constexpr int kLastUsed = 21;  // records 0..21 hold samples

  // Writes at the link's own position; past the last record the oldest is
  // dropped and everything moves down one. Returns the new position.
  int Append(LinkKind link, const PlotSample& sample);
  // The number of records the link has written (the next position).
  int Count(LinkKind link) const { return link == LinkKind::Usb ? usbCount_ : serialCount_; }
  int Value(int record, PlotQuantity quantity) const;
  void Clear();

 private:
  // Nine values per record; the quantities use slots 1, 3, 4, 5, 7 and 8.
  std::array<std::array<int, 9>, kRecords> records_{};
  int serialCount_ = 0, usbCount_ = 0;
};

// Pixels above the bottom of a pane's plotting height (144 for the full
// scale): input and output voltage 60..280, load 0..120, battery and
// temperature 0..100, frequency 40..70. Values past either end lie on it.
constexpr int kPlotHeight = 144;
int PlotHeightOf(PlotQuantity quantity, int value);
// A pane's curve as drawn: each record's height (PlotHeightOf), or
// kNoPlotValue for a gap. Two equal curves are the same pixels.
std::vector<int> CurveOf(const PlotSamples& samples, LinkKind link, PlotQuantity quantity);
// The x of record i: 12 pixels apart from the left edge.
constexpr int PlotX(int record) { return 12 * record; }

// The latest value's text beside a pane, units padded as the panes have them
// ("-- C    " for a temperature that is no reading).
std::string PlotLatestText(PlotQuantity quantity, int value, const std::string& temperatureText);

}  // namespace voltaris
