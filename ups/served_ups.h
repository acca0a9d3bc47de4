// What a UPS served over the network by another computer says, as the
// client that follows it hands it on: the status words that matter, the
// readings (a variable the server does not give is no reading), and why a
// server would not let this computer follow.
#pragma once

#include <optional>
#include <string>

#include "ups/ups_protocol.h"

namespace voltaris {

struct ServedStatus {
  bool onLine = false;          // OL
  bool onBattery = false;       // OB: the mains have failed
  bool batteryLow = false;      // LB
  bool forcedShutdown = false;  // FSD: the primary says shut down now
  bool calibrating = false;     // CAL: the UPS runs a self-test
};

// One complete reply. A variable the server does not give is no reading.
struct ServedReadings {
  std::string status;  // ups.status as served
  ServedStatus flags;
  // Last seen on battery, then silent for the dead time: the battery counts
  // as low, as the numbers cannot be known.
  bool silentOnBattery = false;
  std::optional<double> inputVoltage, outputVoltage, load, batteryCharge, batteryVoltage, inputFrequency,
      temperature, runtimeSeconds, runtimeLowSeconds;
  std::optional<double> healthPercent;  // a Voltaris server's own: the battery's health
};

// The same reply, to the last figure: the status as served, the silence and every number.
bool SameReadings(const ServedReadings& a, const ServedReadings& b);

// Why the server would not let the client follow the UPS.
enum class ServedRefusal {
  AccessDenied,      // ERR ACCESS-DENIED: the user may not log in or read
  UnknownUps,        // ERR UNKNOWN-UPS: the server has no UPS of that name
  WrongCredentials,  // ERR INVALID-USERNAME or INVALID-PASSWORD
  LoginRefused,      // any other answer to a login request
};

// The served reading in the shape every link gives the rest of the program:
// the fields as texts (one decimal; empty where the server gave nothing)
// and the status bits b7..b0 (b7 on battery, b6 battery low, b2 a test).
// `status` holds the last reading: a status with neither OL nor OB keeps
// its supply.
void FillServedStatus(const ServedReadings& served, UpsStatus& status);
// A self-test as the instant command a NUT server takes for it (the timed
// test with its seconds); none for what a secondary may not ask, such as a
// switch-off.
std::optional<std::string> InstantCommandOf(const UpsControl& control);

// The battery gauge from the served charge ("96 %"), or "-- %" over an
// empty bar when the server gives none.
BatteryReading ServedBattery(const ServedReadings& served, UpsStatus& status);

}  // namespace voltaris
