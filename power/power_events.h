// The moments a user (or a script of theirs) must hear of at once: the
// mains failing and coming back, a low battery, the UPS lost and found, a
// shutdown on its way, self-tests, records that cannot be written, and the
// drill. The parts that make them happen announce them here; the tray's
// notifications and the event commands listen.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace voltaris {

enum class PowerEventKind {
  MainsFailed,
  MainsBack,
  BatteryLow,
  UpsLost,
  UpsFound,
  ShutdownWarning,  // a count-down towards a shutdown has begun
  Shutdown,         // the system is being shut down now
  ForcedShutdown,   // the network secondaries are told the power is going
  SelfTestStarted,
  SelfTestEnded,
  RecordsWaiting,
  BatteryWeak,      // the battery's health fell below the setting: replace it soon
};

// Why a count-down towards a shutdown runs.
enum class ShutdownCause { None, MainsFailed, BatteryLow, Manual, Schedule };

struct PowerEvent {
  PowerEventKind kind = PowerEventKind::MainsFailed;
  std::string text;          // the event line as recorded, or as it would read
  int secondsLeft = -1;      // until the shutdown, where a count runs; -1: none
  ShutdownCause cause = ShutdownCause::None;
  bool drill = false;        // rehearsed: nothing real happens
};

// The kind's own name ("MainsFailed"): the settings key naming its command
// and what the command is told.
const char* KindName(PowerEventKind kind);
// The name monitors of the Network UPS Tools family give the same event
// ("ONBATT"), or "" where they have none.
const char* NutName(PowerEventKind kind);

class PowerEvents {
 public:
  using Listener = std::function<void(const PowerEvent&)>;
  void Listen(Listener listener) { listeners_.push_back(std::move(listener)); }
  void Announce(const PowerEvent& event) const {
    for (const Listener& listener : listeners_) listener(event);
  }

 private:
  std::vector<Listener> listeners_;
};

}  // namespace voltaris
