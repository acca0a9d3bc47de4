// Command-line options of upssim.
#pragma once

#include <optional>
#include <string>

#include "tools/upssim/battery_cell.h"
#include "tools/upssim/usb_play.h"
#include "ups/line_timing.h"

namespace upssim {

struct Options {
  voltaris::LineFormat line;  // the UPS's own settings: 2400 8N1 unless told
  std::optional<int> tcpPort; // serve on loopback TCP instead of a pseudo-terminal
  bool pace = true;           // send at the line's bit rate
  double thinkMs = 2.0;       // UPS delay before the first reply byte
  double timeScale = 1.0;     // also: battery time runs 1 / timeScale as fast
  bool discharge = false;     // the battery follows its discharge curve
  double batteryAge = 1.0;    // the fraction of a new battery's capacity left
  BatteryLaw batteryLaw = BatteryLaw::Peukert;
  std::optional<int> load;    // percent of the rating
  std::string scenarioPath;
  std::string controlPath;
  std::string logPath;
  bool checkOnly = false;     // parse the scenario and exit
  // With --tcp: play a USB unit of this family over the link instead of a
  // plain line, its input reports of this many bytes.
  UsbFamily usbFamily = UsbFamily::None;
  size_t usbReportSize = 8;
  // The string family's kind of unit: its strings and quirks.
  UsbKind usbKind = UsbKind::Krauler;
};

// Parses argv; on failure returns nothing and fills `error`.
std::optional<Options> ParseOptions(int argc, char** argv, std::string& error);

extern const char kUsage[];

}  // namespace upssim
