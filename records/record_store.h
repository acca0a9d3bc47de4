// The record store: the queue of rows towards the tables (record_tables.h)
// and the journals' move.
//
// Rows are never lost. A row goes into its table and is on the disk before
// the call returns. A row that cannot reach its table (the file open in a
// spreadsheet, read-only, a folder in its place) goes at once into the
// table's journal beside it, "<file>.pending", in the same format; the
// journal is moved into the table, in order and exactly once, as soon as the
// table can be written: with the table's next row, at FlushPending (the
// retry timer) and at start-up. Only when the journal cannot be written
// either does a row wait in memory. Each table waits on its own: one that
// cannot be written holds back none of the others. A write to a table or a
// journal that fails may have reached the file all the same (its flush
// failed): it is cut off again, and what cannot be cut off counts as written,
// so no row is written twice.
//
// Moving a journal survives a crash at any step: the journal is first
// renamed "<file>.moving"; then what the table's end looked like and the rows
// are recorded in "<file>.base", the exact bytes to write and where they go in
// "<file>.commit" (each replaced atomically), the moving journal is removed,
// the bytes are written and the two records removed. Whatever is found at
// start-up is finished from the step it reached. A commit waits while another
// program holds the table; if that program saves the table meanwhile (a
// spreadsheet rewriting dates, a note added), the table no longer ends as the
// base recorded, and the rows are placed again after its new last line rather
// than written over what it saved. (A commit record without its base, left by
// an earlier version, is written where it says.)
//
// A last line without its line end (a crash mid-write, or an editor that
// saved without one) is kept as a row when it holds the table's whole set of
// fields (for an event, not the start of an event text the program writes
// cut short), and otherwise moved into "<file>.torn" beside the table.
//
// The folder is taken once, as a full path, when the store is made: a dialog
// that changes the current folder later (a printer's "save as") does not move
// where the rows go.
#pragma once

#include <array>
#include <deque>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "records/record_codec.h"
#include "records/record_reader.h"
#include "records/record_tables.h"
#include "records/record_text.h"
#include "records/row_placing.h"

namespace voltaris {

struct RecordResult {
  bool written = true;  // in its table
  bool kept = true;     // on the disk, in the table or its journal; false: in memory only
  // Set on the first failure after the table last worked, so the caller
  // tells the user once per failing spell, not for every row that follows.
  FileError error;
};

class RecordStore {
 public:
  static constexpr size_t kMaxHeldRows = 100000;  // per table, in memory

  // `directory`: where the files are ("" for the current folder, as it is now).
  RecordStore(std::string directory, const LocalClock& clock, FileSystem& files = DiskFileSystem::Instance());

  RecordResult AppendEvent(const std::string& text);
  RecordResult AppendHistoryRow(const std::vector<std::string>& columns);
  RecordResult IncrementDailyCount(DailyColumn column);
  RecordResult AppendClosedApp();
  RecordResult AppendBatteryRow(const std::vector<std::string>& columns);

  // Start-up: finishes what a crash cut short, moves the journals into their
  // tables and sets torn last lines aside. Returns the first failure.
  FileError Recover();
  // Moves what waits into the tables that can take it now. Returns the first
  // failure of a table that worked until now (to be told once); how many
  // tables still have rows waiting into `waitingTables`.
  FileError FlushPending(size_t* waitingTables = nullptr);
  bool RowsWaiting() const;
  size_t HeldRows() const;     // rows in memory only
  size_t DroppedRows() const;  // rows refused because memory was full

  using RowHandler = voltaris::RowHandler;
  // Streams every row in insertion order as the texts of the named columns.
  FileError ReadAll(RecordTable table, const std::vector<std::string>& columns, const RowHandler& onRow);
  // Replaces the file by one holding only the column names, atomically, and
  // drops the rows waiting for it.
  FileError DeleteAll(RecordTable table);

  std::string PathOf(RecordTable table) const;
  std::string JournalPathOf(RecordTable table) const { return PathOf(table) + ".pending"; }
  std::string MovingPathOf(RecordTable table) const { return PathOf(table) + ".moving"; }
  std::string CommitPathOf(RecordTable table) const { return PathOf(table) + ".commit"; }
  std::string BasePathOf(RecordTable table) const { return PathOf(table) + ".base"; }
  std::string SetAsidePathOf(RecordTable table) const { return PathOf(table) + ".torn"; }

 private:
  struct TableState {
    std::deque<std::string> held;  // encoded rows (for the daily table: counts to add)
    bool journalMayExist = true;   // not known until looked at
    bool failing = false;
  };
  RecordResult Submit(RecordTable table, std::string row);
  TableState& StateOf(RecordTable table) { return tables_[static_cast<size_t>(table)]; }
  FileError Drain(RecordTable table);
  // Rows that wait for the table, in order; a daily commit's day rows,
  // which are written over the table's last day, into `commitDays`.
  std::string WaitingRows(RecordTable table, std::string& commitDays);
  FileError MoveJournal(RecordTable table);
  FileError CommitMovingJournal(RecordTable table, bool mayPlaceAgain = true);
  FileError RecordCommit(RecordTable table, const Placement& place, const std::string& rows);
  FileError ReadCommit(RecordTable table, std::optional<PendingCommit>& commit, bool* damaged);
  FileError Inspect(RecordTable table, const PendingCommit& commit, CommitState& state);
  FileError ApplyCommit(RecordTable table, bool mayPlaceAgain = true);
  FileError PlaceAgain(RecordTable table, const std::string& rows);
  void JournalHeld(RecordTable table);
  void ForgetWrittenRows(RecordTable table, const std::string& path, uint64_t from);
  FileError DrainReporting(RecordTable table);
  FileError WriteToTable(RecordTable table, const std::string& rows, bool* handedOver);
  FileError ReadTailView(RecordTable table, TailView& view);
  FileError Place(RecordTable table, const std::string& rows, Placement& place);
  FileError SetAside(RecordTable table, const std::string& fragment);
  void TidyTail(RecordTable table);

  std::string directory_;
  const LocalClock& clock_;
  FileSystem& files_;
  std::array<TableState, std::size(kAllTables)> tables_;
  size_t dropped_ = 0;
};

}  // namespace voltaris
