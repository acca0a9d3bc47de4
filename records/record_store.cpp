#include "records/record_store.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "base/csv.h"
#include "base/number_text.h"
#include "base/text_ends.h"
#include "i18n/catalogue.h"

namespace voltaris {
namespace {

constexpr size_t kTailBytes = 4096;  // a row is well under this; one that is not costs a whole read
constexpr char kCommitTag[] = "voltaris-commit";
constexpr char kBaseTag[] = "voltaris-base";
// A commit that finds its table changed again right after placing its rows
// anew waits for the retry; any code but 0 serves, the message is what is told.
constexpr int kChangingCode = 16;
constexpr char kTimedTestEnd[] = " Minute";  // after the self-test prefix and the minutes as stored

// History rows gained the runtime estimate at their end; a table begun
// before has nine columns, and its new rows a tenth without a name.
const TableInfo kTables[] = {
    {"EventRecord.csv", "record", {"event"}, 1},
    {"HistorRecord.csv",
     "HistoryData",
     {"Date", "Time", "Input Voltage", "Output Voltage", "Load", "Battery Level", "Temperature", "Frequency",
      "Status", "Runtime"},
     9},
    {"MonthRecord.csv", "MonthRecord", {"Date", "Battery Low", "AC Fail", "Schedule Down"}, 4},
    {"db3.csv", "CloseApp", {"Data", "Time", "Application"}, 3},
    {"BatteryRecord.csv", "BatteryRecord", {"Date", "Time", "Seconds", "Load", "Battery Voltage", "Charge", "End"}, 7},
};
static_assert(std::size(kTables) == std::size(kAllTables), "one file per table");

bool SameColumns(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SameTextAnyCase);
}

std::string HeaderOf(RecordTable table) { return EncodeCsvRow(InfoOf(table).columns); }

FileError InBuildLanguage(FileError error) {
  error.message = FileMessageInBuildLanguage(error.message);
  return error;
}

size_t DailyIndex(DailyColumn column) { return static_cast<size_t>(column) + 1; }

// Reads `min` to `max` digits at `at`; false when there are fewer.
bool Digits(const std::string& s, size_t& at, size_t min, size_t max) {
  size_t n = 0;
  while (at < s.size() && n < max && std::isdigit(static_cast<unsigned char>(s[at]))) ++at, ++n;
  return n >= min;
}

bool Literal(const std::string& s, size_t& at, const char* text) {
  const std::string t = text;
  if (s.compare(at, t.size(), t) != 0) return false;
  at += t.size();
  return true;
}

// "2007-3-5" or "2007-03-05" at `at`.
bool DateAt(const std::string& s, size_t& at) {
  return Digits(s, at, 4, 4) && Literal(s, at, "-") && Digits(s, at, 1, 2) && Literal(s, at, "-") &&
         Digits(s, at, 1, 2);
}

bool IsDate(const std::string& s) {
  size_t at = 0;
  return DateAt(s, at) && at == s.size();
}

// The event texts the program writes, in both languages (a table may have
// been written by the other build): the catalogue's texts that begin with two
// spaces, but for the timed self-test's prefix, which is no whole text.
const std::vector<std::string>& ProgramEventTexts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> all;
    for (const CatalogueEntry* e = CatalogueBegin(); e != CatalogueEnd(); ++e) {
      if (e->text == Text::SelfTestEventPrefix) continue;
      for (const char* text : {e->english, e->french}) {
        if (StartsWith(text, "  ")) all.emplace_back(text);
      }
    }
    return all;
  }();
  return texts;
}

// An event text cut short while it was written: the start of one the
// program writes, or a timed self-test's without its end. A text the
// program does not write (an older version's, one typed in) is whole.
bool StopsShort(const std::string& text) {
  const auto& texts = ProgramEventTexts();
  if (std::find(texts.begin(), texts.end(), text) != texts.end()) return false;
  for (const auto& whole : texts) {
    if (whole.size() > text.size() && StartsWith(whole, text)) return true;
  }
  for (const char* prefix : {English(Text::SelfTestEventPrefix), French(Text::SelfTestEventPrefix)}) {
    if (StartsWith(text, prefix) && !EndsWith(text, kTimedTestEnd)) return true;
  }
  return false;
}

// Date, two spaces, "9:05:07", then a whole event text, which brings two
// spaces of its own.
bool IsEventLine(const std::string& s) {
  size_t at = 0;
  if (!(DateAt(s, at) && Literal(s, at, "  ") && Digits(s, at, 1, 2) && Literal(s, at, ":") &&
        Digits(s, at, 2, 2) && Literal(s, at, ":") && Digits(s, at, 2, 2))) {
    return false;
  }
  const size_t text = at;
  return Literal(s, at, "  ") && at < s.size() && !StopsShort(s.substr(text));
}

std::vector<std::string> ParseLine(const std::string& line) {
  std::vector<std::string> fields;
  CsvReader reader([&fields](const std::vector<std::string>& f) { fields = f; });
  reader.Feed(line);
  reader.Finish(&fields);
  return fields;
}

std::string Joined(const std::deque<std::string>& rows) {
  std::string all;
  for (const auto& r : rows) all += r;
  return all;
}

// The daily table's journal and held rows are counts to add, in its own row format.
std::string DailyDelta(DailyColumn column, const std::string& dayKey) {
  std::vector<std::string> row{dayKey, "0", "0", "0"};
  row[DailyIndex(column)] = "1";
  return EncodeCsvRow(row);
}

std::vector<std::vector<std::string>> ParseRows(const std::string& rows) {
  std::vector<std::vector<std::string>> out;
  CsvReader reader([&out](const std::vector<std::string>& f) { out.push_back(f); });
  reader.Feed(rows);
  reader.Finish();
  return out;
}

// Adds each day's counts to the last row when it is the same day, else
// starts a new row.
void AddDailyCounts(std::vector<std::vector<std::string>>& days, const std::vector<std::string>& delta) {
  if (delta.size() != 4) return;
  if (days.empty() || !SameTextAnyCase(days.back()[0], delta[0])) {
    days.push_back({delta[0], "0", "0", "0"});
  }
  for (size_t i = 1; i < 4; ++i) {
    days.back()[i] = std::to_string(LeadingInteger(days.back()[i]) + LeadingInteger(delta[i]));
  }
}

// A record's first line: its tag and numbers, then CRLF.
std::string RecordHead(const char* tag, std::initializer_list<uint64_t> numbers) {
  std::string head = tag;
  for (uint64_t n : numbers) head += " " + std::to_string(n);
  return head + "\r\n";
}

// Reads the numbers of a record's first line; where what follows begins.
template <size_t N>
bool ReadHead(const std::string& text, const char* tag, uint64_t (&numbers)[N], size_t& bodyAt) {
  const size_t eol = text.find("\r\n");
  const size_t tagLength = std::strlen(tag);
  if (eol == std::string::npos || text.compare(0, tagLength, tag) != 0) return false;
  const char* p = text.c_str() + tagLength;
  for (uint64_t& n : numbers) {
    char* end = nullptr;
    n = std::strtoull(p, &end, 10);
    if (end == p) return false;
    p = end;
  }
  bodyAt = eol + 2;
  return p == text.c_str() + eol;
}

std::string EncodeCommit(uint64_t at, const std::string& payload) {
  return RecordHead(kCommitTag, {at, payload.size()}) + payload;
}

bool DecodeCommit(const std::string& text, uint64_t& at, std::string& payload) {
  uint64_t numbers[2];
  size_t bodyAt = 0;
  if (!ReadHead(text, kCommitTag, numbers, bodyAt)) return false;
  at = numbers[0];
  payload = text.substr(bodyAt);
  return payload.size() == numbers[1];
}

// Ties a base to the one commit record it was made with (FNV-1a).
uint64_t Fingerprint(const std::string& bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (const unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

// Beside the commit record, and in a file of its own so that an earlier
// version still reads the record: the commit's place, length and
// fingerprint, then the table from the start of the line before the place
// to its end as it was, then the rows placed.
std::string EncodeBase(uint64_t at, const std::string& payload, uint64_t tailAt, const std::string& tail,
                       const std::string& rows) {
  return RecordHead(kBaseTag, {at, payload.size(), Fingerprint(payload), tailAt, tail.size()}) + tail + rows;
}

bool DecodeBase(const std::string& text, uint64_t at, const std::string& payload, uint64_t& tailAt,
                std::string& tail, std::string& rows) {
  uint64_t n[5];
  size_t bodyAt = 0;
  if (!ReadHead(text, kBaseTag, n, bodyAt)) return false;
  const uint64_t tailLength = n[4];
  tailAt = n[3];
  if (n[0] != at || n[1] != payload.size() || n[2] != Fingerprint(payload)) return false;  // another commit's
  if (tailAt > at || at - tailAt > tailLength || tailLength > text.size() - bodyAt) return false;
  tail = text.substr(bodyAt, tailLength);
  rows = text.substr(bodyAt + tailLength);
  return true;
}

// Each byte from the place on is the one that was there or the one the
// commit writes: its write, perhaps cut short, over what was there.
bool WrittenOver(std::string_view now, std::string_view was, std::string_view written) {
  if (now.size() < std::min(was.size(), written.size())) return false;
  for (size_t i = 0; i < now.size(); ++i) {
    const bool old = i < was.size() && now[i] == was[i];
    const bool ours = i < written.size() && now[i] == written[i];
    if (!old && !ours) return false;
  }
  return true;
}

}  // namespace

const TableInfo& InfoOf(RecordTable table) { return kTables[static_cast<int>(table)]; }

const char* ColumnName(DailyColumn column) {
  return InfoOf(RecordTable::Daily).columns[DailyIndex(column)].c_str();
}

std::vector<std::string> LastingColumns(RecordTable table) {
  const TableInfo& info = InfoOf(table);
  return {info.columns.begin(), info.columns.begin() + static_cast<long>(info.lastingColumns)};
}

bool LooksWhole(RecordTable table, const std::vector<std::string>& fields) {
  const TableInfo& info = InfoOf(table);
  if (fields.size() < info.lastingColumns || fields.size() > info.columns.size()) return false;
  return table == RecordTable::Events ? IsEventLine(fields[0]) : IsDate(fields[0]);
}

// What the end of a table looks like, and where new bytes go.
struct RecordStore::TailView {
  bool hasHeader = false;
  uint64_t end = 0;          // where new bytes go
  std::string lineEnd;       // "\r\n" when a whole last row lacks its line end
  std::string fragment;      // an unfinished last line, to be set aside
  bool hasLastRow = false;   // the last whole row, when it is not the column names
  uint64_t lastRowAt = 0;
  std::vector<std::string> lastRow;
  uint64_t readAt = 0;       // the table's last bytes, as read
  std::string read;
};

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
    return {false, false, {28, Tr(Text::RecordDropped)}};
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

// Whether the table still ends as the base recorded, with the commit's bytes
// written over that end in whole or in part, or was saved by another program
// since: then its last line before the place is not there, or something
// other than the old or the new bytes follows it.
FileError RecordStore::Inspect(RecordTable table, const PendingCommit& commit, CommitState& state) {
  FileError error;
  if (!commit.hasBase) {
    // An earlier version's record: begun once the table reaches past its place.
    const auto tail = files_.ReadTail(PathOf(table), 0, &error);
    state = tail && tail->offset > commit.at ? CommitState::Begun : CommitState::NotBegun;
    return error;
  }
  const size_t lineBefore = static_cast<size_t>(commit.at - commit.tailAt);
  const std::string_view recorded(commit.tail);
  const std::string_view was = recorded.substr(lineBefore);
  // A write of ours leaves no more after the place than the longer of the two.
  const auto now = files_.ReadTail(PathOf(table), lineBefore + std::max(was.size(), commit.payload.size()), &error);
  if (error) return error;
  const uint64_t from = now ? now->offset : 0;
  const std::string_view bytes = now ? std::string_view(now->bytes) : std::string_view();
  state = CommitState::Overtaken;
  if (from > commit.tailAt || from + bytes.size() < commit.at) return {};
  const std::string_view seen = bytes.substr(static_cast<size_t>(commit.tailAt - from));
  if (seen.substr(0, lineBefore) != recorded.substr(0, lineBefore)) return {};
  const std::string_view after = seen.substr(lineBefore);
  if (after == was) {
    state = CommitState::NotBegun;
  } else if (WrittenOver(after, was, commit.payload)) {
    state = CommitState::Begun;
  }
  return {};
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
    return {kChangingCode, PathOf(table) + Tr(Text::TableChangedWhileWritten)};
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
  place.tailSetAside = !view.fragment.empty();
  if (place.tailSetAside) {
    if (FileError e = SetAside(table, view.fragment)) return e;
  }
  Compose(table, view, rows, place.at, place.payload);
  // From the start of the line before the place: what a commit checks the
  // table still ends with.
  const size_t at = static_cast<size_t>(place.at - view.readAt);
  const size_t lineEnd = at >= 2 ? view.read.rfind('\n', at - 2) : std::string::npos;
  const size_t lineStart = lineEnd == std::string::npos ? 0 : lineEnd + 1;
  place.tailAt = view.readAt + lineStart;
  place.tail = view.read.substr(lineStart);
  return {};
}

// The bytes that put `rows` at the end of the table, and where they go.
void RecordStore::Compose(RecordTable table, const TailView& view, const std::string& rows, uint64_t& at,
                          std::string& payload) const {
  at = view.end;
  payload = view.hasHeader ? view.lineEnd : HeaderOf(table);
  if (table != RecordTable::Daily) {
    payload += rows;
    return;
  }
  std::vector<std::vector<std::string>> days;
  const auto deltas = ParseRows(rows);
  if (deltas.empty()) return;
  if (view.hasLastRow && SameTextAnyCase(view.lastRow[0], deltas.front()[0])) {
    days.push_back(view.lastRow);
    at = view.lastRowAt;
    payload.clear();
  }
  for (const auto& delta : deltas) AddDailyCounts(days, delta);
  for (const auto& day : days) payload += EncodeCsvRow(day);
}

FileError RecordStore::ReadTailView(RecordTable table, TailView& view) {
  view = TailView{};
  FileError error;
  std::optional<FileTail> tail;
  size_t lastLineStart = 0;
  for (size_t want : {kTailBytes, SIZE_MAX}) {
    tail = files_.ReadTail(PathOf(table), want, &error);
    if (error) return error;
    if (!tail || tail->bytes.empty()) return {};
    // The last line's start must be inside what was read, and for a daily
    // count so must the row before it.
    const std::string& b = tail->bytes;
    const size_t nl = b.rfind('\n', b.size() - 1 - (b.back() == '\n' ? 1 : 0));
    lastLineStart = nl == std::string::npos ? 0 : nl + 1;
    if (nl != std::string::npos || tail->offset == 0) break;
  }
  view.readAt = tail->offset;
  view.read = tail->bytes;
  std::string& bytes = tail->bytes;
  view.hasHeader = true;
  view.end = tail->offset + bytes.size();
  if (bytes.back() != '\n') {
    const std::string torn = bytes.substr(lastLineStart);
    const uint64_t tornAt = tail->offset + lastLineStart;
    const auto fields = ParseLine(torn);
    const bool isHeader = tornAt == 0;
    if (isHeader ? SameColumns(fields, InfoOf(table).columns) : LooksWhole(table, fields)) {
      view.lineEnd = "\r\n";
      if (!isHeader) {
        view.hasLastRow = true;
        view.lastRowAt = tornAt;
        view.lastRow = fields;
      }
      return {};
    }
    view.fragment = torn;
    view.end = tornAt;
    view.hasHeader = !isHeader;
    bytes.resize(lastLineStart);
    if (bytes.empty()) return {};
    const size_t nl = bytes.size() >= 2 ? bytes.rfind('\n', bytes.size() - 2) : std::string::npos;
    lastLineStart = nl == std::string::npos ? 0 : nl + 1;
  }
  const uint64_t lastAt = tail->offset + lastLineStart;
  if (lastAt == 0) return {};  // only the column names
  const auto fields = ParseLine(bytes.substr(lastLineStart));
  if (!LooksWhole(table, fields)) return {};
  view.hasLastRow = true;
  view.lastRowAt = lastAt;
  view.lastRow = fields;
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
  FileError error;
  std::vector<size_t> selected;
  size_t width = 0;
  bool header = true;
  std::vector<std::string> out(columns.size());
  auto deliver = [&](const std::vector<std::string>& fields) {
    if (error) return;
    if (header) {
      header = false;
      width = fields.size();
      for (const auto& name : columns) {
        const auto at = std::find_if(fields.begin(), fields.end(), [&](const std::string& f) { return SameTextAnyCase(f, name); });
        if (at == fields.end()) {
          error = {2, InfoOf(table).fileName + std::string(Tr(Text::TableHasNoColumn)) + "\"" + name + "\""};
          return;
        }
        selected.push_back(static_cast<size_t>(at - fields.begin()));
      }
      return;
    }
    // A row damaged outside the program may lack fields or hold zero bytes:
    // skip it. One with more fields than the names is a newer version's,
    // written to a table an older one began, up to the columns it knows.
    if (fields.size() < width || fields.size() > std::max(width, InfoOf(table).columns.size())) return;
    for (const auto& f : fields) {
      if (f.find('\0') != std::string::npos) return;
    }
    for (size_t i = 0; i < selected.size(); ++i) out[i] = fields[selected[i]];
    onRow(out);
  };
  // The daily table's last day is held back: counts still waiting may add to it.
  std::vector<std::vector<std::string>> lastDays;
  auto feed = [&](const std::vector<std::string>& fields) {
    if (table != RecordTable::Daily || header) {
      deliver(fields);
      return;
    }
    for (const auto& day : lastDays) deliver(day);
    lastDays = {fields};
  };
  CsvReader reader(feed);
  FileError readError;
  files_.Stream(PathOf(table), [&reader](const char* bytes, size_t n) { reader.Feed(std::string_view(bytes, n)); },
                &readError);
  std::vector<std::string> torn;
  if (reader.Finish(&torn) && LooksWhole(table, torn)) feed(torn);  // a whole row without its line end
  // Rows the table could not take yet follow its own, so that what the user
  // sees is complete; the daily table's are counts, added to their days.
  std::string commitDays;
  std::string rows = WaitingRows(table, commitDays);
  const std::string names = HeaderOf(table);
  const bool named = rows.compare(0, names.size(), names) == 0;
  if (named) rows.erase(0, names.size());
  if (header) deliver(ParseRows(names).front());  // a table not created yet
  if (table == RecordTable::Daily) {
    // A daily commit is a day's row with its counts, written over that row.
    for (const auto& day : ParseRows(commitDays)) {
      if (day.size() != 4 || SameColumns(day, InfoOf(table).columns)) continue;
      if (lastDays.empty() || !SameTextAnyCase(lastDays.back()[0], day[0])) lastDays.push_back(day);
      lastDays.back() = day;
    }
    for (const auto& delta : ParseRows(rows)) AddDailyCounts(lastDays, delta);
    for (const auto& day : lastDays) deliver(day);
  } else {
    CsvReader waiting(deliver);
    waiting.Feed(rows);
    waiting.Finish(nullptr);
  }
  return InBuildLanguage(readError ? readError : error);
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
