// The Network UPS Tools network protocol (version 1.3), the part its clients
// need to follow a UPS: `upsc` reading variables and a secondary `upsmon`
// logging in and polling the status. One request line in, its reply out;
// no sockets here.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "net/network_settings.h"

namespace voltaris {

// The words of a request line: split at blanks and tabs, "..." keeps blanks
// and takes \" and \\ as escapes. Nothing for an unterminated quote or a
// backslash at the end of the line.
std::optional<std::vector<std::string>> SplitNutLine(const std::string& line);

// Words of the protocol (commands, UPS and variable names) match without
// regard to case.
bool SameNutWord(const std::string& a, const char* b);

// A value in double quotes with " and \ escaped, as replies carry them, and
// each CR or LF sent as a blank: a reply line holds no line break.
std::string QuoteNut(const std::string& value);

// What the server shares: the variables of the UPS, or nothing fresh.
// The battery's health in percent: a variable of this program's own.
inline constexpr char kBatteryHealthVariable[] = "experimental.battery.health";

struct ShareSnapshot {
  bool stale = true;  // the UPS does not answer: variable requests get ERR DATA-STALE
  std::vector<std::pair<std::string, std::string>> variables;  // name, value
};

// One connection's login state.
struct NutSession {
  std::string address;  // the client's address, for LIST CLIENT
  std::optional<std::string> username, password;
  bool loggedIn = false;
  bool loggingOut = false;  // LOGOUT answered: the connection ends after the reply
  int refusedLogins = 0;    // LOGINs refused for their name or password: the server slows the address down
};

// What a request may read besides its own session.
struct NutServerView {
  const NetworkSettings& settings;
  const ShareSnapshot& snapshot;
  const std::vector<std::string>& loggedInAddresses;  // every session logged in to the UPS
};

// The reply to one request line (each reply line ends in LF; a blank line is
// an unknown command, so that a client waiting for a reply is not left
// hanging). LOGIN and LOGOUT change the session.
std::string AnswerNutLine(const std::string& line, NutSession& session, const NutServerView& view);

// The line asks to log in: the server may hold it while its address is
// slowed down after refused logins.
bool AsksToLogIn(const std::string& line);

}  // namespace voltaris
