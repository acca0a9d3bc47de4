// What the service's monitoring and the desktop programs of logged-on users
// say to each other over the service's local channel. The service watches
// the UPS alone; a desktop program is only its window: it asks for the
// state once a second and passes its user's commands on, and the service
// decides from the caller's own rights whether to carry one out.
//
// Each request is one line; each answer is one message: a state is a list
// of lines ended by "END", anything else one line, "OK" or "ERR <why>".
// Both sides take nothing longer than they expect, and a state without its
// end is no state: a half-read one would show a count that is not running.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "net/nut_protocol.h"
#include "power/countdown_ports.h"
#include "power/notifications.h"

namespace voltaris {

constexpr size_t kLongestWindowRequest = 1024;  // a setting's section, key and value (each at most 254) fit
constexpr size_t kLongestServiceState = 16384;
// The service writes each key of a request, with its row, before it
// answers, within the bound its window thread has for a request: a line
// carries this many keys at most.
constexpr size_t kMostKeysPerLine = 8;

// ---- Requests ----------------------------------------------------------------------

enum class WindowAsks {
  State,           // the readings, the count and the tray's state
  ShutDown,        // "ShutDown System"
  CancelShutDown,  // "Cancel Shutdown System"
  TenSecondTest,
  TestUntilLow,
  TimedTest,      // for the minutes the settings hold (SpecialTimeTest)
  CancelSelfTest,
  Drill,
  NewBattery,     // the UPS's battery was replaced: learnt afresh
  SetSetting,     // keys of one section of the settings file
  ApplySettings,  // the keys set are all there: the work takes them up
};

// Keys and their values, written in this order.
using SettingKeys = std::vector<std::pair<std::string, std::string>>;

struct WindowRequest {
  WindowAsks asks = WindowAsks::State;
  unsigned command = 0;  // the menu command the service carries out for it (none for the state and settings)
  std::string section;   // SetSetting
  SettingKeys keys;
};

// What the channel knows of the account that asks, from its own token.
struct CallerRights {
  bool administrator = false;
  bool mayShutDown = false;  // holds the right to shut the system down (enabled or not)
  std::string account;       // "DOMAIN\name", for the records; empty when unknown
};

// NotNow: allowed, but the service could not carry it out (a shutdown
// under way, a UPS that does not answer, a test already running).
enum class RequestRefusal { None, TooLong, Unknown, NotAllowed, NotNow };

// The request a line makes; none, with why, for a line no window sends.
std::optional<WindowRequest> ParseWindowRequest(const std::string& line, RequestRefusal* refusal);
std::string RequestLine(WindowAsks asks);
// "SET <section>\t<key>\t<value>[\t<key>\t<value>...]": the keys a dialog
// saves, in as few lines as the longest request holds, so that a save is
// one conversation with the service rather than one a key. None for a
// setting a line cannot carry (a tab or a line break in it, an empty name,
// a key too long for a line of its own).
std::optional<std::vector<std::string>> SettingLines(const std::string& section, const SettingKeys& keys);
// The request a window sends for a menu command; none for a command that
// is the window's own (a viewer, the About box).
std::optional<WindowAsks> RequestForCommand(unsigned command);
// Who may do what: reading is everyone's; what ends in Windows going down
// (a shutdown, a test that may drain the battery) needs the caller's own
// right to shut it down; the drill runs the administrators' commands and is
// theirs alone. Taking a shutdown or test back is the shutdown right's too:
// a user who may not shut down must not stop one the battery asks for.
// Settings, through the service, by section, named exactly as the dialogs
// write them: the history's are every user's; the count-downs' times, the
// messages and the schedules need the right to shut down (they decide when
// Windows goes down); the link, the UPS followed over the network, and any
// other section (the commands run with the system's rights among them) are
// the administrators'.
bool MayAsk(const WindowRequest& request, const CallerRights& rights);
// The answer to a request refused or carried out.
std::string RefusalAnswer(RequestRefusal refusal);
constexpr char kRequestTaken[] = "OK";

// ---- The service's state ---------------------------------------------------------

// A count-down window the service has open, as it would draw it.
struct ShownCountdown {
  CountdownWindow which = CountdownWindow::MainsFail;
  CountdownPicture picture;
};

struct ServiceState {
  ShareSnapshot ups;  // the variables it would serve to a secondary; stale while the UPS is silent
  TrayState tray;     // answering, on battery, the seconds its count has left, the drill, the estimate
  // The last balloon the service would have shown, and how many it has had:
  // a window shows one when the number changes.
  unsigned balloons = 0;
  Balloon balloon;
  std::vector<ShownCountdown> countdowns;
};

std::string WriteServiceState(const ServiceState& state);
// None for a message cut short, too long or not a state at all.
std::optional<ServiceState> ReadServiceState(const std::string& message);

}  // namespace voltaris
