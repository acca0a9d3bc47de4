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

// Whether `key` is told for the first time: it joins those told.
template <typename Key>
bool FirstTime(std::vector<Key>& told, const Key& key) {
  if (std::find(told.begin(), told.end(), key) != told.end()) return false;
  told.push_back(key);
  return true;
}

// A reading's own word: the status fields are cut at fixed places, and some
// take in a blank and the next field's first character ("012 5"). Only a
// number's characters pass: a batch file's interpreter would act on a
// quote, "&" or "%" that a garbled reply carried in.
std::string Reading(const std::string& field) {
  const size_t begin = field.find_first_not_of(' ');
  if (begin == std::string::npos) return "";
  std::string word = field.substr(begin, field.find(' ', begin) - begin);
  word.erase(std::remove_if(word.begin(), word.end(),
                            [](char c) { return std::string("0123456789.-").find(c) == std::string::npos; }),
             word.end());
  return word;
}

}  // namespace

// Blanks as Windows splits a command line: spaces and tabs.
CommandProgram SplitCommand(const std::string& commandLine) {
  const size_t start = std::min(commandLine.find_first_not_of(" \t"), commandLine.size());
  if (start < commandLine.size() && commandLine[start] == '"') {
    const size_t close = commandLine.find('"', start + 1);
    if (close == std::string::npos) return {commandLine.substr(start + 1), ""};
    return {commandLine.substr(start + 1, close - start - 1), commandLine.substr(close + 1)};
  }
  const size_t end = std::min(commandLine.find_first_of(" \t", start), commandLine.size());
  return {commandLine.substr(start, end - start), commandLine.substr(end)};
}

bool IsBareProgramName(const std::string& program) { return program.find_first_of("\\/:") == std::string::npos; }

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
      // A script written for Network UPS Tools reads only this: during a
      // drill it must see no event at all, or it would act on a rehearsal.
      {"NOTIFYTYPE", event.drill ? "" : NutName(event.kind)},
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

bool EventCommands::AnyStarting() {
  return std::any_of(running_.begin(), running_.end(),
                     [this](const RunningCommand& c) { return runner_.State(c.token) == CommandState::Starting; });
}

void EventCommands::OnEvent(const PowerEvent& event) {
  const std::string command = CommandFor(config_, event.kind);
  if (command.find_first_not_of(" \t") == std::string::npos) return;
  if (command.size() > kLongestCommand) {
    NoteTooLong(command, event.kind);
    return;
  }
  if (RunningOf(event.kind) >= kMostRunningOfOneEvent) {
    NoteTooMany(event.kind);
    return;
  }
  tooMany_.erase(std::remove(tooMany_.begin(), tooMany_.end(), event.kind), tooMany_.end());
  const unsigned token = runner_.Start(BuildCommand(command, event, clock_.Now(), readings_, upsName_()));
  running_.push_back({token, event.kind, command, 0});
  if (running_.size() == 1) timers_.Arm(kTimerCommandWatch, kWatchMs);
}

void EventCommands::NoteNotStarted(const RunningCommand& command) {
  if (!FirstTime(notStarted_, command.command)) return;
  records_.AppendEvent(Tr(Text::CommandNotStartedEvent) + std::string(KindName(command.kind)));
}

int EventCommands::RunningOf(PowerEventKind kind) const {
  return static_cast<int>(
      std::count_if(running_.begin(), running_.end(), [kind](const RunningCommand& c) { return c.kind == kind; }));
}

// A link that drops and comes back every few seconds would start a process
// per event, each allowed CommandTimeLimit: the ones over the few already
// running are not started, and that is recorded once until one starts again.
void EventCommands::NoteTooMany(PowerEventKind kind) {
  if (!FirstTime(tooMany_, kind)) return;
  records_.AppendEvent(Tr(Text::CommandTooManyEvent) + std::string(KindName(kind)));
}

// Cut, a command could do something else than was written: it is not run.
void EventCommands::NoteTooLong(const std::string& command, PowerEventKind kind) {
  if (!FirstTime(tooLong_, command)) return;
  records_.AppendEvent(Tr(Text::CommandTooLongEvent) + std::string(KindName(kind)));
}

void EventCommands::NoteStarted(const std::string& command) {
  notStarted_.erase(std::remove(notStarted_.begin(), notStarted_.end(), command), notStarted_.end());
}

// What is recorded is recorded after the look: a record that cannot be
// written is itself an event, whose command joins the list looked at.
void EventCommands::OnTimer(unsigned) {
  const int limit = ReadNotifySettings(config_).commandTimeLimitSeconds;
  std::vector<RunningCommand> notStarted, overTime;
  for (auto it = running_.begin(); it != running_.end();) {
    const CommandState state = runner_.State(it->token);
    if (state != CommandState::NotStarted && state != CommandState::Starting) NoteStarted(it->command);
    const bool ended = state == CommandState::Ended || state == CommandState::NotStarted;
    if (!ended && ++it->seconds < limit) {
      ++it;
      continue;
    }
    if (state == CommandState::NotStarted) notStarted.push_back(*it);
    if (!ended) overTime.push_back(*it);
    runner_.Release(it->token);
    it = running_.erase(it);
  }
  if (running_.empty()) timers_.Kill(kTimerCommandWatch);
  for (const RunningCommand& command : notStarted) NoteNotStarted(command);
  for (const RunningCommand& command : overTime) {
    records_.AppendEvent(Tr(Text::CommandOverTimeEvent) + std::string(KindName(command.kind)));
  }
}

}  // namespace voltaris
