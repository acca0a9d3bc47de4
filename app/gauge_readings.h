// What the gauge panel shows of a status reply: six readouts with their bar
// positions, and the status pictures.
#pragma once

#include <string>

#include "ups/ups_protocol.h"

namespace voltaris {

struct GaugeReading {
  std::string readout;
  int position = 0;  // the bar's position: the readout's number
};

struct GaugeReadings {
  GaugeReading input, output, load, battery, temperature, frequency;
};

// Each value is the whole-number part of the UPS's text: "230.4" is "230 V";
// a temperature that is no reading shows "-- C" over an empty bar, and so
// does any value a UPS followed over the network does not give ("-- V").
GaugeReadings ReadingsOf(const UpsStatus& status, const BatteryReading& battery);
// What the panel shows with no UPS: "0 V", "0 V", "0 %", "0 %", "0 C", "0 Hz".
GaugeReadings ZeroReadings();

// The bitmaps of the four status pictures, from the status flags.
struct StatusPictures {
  int mains, battery, ups, type;
  bool operator==(const StatusPictures& o) const {
    return mains == o.mains && battery == o.battery && ups == o.ups && type == o.type;
  }
};
StatusPictures PicturesOf(const UpsStatus& status);

// The two link pictures: up or down.
struct LinkPictures {
  int link, traffic;
  bool operator==(const LinkPictures& o) const { return link == o.link && traffic == o.traffic; }
};
LinkPictures LinkPicturesOf(bool up);

}  // namespace voltaris
