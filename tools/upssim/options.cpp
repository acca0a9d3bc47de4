#include "tools/upssim/options.h"

#include <cstdlib>

#include "tools/upssim/line.h"

namespace upssim {

const char kUsage[] =
    "usage: upssim [--rate 2400|4800|9600|...] [--parity none|odd|even] [--data 5..8]\n"
    "              [--stop 1|1.5|2] [--tcp PORT] [--no-pace] [--think-ms MS]\n"
    "              [--time-scale X] [--scenario FILE] [--control SOCKET] [--log FILE]\n"
    "              [--usb-family report|string] [--usb-report-size 8|64] [--check]\n"
    "              [--usb-kind krauler|fabula|hunnox|fuji]\n"
    "              [--discharge] [--battery-age FRACTION] [--battery-law peukert|kinetic]\n"
    "              [--load PERCENT]\n"
    "       upssim --send CONTROL_SOCKET ACTION\n"
    "Serves a model UPS on a new pseudo-terminal (its path is the first line of output)\n"
    "or, with --tcp, on 127.0.0.1 (the port is the first line; 0 picks a free one).\n"
    "--usb-family makes the TCP link carry a USB unit's reports or string descriptors;\n"
    "--usb-kind plays one kind of string unit of the id 0001:0000 (its strings and\n"
    "quirks), the string family implied.\n"
    "--discharge makes the battery run down with the load and its age (battery time\n"
    "runs 1 / --time-scale as fast as the clock) and go low at 11.0 V per block;\n"
    "--battery-law kinetic gives it two wells of charge that recover after a heavy spell.\n";

namespace {

bool ParseNumber(const std::string& text, double low, double& out) {
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0' && out >= low;
}

}  // namespace

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
  Options o;
  bool kindGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        error = arg + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "--no-pace") {
      o.pace = false;
    } else if (arg == "--check") {
      o.checkOnly = true;
    } else if (arg == "--discharge") {
      o.discharge = true;
    } else if (!value(v)) {
      return std::nullopt;
    } else if (arg == "--rate") {
      const auto rate = ParseBitRate(v);
      if (!rate) return error = "bad bit rate \"" + v + "\"", std::nullopt;
      o.line.bitRate = *rate;
    } else if (arg == "--parity") {
      const auto parity = ParseParity(v);
      if (!parity) return error = "bad parity \"" + v + "\"", std::nullopt;
      o.line.parity = *parity;
    } else if (arg == "--data") {
      const auto bits = ParseDataBits(v);
      if (!bits) return error = "bad data bits \"" + v + "\"", std::nullopt;
      o.line.dataBits = *bits;
    } else if (arg == "--stop") {
      const auto stops = ParseStopBits(v);
      if (!stops) return error = "bad stop bits \"" + v + "\"", std::nullopt;
      o.line.stopBits = *stops;
    } else if (arg == "--tcp") {
      char* end = nullptr;
      const long port = std::strtol(v.c_str(), &end, 10);
      if (*end != '\0' || port < 0 || port > 65535) return error = "bad port \"" + v + "\"", std::nullopt;
      o.tcpPort = static_cast<int>(port);
    } else if (arg == "--usb-family") {
      const auto family = ParseUsbFamily(v);
      if (!family) return error = "bad USB family \"" + v + "\"", std::nullopt;
      o.usbFamily = *family;
    } else if (arg == "--usb-kind") {
      const auto kind = ParseUsbKind(v);
      if (!kind) return error = "bad USB kind \"" + v + "\"", std::nullopt;
      o.usbKind = *kind;
      kindGiven = true;
    } else if (arg == "--usb-report-size") {
      if (v != "8" && v != "64") return error = "bad report size \"" + v + "\"", std::nullopt;
      o.usbReportSize = std::stoul(v);
    } else if (arg == "--think-ms") {
      if (!ParseNumber(v, 0, o.thinkMs)) return error = "bad --think-ms \"" + v + "\"", std::nullopt;
    } else if (arg == "--time-scale") {
      if (!ParseNumber(v, 1e-6, o.timeScale)) return error = "bad --time-scale \"" + v + "\"", std::nullopt;
    } else if (arg == "--battery-age") {
      if (!ParseNumber(v, 0.01, o.batteryAge) || o.batteryAge > 1) {
        return error = "bad --battery-age \"" + v + "\"", std::nullopt;
      }
    } else if (arg == "--battery-law") {
      const auto law = ParseBatteryLaw(v);
      if (!law) return error = "bad --battery-law \"" + v + "\"", std::nullopt;
      o.batteryLaw = *law;
    } else if (arg == "--load") {
      double load = 0;
      if (!ParseNumber(v, 0, load) || load > 999) return error = "bad --load \"" + v + "\"", std::nullopt;
      o.load = static_cast<int>(load);
    } else if (arg == "--scenario") {
      o.scenarioPath = v;
    } else if (arg == "--control") {
      o.controlPath = v;
    } else if (arg == "--log") {
      o.logPath = v;
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  if (kindGiven && o.usbFamily == UsbFamily::Report) return error = "--usb-kind plays a string unit", std::nullopt;
  if (kindGiven) o.usbFamily = UsbFamily::String;
  if (o.usbFamily != UsbFamily::None && !o.tcpPort) return error = "--usb-family needs --tcp", std::nullopt;
  if (o.tcpPort) o.pace = false;  // a network link has no line to pace
  return o;
}

}  // namespace upssim
