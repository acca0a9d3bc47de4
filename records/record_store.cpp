#include "records/record_store.h"

#include <algorithm>
#include <string_view>

#include "base/csv.h"
#include "base/text_ends.h"
#include "records/daily_counts.h"

namespace voltaris {
namespace {

std::string Joined(const std::deque<std::string>& rows) {
  std::string all;
  for (const auto& r : rows) all += r;
  return all;
}

}  // namespace

RecordStore::RecordStore(std::string directory, const LocalClock& clock, FileSystem& files)
    : directory_(files.FullPath(directory)), clock_(clock), files_(files) {
  if (!directory_.empty() && directory_.back() != '/' && directory_.back() != '\\') {
    directory_ += directory_.find('\\') == std::string::npos ? '/' : '\\';  // as the folder is written
  }
}

std::string RecordStore::PathOf(RecordTable table) const { return directory_ + InfoOf(table).fileName; }

// ---- Appending ------------------------------------------------------------

RecordResult RecordStore::AppendEvent(const std::string& text) {
  return Submit(RecordTable::Events, EncodeCsvRow({MakeEventLine(text, clock_.Now())}));
}

RecordResult RecordStore::AppendHistoryRow(const std::vector<std::string>& columns) {
  std::vector<std::string> row = columns;
  row.resize(InfoOf(RecordTable::History).columns.size());
  return Submit(RecordTable::History, EncodeCsvRow(row));
}

RecordResult RecordStore::IncrementDailyCount(DailyColumn column) {
  return Submit(RecordTable::Daily, DailyDelta(column, DayKey(clock_.Now())));
}

RecordResult RecordStore::AppendClosedApp() {
  const LocalDateTime now = clock_.Now();
  return Submit(RecordTable::ClosedApps, EncodeCsvRow({PlainDate(now), PlainTime(now), "Voltaris"}));
}

RecordResult RecordStore::AppendBatteryRow(const std::vector<std::string>& columns) {
  std::vector<std::string> row = columns;
  row.resize(InfoOf(RecordTable::Battery).columns.size());
  return Submit(RecordTable::Battery, EncodeCsvRow(row));
}

RecordResult RecordStore::Submit(RecordTable table, std::string row) {
  TableState& state = StateOf(table);
  if (state.held.size() >= kMaxHeldRows) {
    ++dropped_;
    return {false, false, RowDropped()};
  }
  state.held.push_back(std::move(row));
  RecordResult result;
  result.error = DrainReporting(table);
  result.written = !state.failing;
  result.kept = state.held.empty();
  return result;
}

// What waits goes towards the table in order: the journal first, then the
// rows held in memory; what the table cannot take goes into the journal.
FileError RecordStore::Drain(RecordTable table) {
  TableState& state = StateOf(table);
  FileError error;
  if (state.journalMayExist) {
    error = MoveJournal(table);
    if (!error) state.journalMayExist = false;
  }
  if (!error && !state.held.empty()) {
    bool handedOver = false;
    error = WriteToTable(table, Joined(state.held), &handedOver);
    if (handedOver) state.held.clear();
    // A daily commit record that could not be applied yet holds the counts:
    // they must not go into the journal as well.
    if (error && handedOver) state.journalMayExist = true;
  }
  if (error && !state.held.empty()) JournalHeld(table);
  return error;
}

// The held rows go into the journal. A write that fails may have reached
// the file all the same (its flush failed): it is cut off again, and
// whatever of it is still there leaves memory, so that no row is moved in
// twice.
void RecordStore::JournalHeld(RecordTable table) {
  TableState& state = StateOf(table);
  const std::string journal = JournalPathOf(table);
  FileError error;
  const auto before = files_.ReadTail(journal, 0, &error);
  if (error) return;  // out of reach: the rows stay in memory
  const uint64_t end = before ? before->offset : 0;
  state.journalMayExist = true;
  const std::string rows = Joined(state.held);
  if (!files_.Append(journal, rows)) {
    state.held.clear();
    return;
  }
  // Whether the cut worked is read back, not taken from what it returns.
  if (before) {
    files_.WriteAtAndEnd(journal, end, "");
  } else {
    files_.Remove(journal);
  }
  ForgetWrittenRows(table, journal, end);
}

// After a write of the held rows to `path` at `from` that failed: the rows
// found whole there are in the file and leave memory; a row cut short is
// set aside with the file's torn last line, and stays in memory.
void RecordStore::ForgetWrittenRows(RecordTable table, const std::string& path, uint64_t from) {
  TableState& state = StateOf(table);
  FileError error;
  const auto tail = files_.ReadTail(path, Joined(state.held).size(), &error);
  if (error || !tail || tail->offset > from || tail->offset + tail->bytes.size() <= from) return;
  std::string_view reached = std::string_view(tail->bytes).substr(static_cast<size_t>(from - tail->offset));
  while (!state.held.empty() && StartsWith(reached, state.held.front())) {
    reached.remove_prefix(state.held.front().size());
    state.held.pop_front();
  }
}

// ---- The journal's move -----------------------------------------------------

// A commit record and a moving journal found together: the journal's rows are
// in the record already (it is written from them before the journal goes).
FileError RecordStore::MoveJournal(RecordTable table) {
  if (files_.Exists(CommitPathOf(table))) {
    if (FileError e = files_.Remove(MovingPathOf(table))) return e;
    if (FileError e = ApplyCommit(table)) return e;
  } else if (files_.Exists(BasePathOf(table))) {
    // Its commit record was applied, or never made.
    if (FileError e = files_.Remove(BasePathOf(table))) return e;
  }
  if (files_.Exists(MovingPathOf(table))) {
    if (FileError e = CommitMovingJournal(table)) return e;
  }
  if (files_.Exists(JournalPathOf(table))) {
    if (FileError e = files_.Rename(JournalPathOf(table), MovingPathOf(table))) return e;
    if (FileError e = CommitMovingJournal(table)) return e;
  }
  return {};
}

FileError RecordStore::CommitMovingJournal(RecordTable table, bool mayPlaceAgain) {
  FileError error;
  const auto journal = files_.ReadWhole(MovingPathOf(table), &error);
  if (error) return error;
  if (!journal) return {};
  // A journal line cut short by a crash is set aside like a table's.
  const size_t complete = journal->rfind('\n') == std::string::npos ? 0 : journal->rfind('\n') + 1;
  if (complete < journal->size()) {
    if (FileError e = SetAside(table, journal->substr(complete))) return e;
  }
  if (complete == 0) return files_.Remove(MovingPathOf(table));
  const std::string rows = journal->substr(0, complete);
  Placement place;
  if (FileError e = Place(table, rows, place)) return e;
  if (FileError e = RecordCommit(table, place, rows)) return e;
  if (FileError e = files_.Remove(MovingPathOf(table))) return e;
  return ApplyCommit(table, mayPlaceAgain);
}

// The base first: a commit record this version made always has one.
FileError RecordStore::RecordCommit(RecordTable table, const Placement& place, const std::string& rows) {
  const std::string base = EncodeBase(place.at, place.payload, place.tailAt, place.tail, rows);
  if (FileError e = files_.Replace(BasePathOf(table), base)) return e;
  return files_.Replace(CommitPathOf(table), EncodeCommit(place.at, place.payload));
}

// Nothing in `commit` when there is no record; `damaged` when the record is
// not ours, or was damaged outside the program.
FileError RecordStore::ReadCommit(RecordTable table, std::optional<PendingCommit>& commit, bool* damaged) {
  commit.reset();
  FileError error;
  const auto text = files_.ReadWhole(CommitPathOf(table), &error);
  if (error || !text) return error;
  PendingCommit read;
  if (!DecodeCommit(*text, read.at, read.payload)) {
    if (damaged) *damaged = true;
    return {};
  }
  const auto base = files_.ReadWhole(BasePathOf(table), &error);
  if (error) return error;
  read.hasBase = base && DecodeBase(*base, read.at, read.payload, read.tailAt, read.tail, read.rows);
  commit = std::move(read);
  return {};
}

FileError RecordStore::Inspect(RecordTable table, const PendingCommit& commit, CommitState& state) {
  FileError error;
  const auto now = files_.ReadTail(PathOf(table), CommitStateBytes(commit), &error);
  state = StateOfCommit(commit, now);
  return error;
}

// Writing the recorded bytes again at the recorded place changes nothing, so
// a commit cut short is simply applied again.
FileError RecordStore::ApplyCommit(RecordTable table, bool mayPlaceAgain) {
  std::optional<PendingCommit> commit;
  bool damaged = false;
  if (FileError e = ReadCommit(table, commit, &damaged)) return e;
  if (damaged) {
    // Not ours, or damaged outside the program: keep it for a person to look at.
    return files_.Rename(CommitPathOf(table), CommitPathOf(table) + ".bad");
  }
  if (!commit) return {};
  CommitState state;
  if (FileError e = Inspect(table, *commit, state)) return e;
  if (state == CommitState::Overtaken) {
    if (mayPlaceAgain) return PlaceAgain(table, commit->rows);
    return TableChanging(PathOf(table));
  }
  uint64_t at = commit->at;
  std::string payload = commit->payload;
  if (!commit->hasBase) {
    FileError error;
    const auto tail = files_.ReadTail(PathOf(table), 0, &error);
    if (error) return error;
    const uint64_t size = tail ? tail->offset : 0;
    if (size < at) {
      // The table was cut short outside the program since: the rows go at its end.
      at = size;
      if (size == 0) payload = HeaderOf(table) + payload;
    }
  }
  if (FileError e = files_.WriteAtAndEnd(PathOf(table), at, payload)) return e;
  if (FileError e = files_.Remove(CommitPathOf(table))) return e;
  return files_.Remove(BasePathOf(table));
}

// Another program saved the table while the commit waited: written at the
// recorded place, the rows would cut off what it saved. They become the
// moving journal again and are placed after the table's present last line
// (daily counts added to the last row there now).
FileError RecordStore::PlaceAgain(RecordTable table, const std::string& rows) {
  if (FileError e = files_.Replace(MovingPathOf(table), rows)) return e;
  if (FileError e = files_.Remove(CommitPathOf(table))) return e;
  if (FileError e = files_.Remove(BasePathOf(table))) return e;
  return CommitMovingJournal(table, false);  // once: a table that keeps changing waits for the retry
}

// ---- Writing into a table ---------------------------------------------------

// `handedOver`: the rows are safe on the disk (in the table, or in a commit
// record that a retry finishes), whatever is returned.
FileError RecordStore::WriteToTable(RecordTable table, const std::string& rows, bool* handedOver) {
  if (handedOver) *handedOver = false;
  Placement place;
  if (FileError e = Place(table, rows, place)) return e;
  const uint64_t at = place.at;
  const std::string& payload = place.payload;
  if (payload.empty() && !place.tailSetAside) {
    if (handedOver) *handedOver = true;
    return {};
  }
  if (table != RecordTable::Daily) {
    if (FileError e = files_.WriteAtAndEnd(PathOf(table), at, payload)) {
      // Part of it may have reached the file (a full disk, a failed flush):
      // it is cut off, so the journalled rows are not there twice; whether
      // the cut worked is read back.
      files_.WriteAtAndEnd(PathOf(table), at, "");
      if (!rows.empty()) ForgetWrittenRows(table, PathOf(table), at + payload.size() - rows.size());
      return e;
    }
    if (handedOver) *handedOver = true;
    return {};
  }
  // A daily count rewrites the last row in place: through a commit record,
  // so a crash in the middle leaves no mixed digits.
  if (FileError e = RecordCommit(table, place, rows)) return e;
  if (handedOver) *handedOver = true;
  return ApplyCommit(table);
}

// Where `rows` go and the bytes that put them there, once a torn last line
// of the table has been set aside.
FileError RecordStore::Place(RecordTable table, const std::string& rows, Placement& place) {
  TailView view;
  if (FileError e = ReadTailView(table, view)) return e;
  if (!view.fragment.empty()) {
    if (FileError e = SetAside(table, view.fragment)) return e;
  }
  place = PlaceRows(table, view, rows);
  return {};
}

FileError RecordStore::ReadTailView(RecordTable table, TailView& view) {
  view = TailView{};
  FileError error;
  std::optional<FileTail> tail;
  for (size_t want : {kTailBytes, SIZE_MAX}) {
    tail = files_.ReadTail(PathOf(table), want, &error);
    if (error) return error;
    if (!tail || tail->bytes.empty()) return {};
    if (LastLineInside(*tail)) break;
  }
  view = ViewOfTail(table, *tail);
  return {};
}

// A torn last line is kept or set aside now rather than with the next row.
void RecordStore::TidyTail(RecordTable table) {
  if (files_.Exists(PathOf(table))) WriteToTable(table, "", nullptr);
}

// Once only: a fragment already at the end of the side file is not added again.
FileError RecordStore::SetAside(RecordTable table, const std::string& fragment) {
  const std::string line = fragment + "\r\n";
  FileError error;
  const auto tail = files_.ReadTail(SetAsidePathOf(table), line.size(), &error);
  if (error) return error;
  if (tail && tail->bytes == line) return {};
  return files_.Append(SetAsidePathOf(table), line);
}

// ---- Start-up and retries ----------------------------------------------------

// The first failure of a spell is returned once, to be told to the user.
FileError RecordStore::DrainReporting(RecordTable table) {
  TableState& state = StateOf(table);
  const FileError error = Drain(table);
  const bool newSpell = error && !state.failing;
  state.failing = static_cast<bool>(error);
  return newSpell ? InBuildLanguage(error) : FileError{};
}

FileError RecordStore::Recover() {
  FileError first;
  for (RecordTable table : kAllTables) {
    const FileError error = DrainReporting(table);
    if (error && !first) first = error;
    if (!StateOf(table).failing) TidyTail(table);
  }
  return first;
}

FileError RecordStore::FlushPending(size_t* waitingTables) {
  FileError first;
  size_t waiting = 0;
  for (RecordTable table : kAllTables) {
    TableState& state = StateOf(table);
    if (!state.journalMayExist && state.held.empty()) continue;
    const FileError error = DrainReporting(table);
    if (error && !first) first = error;
    waiting += state.failing;
  }
  if (waitingTables) *waitingTables = waiting;
  return first;
}

bool RecordStore::RowsWaiting() const {
  return std::any_of(tables_.begin(), tables_.end(),
                     [](const TableState& s) { return s.journalMayExist || !s.held.empty(); });
}

size_t RecordStore::HeldRows() const {
  size_t n = 0;
  for (const auto& s : tables_) n += s.held.size();
  return n;
}

size_t RecordStore::DroppedRows() const { return dropped_; }

// ---- Reading and deleting ------------------------------------------------------

FileError RecordStore::ReadAll(RecordTable table, const std::vector<std::string>& columns, const RowHandler& onRow) {
  TableState& state = StateOf(table);
  // What waited goes in first, if it can; a torn last line is set aside.
  if (!Drain(table)) state.failing = false;
  if (!state.failing) TidyTail(table);
  return ReadTableRows(
      files_, table, PathOf(table), columns,
      [this, table](std::string& commitDays) { return WaitingRows(table, commitDays); }, onRow);
}

std::string RecordStore::WaitingRows(RecordTable table, std::string& commitDays) {
  std::string rows;
  std::optional<PendingCommit> commit;
  bool damaged = false;
  ReadCommit(table, commit, &damaged);
  CommitState state = CommitState::NotBegun;
  // A table that cannot be read shows none of its own rows: the commit's show.
  if (commit && Inspect(table, *commit, state)) state = CommitState::NotBegun;
  if (commit && state == CommitState::Overtaken) {
    rows += commit->rows;  // they go after the table's new end
  } else if (commit && table == RecordTable::Daily) {
    commitDays = commit->payload;
  } else if (commit && state == CommitState::NotBegun) {
    rows += commit->payload;  // a begun one's rows are in the table
  }
  // With a commit record, the moving journal's rows are in it already.
  FileError ignored;
  for (const std::string& journal : {commit || damaged ? std::string() : MovingPathOf(table), JournalPathOf(table)}) {
    if (journal.empty()) continue;
    if (const auto text = files_.ReadWhole(journal, &ignored)) rows += *text;
  }
  rows += Joined(StateOf(table).held);
  // A commit after a last row without its line end begins with one.
  while (rows.compare(0, 2, "\r\n") == 0) rows.erase(0, 2);
  return rows;
}

FileError RecordStore::DeleteAll(RecordTable table) {
  if (FileError e = files_.Replace(PathOf(table), HeaderOf(table))) return InBuildLanguage(e);
  TableState& state = StateOf(table);
  state.failing = false;
  // Rows whose journal stays keep waiting, in memory as on the disk: the
  // caller is told the delete was not complete and shows what is left.
  for (const std::string& waiting :
       {CommitPathOf(table), BasePathOf(table), MovingPathOf(table), JournalPathOf(table)}) {
    if (FileError e = files_.Remove(waiting)) {
      state.journalMayExist = true;
      return InBuildLanguage(e);
    }
  }
  state.held.clear();
  state.journalMayExist = false;
  return {};
}

}  // namespace voltaris
