#include "tools/upssim/scenario.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "tools/upssim/ups_model.h"

namespace upssim {
namespace {

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

bool ParseNumber(const std::string& text, double low, double high, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(value)) return false;
  if (value < low || value > high) return false;
  out = value;
  return true;
}

double Number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// What each verb takes: its argument patterns, as they appear in the help text.
struct Grammar {
  const char* verb;
  const char* usage;
  bool (*check)(const std::vector<std::string>& w);
};

bool OnOff(const std::string& w) { return w == "on" || w == "off"; }
bool Value(const std::string& w, double lo, double hi) {
  double v;
  return ParseNumber(w, lo, hi, v);
}

const Grammar kGrammar[] = {
    {"mains", "mains fail|ok",
     [](const auto& w) { return w.size() == 2 && (w[1] == "fail" || w[1] == "ok"); }},
    {"battery",
     "battery <volts> | battery ramp <volts> over <seconds> | battery low on|off | battery curve on|off | "
     "battery age <fraction> | battery charge <fraction> | battery law peukert|kinetic",
     [](const auto& w) {
       if (w.size() == 2) return Value(w[1], 0, 99.9);
       if (w.size() == 3 && (w[1] == "low" || w[1] == "curve")) return OnOff(w[2]);
       if (w.size() == 3 && w[1] == "age") return Value(w[2], 0.01, 1);
       if (w.size() == 3 && w[1] == "charge") return Value(w[2], 0, 1);
       if (w.size() == 3 && w[1] == "law") return ParseBatteryLaw(w[2]).has_value();
       return w.size() == 5 && w[1] == "ramp" && Value(w[2], 0, 99.9) && w[3] == "over" &&
              Value(w[4], 0, 1e6);
     }},
    {"fault", "fault on|off", [](const auto& w) { return w.size() == 2 && OnOff(w[1]); }},
    {"type", "type standby|online",
     [](const auto& w) { return w.size() == 2 && (w[1] == "standby" || w[1] == "online"); }},
    {"temperature", "temperature <celsius>|none",
     [](const auto& w) { return w.size() == 2 && (w[1] == "none" || Value(w[1], 0, 99.9)); }},
    {"load", "load <percent>", [](const auto& w) { return w.size() == 2 && Value(w[1], 0, 999); }},
    {"input", "input <volts>", [](const auto& w) { return w.size() == 2 && Value(w[1], 0, 999.9); }},
    {"output", "output <volts>", [](const auto& w) { return w.size() == 2 && Value(w[1], 0, 999.9); }},
    {"frequency", "frequency <hz>",
     [](const auto& w) { return w.size() == 2 && Value(w[1], 0, 99.9); }},
    {"rated", "rated battery <volts>",
     [](const auto& w) { return w.size() == 3 && w[1] == "battery" && Value(w[2], 0, 99.99); }},
    {"unplug", "unplug", [](const auto& w) { return w.size() == 1; }},
    {"plug", "plug", [](const auto& w) { return w.size() == 1; }},
    {"cut", "cut <characters>|off",
     [](const auto& w) { return w.size() == 2 && (w[1] == "off" || Value(w[1], 0, 100)); }},
    {"noise", "noise <bytes>", [](const auto& w) { return w.size() == 2 && Value(w[1], 1, 4096); }},
    {"trail", "trail <bytes>|off",
     [](const auto& w) { return w.size() == 2 && (w[1] == "off" || Value(w[1], 1, 4096)); }},
    {"quit", "quit", [](const auto& w) { return w.size() == 1; }},
};

}  // namespace

ParseResult ParseAction(const std::string& text) {
  const auto words = Words(text);
  if (words.empty()) return {std::nullopt, "empty action"};
  for (const auto& g : kGrammar) {
    if (words[0] != g.verb) continue;
    if (!g.check(words)) return {std::nullopt, std::string("expected \"") + g.usage + "\""};
    return {Action{words[0], words}, ""};
  }
  return {std::nullopt, "unknown action \"" + words[0] + "\""};
}

void ApplyAction(const Action& a, UpsModel& model, LinkEffects& link, double now) {
  const auto& w = a.words;
  model.Advance(now);  // the battery drew at the old load, on the old mains, until now
  if (a.verb == "mains") {
    model.SetMainsFailed(w[1] == "fail");
  } else if (a.verb == "battery") {
    if (w.size() == 2) model.SetBatteryVoltage(Number(w[1]));
    else if (w[1] == "low") model.SetBatteryLowForced(w[2] == "on");
    else if (w[1] == "curve") model.UseDischargeCurve(w[2] == "on", now);
    else if (w[1] == "age") model.SetBatteryAge(Number(w[2]), now);
    else if (w[1] == "charge") model.SetBatteryCharge(Number(w[2]), now);
    else if (w[1] == "law") model.SetBatteryLaw(*ParseBatteryLaw(w[2]), now);
    else model.RampBatteryVoltage(Number(w[2]), Number(w[4]), now);
  } else if (a.verb == "fault") {
    model.SetFault(w[1] == "on");
  } else if (a.verb == "type") {
    model.SetStandbyType(w[1] == "standby");
  } else if (a.verb == "temperature") {
    model.SetTemperature(w[1] == "none" ? std::nullopt : std::optional<double>(Number(w[1])));
  } else if (a.verb == "load") {
    model.SetLoad(static_cast<int>(Number(w[1])));
  } else if (a.verb == "input") {
    model.SetInputVoltage(Number(w[1]));
  } else if (a.verb == "output") {
    model.SetOutputVoltage(Number(w[1]));
  } else if (a.verb == "frequency") {
    model.SetFrequency(Number(w[1]));
  } else if (a.verb == "rated") {
    model.SetRatedBatteryVoltage(Number(w[2]));
  } else if (a.verb == "unplug" || a.verb == "plug") {
    link.unplugged = a.verb == "unplug";
  } else if (a.verb == "cut") {
    link.cutReplyTo = w[1] == "off" ? -1 : static_cast<int>(Number(w[1]));
  } else if (a.verb == "noise") {
    link.noiseBytes += static_cast<int>(Number(w[1]));
  } else if (a.verb == "trail") {
    link.trailBytes = w[1] == "off" ? 0 : static_cast<int>(Number(w[1]));
  } else if (a.verb == "quit") {
    link.quit = true;
  }
}

std::optional<Scenario> ParseScenario(const std::string& text, std::string& error) {
  Scenario scenario;
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    const auto words = Words(line);
    if (words.empty()) continue;
    const std::string where = "line " + std::to_string(number) + ": ";
    double at = 0;
    if (words.size() < 3 || words[0] != "at" || !ParseNumber(words[1], 0, 1e7, at)) {
      error = where + "expected \"at <seconds> <action>\"";
      return std::nullopt;
    }
    const auto rest = line.substr(line.find(words[1]) + words[1].size());
    auto parsed = ParseAction(rest);
    if (!parsed.action) {
      error = where + parsed.error;
      return std::nullopt;
    }
    scenario.steps.push_back(Step{at, *parsed.action});
  }
  std::stable_sort(scenario.steps.begin(), scenario.steps.end(),
                   [](const Step& a, const Step& b) { return a.at < b.at; });
  return scenario;
}

}  // namespace upssim
