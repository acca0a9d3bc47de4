// What the program decides from the power state as a whole: where it goes
// on after Windows refused to shut down, whether anything is under way,
// and what the tray tip says.
#pragma once

#include "power/battery_watch.h"
#include "power/countdowns.h"
#include "power/history_recorder.h"
#include "power/notifications.h"
#include "power/power_drill.h"
#include "power/power_engine.h"
#include "power/power_state.h"
#include "power/record_keeper.h"
#include "power/shutdown_gate.h"

namespace voltaris {

// The count-downs that end in a system shutdown. The scheduled one lives on
// a floor above; it comes in as a count that can be reset after a refusal.
class RefusableCount : public ShutdownCount {
 public:
  virtual void ResetAfterRefusedShutdown() = 0;
};

struct PolicyParts {
  PowerState& power;
  RecordKeeper& records;
  PowerEngine& engine;
  HistoryRecorder& history;
  ShutdownGate& gate;
  MainsFailCountdown& mainsFail;
  BatteryLowCountdown& batteryLow;
  ManualCountdown& manual;
  RefusableCount& schedule;
  const PowerDrill& drill;
  const BatteryWatch& battery;
};

class PowerPolicy {
 public:
  explicit PowerPolicy(const PolicyParts& parts) : p_(parts) {}

  // Windows refused the shutdown, or accepted it and never carried it out:
  // recorded once as such, and monitoring goes on with the count-downs that
  // ran out ready to run again; one still counting goes on as it was (the
  // rows were written before the attempt).
  void ResumeAfterRefusedShutdown();
  // A failure, a count-down (hidden ones too) or a shutdown is under way:
  // the service keeps the UPS until it ends, and no drill may start.
  bool EventUnderWay() const;
  // What the tray tip says now.
  TrayState Tray() const;

 private:
  int SecondsUntilShutdown() const;

  PolicyParts p_;
};

}  // namespace voltaris
