#include "net/nut_protocol.h"

#include <cctype>

namespace voltaris {

bool SameNutWord(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && b[i] == '\0';
}

namespace {

std::string Upper(std::string word) {
  for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return word;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Err(const char* code) { return std::string("ERR ") + code + "\n"; }

// Short descriptions for GET DESC, in our own words; names match as the
// variables do, without regard to case.
const char* DescriptionOf(const std::string& name) {
  static const std::pair<const char*, const char*> kDescriptions[] = {
      {"ups.status", "UPS status"},
      {"ups.load", "Load on the UPS (percent)"},
      {"ups.temperature", "UPS temperature (degrees C)"},
      {"ups.type", "UPS type"},
      {"battery.charge", "Battery charge (percent)"},
      {"battery.voltage", "Battery voltage (V)"},
      {"battery.voltage.nominal", "Nominal battery voltage (V)"},
      {"input.voltage", "Input voltage (V)"},
      {"input.voltage.fault", "Input voltage at the last fault (V)"},
      {"input.frequency", "Input frequency (Hz)"},
      {"output.voltage", "Output voltage (V)"},
      {"device.type", "Device type"},
      {"driver.name", "Driver name"},
      {kBatteryHealthVariable, "Battery health: capacity against the first learnt (percent)"},
  };
  for (const auto& [variable, description] : kDescriptions) {
    if (SameNutWord(name, variable)) return description;
  }
  return "Description unavailable";
}

// One request, split into words; the first word chose the handler.
class Request {
 public:
  Request(const std::vector<std::string>& words, NutSession& session, const NutServerView& view)
      : words_(words), session_(session), view_(view) {}

  std::string Answer() const {
    using Handler = std::string (Request::*)() const;
    // Requests that act for a user want the user's names first, whatever
    // their words: the reference server asks for them in this order too, and
    // a client such as upscmd sends them on that answer.
    constexpr bool kAnyone = false, kNamesFirst = true;
    struct Command {
      const char* word;
      Handler handler;
      bool namesFirst;
    };
    static const Command kCommands[] = {
        {"VER", &Request::Version, kAnyone},          {"NETVER", &Request::ProtocolVersion, kAnyone},
        {"PROTVER", &Request::ProtocolVersion, kAnyone}, {"HELP", &Request::Help, kAnyone},
        {"STARTTLS", &Request::StartTls, kAnyone},    {"LIST", &Request::List, kAnyone},
        {"GET", &Request::Get, kAnyone},              {"USERNAME", &Request::Username, kAnyone},
        {"PASSWORD", &Request::Password, kAnyone},    {"LOGIN", &Request::Login, kNamesFirst},
        {"LOGOUT", &Request::Logout, kAnyone},        {"PRIMARY", &Request::Refuse, kNamesFirst},
        {"MASTER", &Request::Refuse, kNamesFirst},  {"FSD", &Request::Refuse, kNamesFirst},
        {"SET", &Request::Refuse, kNamesFirst},     {"INSTCMD", &Request::Refuse, kNamesFirst},
    };
    for (const Command& command : kCommands) {
      if (!SameNutWord(words_[0], command.word)) continue;
      if (command.namesFirst && !session_.username) return Err("USERNAME-REQUIRED");
      if (command.namesFirst && !session_.password) return Err("PASSWORD-REQUIRED");
      return (this->*command.handler)();
    }
    return Err("UNKNOWN-COMMAND");
  }

 private:
  size_t Arguments() const { return words_.size() - 1; }
  const std::string& Ups(size_t index) const { return words_[index]; }
  bool KnownUps(const std::string& name) const { return SameNutWord(name, view_.settings.upsName.c_str()); }
  const std::string* Variable(const std::string& name) const {
    for (const auto& [key, value] : view_.snapshot.variables) {
      if (SameNutWord(name, key.c_str())) return &value;
    }
    return nullptr;
  }

  std::string Version() const {
    if (Arguments() != 0) return Err("INVALID-ARGUMENT");
    return "Voltaris network UPS server - protocol 1.3\n";
  }
  std::string ProtocolVersion() const { return Arguments() != 0 ? Err("INVALID-ARGUMENT") : "1.3\n"; }
  std::string Help() const {
    return "Commands: HELP VER NETVER PROTVER GET LIST SET INSTCMD LOGIN LOGOUT USERNAME PASSWORD STARTTLS\n";
  }
  std::string StartTls() const { return Err("FEATURE-NOT-CONFIGURED"); }
  std::string Refuse() const { return Err("ACCESS-DENIED"); }

  // LIST and GET refuse only missing words: words after those a request
  // needs are ignored, as the reference server does, so a client that adds
  // one is still answered.
  std::string List() const {
    if (Arguments() >= 1 && SameNutWord(words_[1], "UPS")) {
      return "BEGIN LIST UPS\nUPS " + view_.settings.upsName + " " + QuoteNut(Description()) + "\nEND LIST UPS\n";
    }
    if (Arguments() < 2) return Err("INVALID-ARGUMENT");
    const std::string& kind = words_[1];
    const bool known = SameNutWord(kind, "VAR") || SameNutWord(kind, "CMD") || SameNutWord(kind, "RW") ||
                       SameNutWord(kind, "CLIENT");
    if (!known) return Err("INVALID-ARGUMENT");
    const std::string& ups = Ups(2);
    if (!KnownUps(ups)) return Err("UNKNOWN-UPS");
    const std::string head = Upper(kind) + " " + ups;
    std::string body;
    if (SameNutWord(kind, "VAR")) {
      if (view_.snapshot.stale) return Err("DATA-STALE");
      for (const auto& [name, value] : view_.snapshot.variables) {
        body += "VAR " + ups + " " + name + " " + QuoteNut(value) + "\n";
      }
    } else if (SameNutWord(kind, "CLIENT")) {
      for (const std::string& address : view_.loggedInAddresses) body += "CLIENT " + ups + " " + address + "\n";
    }  // no commands and no writable variables to list
    return "BEGIN LIST " + head + "\n" + body + "END LIST " + head + "\n";
  }

  std::string Get() const {
    if (Arguments() < 2) return Err("INVALID-ARGUMENT");
    const std::string& kind = words_[1];
    const bool byUps = SameNutWord(kind, "UPSDESC") || SameNutWord(kind, "NUMLOGINS");
    const bool byVariable = SameNutWord(kind, "VAR") || SameNutWord(kind, "TYPE") || SameNutWord(kind, "DESC");
    if (!byUps && !(byVariable && Arguments() >= 3)) return Err("INVALID-ARGUMENT");
    const std::string& ups = Ups(2);
    if (!KnownUps(ups)) return Err("UNKNOWN-UPS");
    if (SameNutWord(kind, "UPSDESC")) return "UPSDESC " + ups + " " + QuoteNut(Description()) + "\n";
    if (SameNutWord(kind, "NUMLOGINS")) {
      return "NUMLOGINS " + ups + " " + std::to_string(view_.loggedInAddresses.size()) + "\n";
    }
    const std::string& name = words_[3];
    const std::string head = Upper(kind) + " " + ups + " " + name + " ";
    // A description is of the name, not of this UPS's values: any name gets
    // one, as from the reference server.
    if (SameNutWord(kind, "DESC")) return head + QuoteNut(DescriptionOf(name)) + "\n";
    if (SameNutWord(kind, "VAR") && view_.snapshot.stale) return Err("DATA-STALE");
    const std::string* value = Variable(name);
    if (value == nullptr) return Err("VAR-NOT-SUPPORTED");
    if (SameNutWord(kind, "VAR")) return head + QuoteNut(*value) + "\n";
    return head + "NUMBER\n";  // TYPE: read-only, as the reference server types them
  }

  std::string Username() const { return SetOnce(session_.username, "ALREADY-SET-USERNAME"); }
  std::string Password() const { return SetOnce(session_.password, "ALREADY-SET-PASSWORD"); }
  // USERNAME and PASSWORD: one word each, given once per connection.
  std::string SetOnce(std::optional<std::string>& slot, const char* alreadySet) const {
    if (Arguments() != 1) return Err("INVALID-ARGUMENT");
    if (slot) return Err(alreadySet);
    slot = words_[1];
    return "OK\n";
  }

  // Both names are given (checked before any handler that needs them).
  std::string Login() const {
    if (Arguments() != 1) return Err("INVALID-ARGUMENT");
    if (session_.loggedIn) return Err("ALREADY-LOGGED-IN");
    if (!KnownUps(Ups(1))) return Err("UNKNOWN-UPS");
    for (const NetworkUser& user : view_.settings.users) {
      if (user.name == *session_.username && user.password == *session_.password) {
        session_.loggedIn = true;
        return "OK\n";
      }
    }
    ++session_.refusedLogins;
    return Err("ACCESS-DENIED");
  }

  std::string Logout() const {
    if (Arguments() != 0) return Err("INVALID-ARGUMENT");
    session_.loggedIn = false;
    session_.loggingOut = true;
    return "OK Goodbye\n";
  }

  std::string Description() const { return "UPS monitored by Voltaris"; }

  const std::vector<std::string>& words_;
  NutSession& session_;
  const NutServerView& view_;
};

}  // namespace

std::optional<std::vector<std::string>> SplitNutLine(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) return words;
    std::string word;
    if (line[i] == '"') {
      for (++i;; ++i) {
        if (i == line.size()) return std::nullopt;  // no closing quote
        if (line[i] == '"') break;
        if (line[i] == '\\') {
          if (++i == line.size()) return std::nullopt;
        }
        word += line[i];
      }
      ++i;
    } else {
      for (; i < line.size() && !IsBlank(line[i]); ++i) {
        if (line[i] == '\\') {
          if (++i == line.size()) return std::nullopt;
        }
        word += line[i];
      }
    }
    words.push_back(std::move(word));
  }
}

// A raw CR or LF would end the reply line inside the value and leave its
// rest to be read as a reply of its own. Each becomes a blank rather than
// nothing, so that words a line break kept apart ("OB" and "LB") stay apart.
std::string QuoteNut(const std::string& value) {
  std::string quoted = "\"";
  for (const char c : value) {
    if (c == '\r' || c == '\n') {
      quoted += ' ';
      continue;
    }
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string AnswerNutLine(const std::string& line, NutSession& session, const NutServerView& view) {
  const auto words = SplitNutLine(line);
  if (!words) return Err("INVALID-ARGUMENT");
  if (words->empty()) return Err("UNKNOWN-COMMAND");
  return Request(*words, session, view).Answer();
}

bool AsksToLogIn(const std::string& line) {
  const auto words = SplitNutLine(line);
  return words && !words->empty() && SameNutWord(words->front(), "LOGIN");
}

}  // namespace voltaris
