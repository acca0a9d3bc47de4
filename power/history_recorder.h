// The history rows: one every HistoryTimerDelay seconds, measured while the
// UPS answers (timers 1034 over serial, 1035 over USB), "not connected"
// while it does not (1036 over USB, 1037 over serial). The link engine
// reports the link; the recorder runs the one timer that fits it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "base/timer_port.h"
#include "base/timer_table.h"
#include "config/config_file.h"
#include "power/battery_watch.h"
#include "power/record_keeper.h"
#include "records/record_text.h"
#include "ups/ups_protocol.h"

namespace voltaris {

// One-shot notes for the Status column, each written once at a later row.
struct HistoryNotes {
  bool tillLowTestStarted = false;
  bool tenSecondTestStarted = false;
  bool batteryLowOpened = false;
  bool timedTestStarted = false;
};

struct HistoryState {
  std::array<bool, 4> firstRow{true, true, true, true};  // per timer, 1034..1037
  std::string previousFlags;                             // b7..b3 at the last connected row
  bool mainsFailureRemembered = false;
  HistoryNotes notes;
  unsigned running = 0;  // the timer of the link state last entered, 0 for none
};

class HistoryRecorder : public TimerOwner {
 public:
  // `runtime`: the battery's estimate, the rows' last column.
  HistoryRecorder(TimerPort& timers, RecordKeeper& records, const ConfigFile& config, const LocalClock& clock,
                  const UpsStatus& status, const RuntimeSource* runtime = nullptr)
      : timers_(timers), records_(records), config_(config), clock_(clock), status_(status), runtime_(runtime) {}
  void OwnTimers(TimerTable& table);
  void OnTimer(unsigned id) override;

  // The link as the engine sees it: the timer of that state runs, with the
  // interval the settings give at that moment (none while recording is off).
  void OnLink(LinkKind kind, bool answering);
  // New settings: the timer stops, and the next report starts the fitting one.
  void RestartTimers();
  // The program ends: the measured rows stop.
  void Stop();
  // A new run (after a refused system shutdown): every timer's next row is its first.
  void BeginRun() {
    s_.firstRow = {true, true, true, true};
    s_.running = 0;
  }
  HistoryNotes& Notes() { return s_.notes; }
  const HistoryState& State() const { return s_; }

  // The row's texts, apart from date and time (exposed for the tests).
  std::vector<std::string> ConnectedRow(unsigned timer);
  std::vector<std::string> DisconnectedRow(unsigned timer);

 private:
  void WriteConnectedRow(unsigned timer);
  void WriteDisconnectedRow(unsigned timer);
  std::string StatusColumn(unsigned timer);
  std::string TakeNote();
  std::string BatteryLevel() const;
  bool& FirstRow(unsigned timer);

  TimerPort& timers_;
  RecordKeeper& records_;
  const ConfigFile& config_;
  const LocalClock& clock_;
  const UpsStatus& status_;
  const RuntimeSource* runtime_;
  HistoryState s_;
};

}  // namespace voltaris
