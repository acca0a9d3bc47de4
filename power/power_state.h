// Where a power event stands, as one named phase with named transitions.
// The engine reports the supply at each accepted status; the count-downs,
// the shutdown gate and the program's life report what they did. Every
// change of phase passes ChangeState, and what may start (a drill, the
// service letting the UPS go) is decided from the phase alone.
#pragma once

#include <vector>

namespace voltaris {

// What the UPS said of the supply at its last accepted status.
struct Supply {
  bool mainsFailed = false;
  bool batteryLow = false;
};

enum class PowerPhase {
  OnMains,          // nothing under way
  MainsFailed,      // the mains failed: the warning waits CutACTimeMessage
  OnBattery,        // the mains-failure count runs, its window shown or hidden
  BatteryLow,       // the battery-low count runs
  ShuttingDown,     // a count ended: the secondaries have their time, then Windows is asked
  ShutdownRefused,  // Windows refused the shutdown, or accepted it and never carried it out
  MainsBack,        // the mains came back while the shutdown was under way
};

enum class PowerInput {
  MainsFail,            // a status with the mains failed
  MainsReturn,          // one with the mains normal
  MainsWarningShown,    // the mains-failure window opened and its count runs
  BatteryCountStarted,  // the battery-low window opened and its count runs
  CountEnded,           // the mains' return or the battery's recovery ended a count
  ShutdownBegun,        // a count reached its end (with the reason)
  ShutdownRefused,
  Resumed,              // monitoring again after the refusal
};

// Why the system goes down; the schedule's end switches the UPS off first.
// ServerForced: the server of a UPS followed over the network ordered it.
enum class ShutdownReason { MainsFailed, BatteryLow, Manual, RuntimeLow, Schedule, ServerForced };

// The counts that decide where an event settles once the shutdown is off
// the table or a count has ended.
struct CountFacts {
  bool mainsWarningPending = false;
  bool mainsCounting = false;
  bool batteryCounting = false;
};

// The one table of transitions: the phase an input leads to.
PowerPhase NextPhase(PowerPhase phase, PowerInput input, const CountFacts& facts);
const char* PhaseName(PowerPhase phase);

// A count that ends in a system shutdown.
class ShutdownCount {
 public:
  virtual ~ShutdownCount() = default;
  virtual bool Counting() const = 0;
  // Its warning is on its way (the mains-failure window's delay).
  virtual bool WarningPending() const { return false; }
};

// Told of the supply at every accepted status (the count-downs arm their
// own warnings from it).
class SupplyListener {
 public:
  virtual ~SupplyListener() = default;
  virtual void OnSupply(const Supply& supply) = 0;
};

class PowerState {
 public:
  // The mains-failure and battery-low counts, which the phase follows.
  void Follow(const ShutdownCount& mains, const ShutdownCount& battery) {
    mains_ = &mains;
    battery_ = &battery;
  }
  // Told of the supply, in the order they listen.
  void Listen(SupplyListener& listener) { listeners_.push_back(&listener); }

  // The engine: an accepted status.
  void Report(const Supply& supply);
  // The count-downs, the gate and the program's life.
  void Apply(PowerInput input);
  // The first reason stays while the shutdown is under way.
  void ShutdownBegun(ShutdownReason reason);

  PowerPhase Phase() const { return phase_; }
  ShutdownReason Reason() const { return reason_; }
  const Supply& Now() const { return supply_; }
  // A failure, a count or a shutdown is under way.
  bool EventUnderWay() const { return phase_ != PowerPhase::OnMains; }

 private:
  void ChangeState(PowerPhase next) { phase_ = next; }
  CountFacts Facts() const;

  PowerPhase phase_ = PowerPhase::OnMains;
  ShutdownReason reason_ = ShutdownReason::MainsFailed;
  Supply supply_;
  const ShutdownCount* mains_ = nullptr;
  const ShutdownCount* battery_ = nullptr;
  std::vector<SupplyListener*> listeners_;
};

}  // namespace voltaris
