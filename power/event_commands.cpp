#include "power/event_commands.h"

#include <algorithm>

#include "i18n/catalogue.h"
#include "power/notify_settings.h"
#include "power/timer_ids.h"

namespace voltaris {
namespace {

std::string TwoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

std::string DateText(const LocalDateTime& t) {
  return std::to_string(t.year) + "-" + TwoDigits(t.month) + "-" + TwoDigits(t.day);
}

std::string TimeText(const LocalDateTime& t) {
  return TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

// A reading's own word: the status fields are cut at fixed places, and some
// take in a blank and the next field's first character ("012 5").
std::string Reading(const std::string& field) {
  const size_t begin = field.find_first_not_of(' ');
  if (begin == std::string::npos) return "";
  return field.substr(begin, field.find(' ', begin) - begin);
}

}  // namespace

std::string QuoteArgument(const std::string& argument) {
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');  // the closing quote follows them
  return quoted + "\"";
}

CommandRequest BuildCommand(const std::string& command, const PowerEvent& event, const LocalDateTime& now,
                            const UpsStatus& readings, const std::string& upsName) {
  const std::string seconds = event.secondsLeft >= 0 ? std::to_string(event.secondsLeft) : "";
  const std::vector<std::pair<std::string, std::string>> told = {
      {"VOLTARIS_TEXT", event.text},
      {"VOLTARIS_EVENT", KindName(event.kind)},
      {"NOTIFYTYPE", NutName(event.kind)},
      {"VOLTARIS_DATE", DateText(now)},
      {"VOLTARIS_TIME", TimeText(now)},
      {"VOLTARIS_DRILL", event.drill ? "1" : "0"},
      {"VOLTARIS_SECONDS_LEFT", seconds},
      {"VOLTARIS_INPUT_VOLTAGE", Reading(readings.inputVoltageText)},
      {"VOLTARIS_OUTPUT_VOLTAGE", Reading(readings.outputVoltageText)},
      {"VOLTARIS_LOAD", Reading(readings.loadText)},
      {"VOLTARIS_BATTERY_VOLTAGE", Reading(readings.batteryVoltageText)},
      {"VOLTARIS_TEMPERATURE", Reading(readings.temperatureText)},
      {"VOLTARIS_FREQUENCY", Reading(readings.frequencyText)},
  };
  CommandRequest request;
  request.commandLine = command;
  for (const auto& [name, value] : told) request.commandLine += " " + QuoteArgument(value);
  request.environment = told;
  request.environment.emplace_back("UPSNAME", upsName);
  return request;
}

void EventCommands::OwnTimers(TimerTable& table) { table.Own(kTimerCommandWatch, *this); }

void EventCommands::OnEvent(const PowerEvent& event) {
  const std::string command = CommandFor(config_, event.kind);
  if (command.find_first_not_of(' ') == std::string::npos) return;
  unsigned token = 0;
  if (!runner_.Start(BuildCommand(command, event, clock_.Now(), readings_, upsName_()), token)) {
    NoteNotStarted(command, event.kind);
    return;
  }
  notStarted_.erase(std::remove(notStarted_.begin(), notStarted_.end(), command), notStarted_.end());
  running_.push_back({token, event.kind, 0});
  if (running_.size() == 1) timers_.Arm(kTimerCommandWatch, kWatchMs);
}

void EventCommands::NoteNotStarted(const std::string& command, PowerEventKind kind) {
  if (std::find(notStarted_.begin(), notStarted_.end(), command) != notStarted_.end()) return;
  notStarted_.push_back(command);
  records_.AppendEvent(Tr(Text::CommandNotStartedEvent) + std::string(KindName(kind)));
}

void EventCommands::OnTimer(unsigned) {
  const int limit = ReadNotifySettings(config_).commandTimeLimitSeconds;
  for (auto it = running_.begin(); it != running_.end();) {
    const bool running = runner_.Running(it->token);
    if (running && ++it->seconds < limit) {
      ++it;
      continue;
    }
    if (running) records_.AppendEvent(Tr(Text::CommandOverTimeEvent) + std::string(KindName(it->kind)));
    runner_.Release(it->token);
    it = running_.erase(it);
  }
  if (running_.empty()) timers_.Kill(kTimerCommandWatch);
}

}  // namespace voltaris
