#include "net/window_channel.h"

#include <cctype>
#include <charconv>

#include "base/text_ends.h"
#include "config/settings.h"
#include "res/command_ids.h"

namespace voltaris {
namespace {

struct RequestWord {
  WindowAsks asks;
  const char* line;
  unsigned command;
};

// One list: the line each request is sent as, and the menu command the
// service carries out for it.
constexpr RequestWord kRequests[] = {
    {WindowAsks::State, "STATE", 0},
    {WindowAsks::ShutDown, "SHUTDOWN", IDC_SHUTDOWN_SYSTEM},
    {WindowAsks::CancelShutDown, "CANCEL SHUTDOWN", IDC_CANCEL_SHUTDOWN},
    {WindowAsks::TenSecondTest, "TEST 10", IDC_SELFTEST_10_SECONDS},
    {WindowAsks::TestUntilLow, "TEST LOW", IDC_SELFTEST_TILL_LOW},
    {WindowAsks::TimedTest, "TEST TIMED", IDC_SELFTEST_SPECIAL_TIME},
    {WindowAsks::CancelSelfTest, "CANCEL TEST", IDC_CANCEL_SELFTEST},
    {WindowAsks::Drill, "DRILL", IDC_POWER_DRILL},
    {WindowAsks::NewBattery, "NEW BATTERY", IDC_NEW_BATTERY},
    {WindowAsks::ApplySettings, "APPLY SETTINGS", 0},
};

constexpr char kSettingWord[] = "SET ";

// Who may change each section through the service; a section not listed is
// the administrators'. Names are matched exactly: the settings file takes
// names as Windows does (blanks trimmed, any case), so a name written any
// other way could stand for a section of the administrators'.
enum class SettingRight { AnyUser, MayShutDown };
struct SectionRight {
  const char* section;
  SettingRight right;
};
constexpr SectionRight kSectionRights[] = {
    {section::kDataRecord, SettingRight::AnyUser},
    {section::kAlarmMessage, SettingRight::MayShutDown},
    {section::kSchema, SettingRight::MayShutDown},
    {section::kRuntime, SettingRight::MayShutDown},
};

bool MaySet(const std::string& name, const CallerRights& rights) {
  if (rights.administrator) return true;
  for (const SectionRight& entry : kSectionRights) {
    if (name != entry.section) continue;
    return entry.right == SettingRight::AnyUser || rights.mayShutDown;
  }
  return false;
}

bool HasEndBlanks(const std::string& text) {
  return !text.empty() && (std::isspace(static_cast<unsigned char>(text.front())) ||
                           std::isspace(static_cast<unsigned char>(text.back())));
}

// The fields of a line after its kind, split at each `separator`.
std::vector<std::string> Fields(const std::string& rest, char separator) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t at; (at = rest.find(separator, start)) != std::string::npos; start = at + 1) {
    fields.push_back(rest.substr(start, at - start));
  }
  fields.push_back(rest.substr(start));
  return fields;
}

// "SET <section>\t<key>\t<value>[\t<key>\t<value>...]": the section and
// keys not empty, a value for every key.
std::optional<WindowRequest> ParseSetting(std::string_view words) {
  words.remove_prefix(sizeof kSettingWord - 1);
  const std::vector<std::string> fields = Fields(std::string(words), '\t');
  if (fields.size() < 3 || fields.size() % 2 == 0) return std::nullopt;
  WindowRequest request{WindowAsks::SetSetting, 0, fields[0], {}};
  if (request.section.empty() || HasEndBlanks(request.section)) return std::nullopt;  // never one name for another
  for (size_t i = 1; i < fields.size(); i += 2) {
    if (fields[i].empty() || HasEndBlanks(fields[i])) return std::nullopt;
    request.keys.emplace_back(fields[i], fields[i + 1]);
  }
  return request;
}

// A value is kept on its line: a line break in one would end the line early
// and make the rest read as lines of their own.
std::string OnOneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

// A text in a tab-separated field: neither a line break nor a tab ends it early.
std::string AsField(std::string text) {
  for (char& c : text) {
    if (c == '\t') c = ' ';
  }
  return OnOneLine(std::move(text));
}

std::optional<int> WholeNumber(const std::string& text) {
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return number;
}

std::optional<bool> Flag(const std::string& text) {
  if (text == "0" || text == "1") return text == "1";
  return std::nullopt;
}

// "TRAY <answering> <on battery> <seconds left> <drill>".
bool ReadTray(const std::string& rest, TrayState& tray) {
  const std::vector<std::string> words = Fields(rest, ' ');
  if (words.size() != 4) return false;
  const auto answering = Flag(words[0]), onBattery = Flag(words[1]), drill = Flag(words[3]);
  const auto secondsLeft = WholeNumber(words[2]);
  if (!answering || !onBattery || !drill || !secondsLeft || *secondsLeft < -1) return false;
  tray.answering = *answering;
  tray.onBattery = *onBattery;
  tray.secondsLeft = *secondsLeft;
  tray.drill = *drill;
  return true;
}


// "<which> <count shown> <seconds> <alarm x> <count x>", then at tabs the
// mark, alarm, normal and runtime lines and the count's prefix and suffix.
constexpr size_t kCountdownFields = 7;

std::string CountdownLine(const ShownCountdown& shown) {
  const CountdownPicture& p = shown.picture;
  std::string line = "WINDOW " + std::to_string(static_cast<int>(shown.which)) + " " + std::to_string(p.showCount) +
                     " " + std::to_string(p.seconds) + " " + std::to_string(p.alarmX) + " " + std::to_string(p.countX);
  for (const std::string* text : {&p.markLine, &p.alarmLine, &p.normalLine, &p.runtimeLine, &p.countPrefix,
                                  &p.countSuffix}) {
    line += "\t" + AsField(*text);
  }
  return line + "\n";
}

bool ReadCountdown(const std::string& rest, ServiceState& state) {
  const std::vector<std::string> fields = Fields(rest, '\t');
  if (fields.size() != kCountdownFields) return false;
  std::vector<std::optional<int>> numbers;
  for (const std::string& word : Fields(fields[0], ' ')) numbers.push_back(WholeNumber(word));
  if (numbers.size() != 5) return false;
  for (const auto& number : numbers) {
    if (!number) return false;
  }
  if (*numbers[0] < 0 || *numbers[0] >= static_cast<int>(kCountdownWindowCount) || (*numbers[1] != 0 && *numbers[1] != 1)) {
    return false;
  }
  ShownCountdown shown;
  shown.which = static_cast<CountdownWindow>(*numbers[0]);
  CountdownPicture& p = shown.picture;
  p.showCount = *numbers[1] == 1;
  p.seconds = *numbers[2];
  p.alarmX = *numbers[3];
  p.countX = *numbers[4];
  p.markLine = fields[1];
  p.alarmLine = fields[2];
  p.normalLine = fields[3];
  p.runtimeLine = fields[4];
  p.countPrefix = fields[5];
  p.countSuffix = fields[6];
  state.countdowns.push_back(std::move(shown));
  return true;
}

// "BALLOON <count> <warning>\t<title>\t<text>".
bool ReadBalloon(const std::string& rest, ServiceState& state) {
  const std::vector<std::string> fields = Fields(rest, '\t');
  if (fields.size() != 3) return false;
  const std::vector<std::string> head = Fields(fields[0], ' ');
  if (head.size() != 2) return false;
  const auto count = WholeNumber(head[0]);
  const auto warning = Flag(head[1]);
  if (!count || *count < 0 || !warning) return false;
  state.balloons = static_cast<unsigned>(*count);
  state.balloon = {fields[1], fields[2], *warning};
  return true;
}

// One line of a state; false for one that is garbled.
bool ReadStateLine(const std::string& line, ServiceState& state, bool& trayRead) {
  const size_t space = line.find(' ');
  const std::string kind = line.substr(0, space);
  const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
  if (kind == "STALE") {
    const auto stale = Flag(rest);
    if (stale) state.ups.stale = *stale;
    return stale.has_value();
  }
  if (kind == "VAR") {
    const size_t split = rest.find(' ');
    if (split == std::string::npos || split == 0) return false;
    state.ups.variables.emplace_back(rest.substr(0, split), rest.substr(split + 1));
    return true;
  }
  if (kind == "TRAY") return trayRead = ReadTray(rest, state.tray);
  if (kind == "BALLOON") return ReadBalloon(rest, state);
  if (kind == "WINDOW") return ReadCountdown(rest, state);
  if (kind == "RUNTIME") state.tray.runtime = rest;
  // A line of a later version is left to it.
  return true;
}

}  // namespace

std::optional<WindowRequest> ParseWindowRequest(const std::string& line, RequestRefusal* refusal) {
  *refusal = RequestRefusal::None;
  if (line.size() > kLongestWindowRequest) {
    *refusal = RequestRefusal::TooLong;
    return std::nullopt;
  }
  std::string_view words = line;
  if (EndsWith(words, "\n")) words.remove_suffix(1);
  if (StartsWith(words, kSettingWord)) {
    std::optional<WindowRequest> setting = ParseSetting(words);
    if (!setting) *refusal = RequestRefusal::Unknown;
    return setting;
  }
  words = WithoutEndBlanks(words);
  for (const RequestWord& request : kRequests) {
    if (words == request.line) return WindowRequest{request.asks, request.command, {}, {}};
  }
  *refusal = RequestRefusal::Unknown;
  return std::nullopt;
}

std::optional<std::vector<std::string>> SettingLines(const std::string& section, const SettingKeys& keys) {
  const auto carried = [](const std::string& text) { return text.find_first_of("\t\r\n") == std::string::npos; };
  if (section.empty() || !carried(section) || keys.empty()) return std::nullopt;
  std::vector<std::string> lines;
  size_t keysInLine = 0;
  const std::string start = kSettingWord + section;
  for (const auto& [key, value] : keys) {
    if (key.empty() || !carried(key) || !carried(value)) return std::nullopt;
    const std::string pair = "\t" + key + "\t" + value;
    if (lines.empty() || lines.back().size() + pair.size() > kLongestWindowRequest || keysInLine == kMostKeysPerLine) {
      lines.push_back(start);
      keysInLine = 0;
    }
    lines.back() += pair;
    ++keysInLine;
    if (lines.back().size() > kLongestWindowRequest) return std::nullopt;
  }
  return lines;
}

std::string RequestLine(WindowAsks asks) {
  for (const RequestWord& request : kRequests) {
    if (request.asks == asks) return request.line;
  }
  return "";
}

std::optional<WindowAsks> RequestForCommand(unsigned command) {
  for (const RequestWord& request : kRequests) {
    if (command != 0 && request.command == command) return request.asks;
  }
  return std::nullopt;
}

bool MayAsk(const WindowRequest& request, const CallerRights& rights) {
  switch (request.asks) {
    case WindowAsks::State:
    case WindowAsks::ApplySettings: return true;
    case WindowAsks::SetSetting: return MaySet(request.section, rights);
    case WindowAsks::Drill:
    case WindowAsks::NewBattery: return rights.administrator;
    case WindowAsks::ShutDown:
    case WindowAsks::CancelShutDown:
    case WindowAsks::TenSecondTest:
    case WindowAsks::TestUntilLow:
    case WindowAsks::TimedTest:
    case WindowAsks::CancelSelfTest: return rights.mayShutDown;
  }
  return false;
}

std::string RefusalAnswer(RequestRefusal refusal) {
  switch (refusal) {
    case RequestRefusal::None: return kRequestTaken;
    case RequestRefusal::TooLong: return "ERR TOO-LONG";
    case RequestRefusal::Unknown: return "ERR UNKNOWN-COMMAND";
    case RequestRefusal::NotAllowed: return "ERR ACCESS-DENIED";
    case RequestRefusal::NotNow: return "ERR NOT-NOW";
  }
  return "ERR UNKNOWN-COMMAND";
}

std::string WriteServiceState(const ServiceState& state) {
  std::string message = std::string("STALE ") + (state.ups.stale ? "1" : "0") + "\n";
  for (const auto& [name, value] : state.ups.variables) message += "VAR " + OnOneLine(name) + " " + OnOneLine(value) + "\n";
  const TrayState& tray = state.tray;
  message += "TRAY " + std::to_string(tray.answering) + " " + std::to_string(tray.onBattery) + " " +
             std::to_string(tray.secondsLeft < -1 ? -1 : tray.secondsLeft) + " " + std::to_string(tray.drill) + "\n";
  if (!tray.runtime.empty()) message += "RUNTIME " + OnOneLine(tray.runtime) + "\n";
  if (state.balloons > 0) {
    const Balloon& balloon = state.balloon;
    message += "BALLOON " + std::to_string(state.balloons) + " " + std::to_string(balloon.warning) + "\t" +
               AsField(balloon.title) + "\t" + AsField(balloon.text) + "\n";
  }
  for (const ShownCountdown& shown : state.countdowns) message += CountdownLine(shown);
  return message + "END\n";
}

std::optional<ServiceState> ReadServiceState(const std::string& message) {
  if (message.size() > kLongestServiceState) return std::nullopt;
  ServiceState state;
  bool trayRead = false;
  size_t start = 0;
  for (size_t end; (end = message.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = message.substr(start, end - start);
    if (line == "END") return trayRead && end + 1 == message.size() ? std::optional(state) : std::nullopt;
    if (!ReadStateLine(line, state, trayRead)) return std::nullopt;
  }
  return std::nullopt;  // cut short
}

}  // namespace voltaris
