// The power-failure drill: the mains-failure chain rehearsed while the UPS
// stays on mains. Its window (marked as a drill) counts a short time of its
// own, its notifications and commands (the failure, then the mains' return)
// are marked as a drill, and at the end a report says what a real failure
// would have done, instead of doing it.
// It records events of its own (no "  AC Fail!", no daily count), never
// tells the network secondaries anything and never shuts down; a real
// mains failure ends it at once and the real chain goes on by itself.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/timer_table.h"
#include "power/battery_watch.h"
#include "power/countdowns.h"
#include "power/secondaries_port.h"

namespace voltaris {

// What the report is made of.
struct DrillFacts {
  int firstWarningSeconds = 0;  // CutACTimeMessage
  int countSeconds = 0;         // BatteryTime
  std::vector<std::string> applications;  // those Windows would close
  bool upsAnswering = false;
  bool mayShutDown = true;      // this account holds the right to shut Windows down
  size_t secondariesLoggedIn = 0;
  int secondariesWaitSeconds = 0;
  int expectedRuntimeSeconds = -1;  // how long the battery should last; -1: not known
  int runtimeMarginSeconds = -1;    // the shutdown on a learnt estimate keeps this margin; -1: it would not act
};

std::string DrillReportText(const DrillFacts& facts);

// What the drill needs from Windows.
class DrillPort {
 public:
  virtual ~DrillPort() = default;
  // The titles of the other programs' visible windows: those a shutdown closes.
  virtual std::vector<std::string> OpenApplications() const = 0;
  virtual bool MayShutDown() const = 0;
  // Shown without holding up the caller.
  virtual void ShowReport(const std::string& report) = 0;
};

struct DrillState {
  bool running = false;
  int remaining = 0;  // seconds
  int full = 0;
};

class PowerDrill : public TimerOwner {
 public:
  // `mayStart`: no failure, count-down or shutdown is under way.
  // `runtime`: the battery's estimate, which a count-down must not outlast.
  PowerDrill(CountdownContext context, SecondariesPort& secondaries, DrillPort& port, const RuntimeSource& runtime,
             std::function<bool()> mayStart, std::function<bool()> upsAnswering)
      : c_(context), secondaries_(secondaries), port_(port), runtime_(runtime), mayStart_(std::move(mayStart)),
        upsAnswering_(std::move(upsAnswering)) {}
  void OwnTimers(TimerTable& table);
  // False when refused: one runs already, or a real event is under way.
  bool Start();
  void OnTimer(unsigned id) override;
  CountdownPicture Picture() const;
  // Hides the window; the count goes on, as a real one would.
  void OnOk();
  const DrillState& State() const { return s_; }

 private:
  void Tick();
  void Finish();
  void StopForRealFailure();
  void End();
  DrillFacts Facts() const;

  CountdownContext c_;
  SecondariesPort& secondaries_;
  DrillPort& port_;
  const RuntimeSource& runtime_;
  std::function<bool()> mayStart_;
  std::function<bool()> upsAnswering_;
  DrillState s_;
};

}  // namespace voltaris
