// What the tray says: a balloon for the events a user must know of at once,
// and a tip that always tells the state in a few words.
#pragma once

#include <optional>
#include <string>

#include "config/config_file.h"
#include "power/power_events.h"

namespace voltaris {

// "45 s" under a minute, else whole minutes rounded down ("4 min" for 299 s):
// a warning that shows more time than is left would mislead.
std::string DurationText(int seconds);
// To the second, for a report: "5 min 5 s", "5 min", "45 s".
std::string ExactDurationText(int seconds);

struct Balloon {
  std::string title, text;
  bool warning = false;  // the warning icon instead of the information one
};

// Nothing for the shutdown itself and the network's forced shutdown: by then
// nobody can act on a balloon (their commands still run).
std::optional<Balloon> BalloonFor(const PowerEvent& event);

// The tray icon's balloons.
class BalloonPort {
 public:
  virtual ~BalloonPort() = default;
  virtual void ShowBalloon(const Balloon& balloon) = 0;
};

// Shows the event's balloon, unless Balloons=0 switched them off.
void NotifyByBalloon(const PowerEvent& event, const ConfigFile& config, BalloonPort& balloons);

// While the desktop program waits for the service to let the UPS go.
// A window on the service: before its first answer, and while it gives none.
enum class ServiceWait { None, Asked, NotRunning };

struct TrayState {
  bool answering = false;
  bool onBattery = false;
  int secondsLeft = -1;  // until the shutdown while on battery; -1: not known
  bool recordsWaiting = false;
  bool drill = false;
  ServiceWait service = ServiceWait::None;
  std::string runtime;  // the battery's estimate, while on battery ("about 14 min left")
};

std::string TrayTipText(const TrayState& state);

}  // namespace voltaris
