// The four record tables, one CSV file each in the working folder:
//   EventRecord.csv (record), HistorRecord.csv (HistoryData),
//   MonthRecord.csv (MonthRecord), db3.csv (CloseApp).
//
// Rows are never lost: every append reaches the disk before it returns; a
// row that cannot be written (file held by another program, read-only, disk
// full) waits in a queue and goes in, in order, with the next operation that
// can write. Both threads of the program may call in at once.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "records/durable_file.h"
#include "records/record_text.h"

namespace voltaris {

enum class RecordTable { Events, History, Daily, ClosedApps };
enum class DailyColumn { BatteryLow, AcFail, ScheduleDown };

struct TableInfo {
  const char* fileName;
  const char* tableName;
  std::vector<std::string> columns;  // in file order
};
const TableInfo& InfoOf(RecordTable table);
const char* ColumnName(DailyColumn column);

struct RecordResult {
  bool written = true;  // false: the row waits in the queue
  // Set on the first failure after the store last worked, so the caller
  // tells the user once, not for every row that follows.
  FileError error;
};

class RecordStore {
 public:
  static constexpr size_t kMaxPending = 100000;

  // `directory`: where the files are ("" for the current folder).
  RecordStore(std::string directory, const LocalClock& clock);

  RecordResult AppendEvent(const std::string& text);
  RecordResult AppendHistoryRow(const std::vector<std::string>& columns);
  RecordResult IncrementDailyCount(DailyColumn column);
  RecordResult AppendClosedApp();

  using RowHandler = std::function<void(const std::vector<std::string>& row)>;
  // Streams every row in insertion order as the texts of the named columns.
  FileError ReadAll(RecordTable table, const std::vector<std::string>& columns, const RowHandler& onRow);
  // Replaces the file by one holding only the column names, atomically.
  FileError DeleteAll(RecordTable table);

  // Tries to write what is waiting; returns how many rows still wait.
  size_t FlushPending();
  size_t PendingRows() const;
  size_t DroppedRows() const;

  std::string PathOf(RecordTable table) const;

 private:
  struct PendingOp {
    RecordTable table;
    std::string row;                    // an encoded row to append, or
    std::optional<DailyColumn> count;   // a count to add for `dayKey`
    std::string dayKey;
  };

  RecordResult Submit(PendingOp op);
  FileError WritePendingLocked();
  FileError AppendRows(RecordTable table, const std::string& rows);
  FileError AddToDailyCount(DailyColumn column, const std::string& dayKey);

  std::string directory_;
  const LocalClock& clock_;
  mutable std::mutex mutex_;
  std::deque<PendingOp> pending_;
  size_t dropped_ = 0;
  bool failing_ = false;
};

}  // namespace voltaris
