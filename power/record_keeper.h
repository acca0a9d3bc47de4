// Looks after the rows that could not reach their tables: tells the user once
// per failing spell, keeps the tray tip saying rows wait, and moves them in on
// a retry timer until every table has taken them.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/timer_table.h"
#include "power/engine_ports.h"
#include "power/event_record_port.h"
#include "power/power_events.h"
#include "records/record_store.h"

namespace voltaris {

class RecordKeeper : public TimerOwner, public EventRecordPort {
 public:
  static constexpr unsigned kRetryMs = 5000;

  RecordKeeper(RecordStore& store, TimerPort& timers, NoticePort& notices, const PowerEvents& events);
  void OwnTimers(TimerTable& table);

  // Start-up: finishes what the last run left and starts retrying if rows wait.
  void Recover();
  void AppendEvent(const std::string& text) override {
    if (eventWatch_) eventWatch_(text);
    Note(store_.AppendEvent(text));
  }
  // Every event row is also handed to `watch` (the service's Windows log).
  void WatchEvents(std::function<void(const std::string&)> watch) { eventWatch_ = std::move(watch); }
  void AppendHistoryRow(const std::vector<std::string>& columns) { Note(store_.AppendHistoryRow(columns)); }
  void IncrementDailyCount(DailyColumn column) { Note(store_.IncrementDailyCount(column)); }
  void AppendClosedApp() { Note(store_.AppendClosedApp()); }
  void AppendBatteryRow(const std::vector<std::string>& columns) { Note(store_.AppendBatteryRow(columns)); }

  void OnTimer(unsigned id) override;
  // Moves what waits into the tables now (the retry timer, the program's end).
  void Flush();
  bool RowsWaiting() const { return waiting_; }

 private:
  void Note(const RecordResult& result);
  void Report(const FileError& error, bool onDisk);
  void SetWaiting(bool waiting);

  RecordStore& store_;
  TimerPort& timers_;
  NoticePort& notices_;
  const PowerEvents& events_;
  bool waiting_ = false;
  std::function<void(const std::string&)> eventWatch_;
};

}  // namespace voltaris
