#include "records/record_store.h"

#include <algorithm>
#include <cctype>

#include "config/number_text.h"
#include "records/csv.h"

namespace voltaris {
namespace {

constexpr size_t kDailyTailBytes = 4096;  // a MonthRecord row is about 20 bytes

const TableInfo kTables[] = {
    {"EventRecord.csv", "record", {"event"}},
    {"HistorRecord.csv",
     "HistoryData",
     {"Date", "Time", "Input Voltage", "Output Voltage", "Load", "Battery Level", "Temperature", "Frequency",
      "Status"}},
    {"MonthRecord.csv", "MonthRecord", {"Date", "Battery Low", "AC Fail", "Schedule Down"}},
    {"db3.csv", "CloseApp", {"Data", "Time", "Application"}},
};

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string HeaderOf(RecordTable table) { return EncodeCsvRow(InfoOf(table).columns); }

size_t DailyIndex(DailyColumn column) { return static_cast<size_t>(column) + 1; }

std::string NewDayRow(DailyColumn column, const std::string& dayKey) {
  std::vector<std::string> row{dayKey, "0", "0", "0"};
  row[DailyIndex(column)] = "1";
  return EncodeCsvRow(row);
}

// The last complete row of a file tail: where it starts and its fields.
struct LastRow {
  uint64_t offset = 0;
  size_t length = 0;
  std::vector<std::string> fields;
  bool isHeader = false;
};

std::optional<LastRow> FindLastRow(const FileTail& tail) {
  const std::string& b = tail.bytes;
  if (b.size() < 2 || b.back() != '\n') return std::nullopt;
  const size_t previousEnd = b.rfind('\n', b.size() - 2);
  if (previousEnd == std::string::npos && tail.offset > 0) return std::nullopt;  // row longer than the tail
  const size_t start = previousEnd == std::string::npos ? 0 : previousEnd + 1;
  LastRow last;
  last.offset = tail.offset + start;
  last.length = b.size() - start;
  last.isHeader = last.offset == 0;
  CsvReader reader([&last](const std::vector<std::string>& f) { last.fields = f; });
  reader.Feed(std::string_view(b).substr(start));
  return last;
}

}  // namespace

const TableInfo& InfoOf(RecordTable table) { return kTables[static_cast<int>(table)]; }

const char* ColumnName(DailyColumn column) {
  return InfoOf(RecordTable::Daily).columns[DailyIndex(column)].c_str();
}

RecordStore::RecordStore(std::string directory, const LocalClock& clock)
    : directory_(std::move(directory)), clock_(clock) {
  if (!directory_.empty() && directory_.back() != '/' && directory_.back() != '\\') directory_ += '/';
}

std::string RecordStore::PathOf(RecordTable table) const { return directory_ + InfoOf(table).fileName; }

RecordResult RecordStore::AppendEvent(const std::string& text) {
  return Submit({RecordTable::Events, EncodeCsvRow({MakeEventLine(text, clock_.Now())}), std::nullopt, ""});
}

RecordResult RecordStore::AppendHistoryRow(const std::vector<std::string>& columns) {
  std::vector<std::string> row = columns;
  row.resize(InfoOf(RecordTable::History).columns.size());
  return Submit({RecordTable::History, EncodeCsvRow(row), std::nullopt, ""});
}

RecordResult RecordStore::IncrementDailyCount(DailyColumn column) {
  return Submit({RecordTable::Daily, "", column, DayKey(clock_.Now())});
}

RecordResult RecordStore::AppendClosedApp() {
  const LocalDateTime now = clock_.Now();
  return Submit({RecordTable::ClosedApps, EncodeCsvRow({PlainDate(now), PlainTime(now), "Voltaris"}), std::nullopt, ""});
}

RecordResult RecordStore::Submit(PendingOp op) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (pending_.size() >= kMaxPending) {
    ++dropped_;
    return {false, {28, "too many records waiting to be written; one was dropped"}};
  }
  pending_.push_back(std::move(op));
  const FileError error = WritePendingLocked();
  if (!error) {
    failing_ = false;
    return {};
  }
  RecordResult result{false, {}};
  if (!failing_) result.error = error;  // report a failing spell once
  failing_ = true;
  return result;
}

// Writes the queue in order; consecutive rows of one table go in one append.
FileError RecordStore::WritePendingLocked() {
  while (!pending_.empty()) {
    const PendingOp& first = pending_.front();
    if (first.count) {
      if (FileError e = AddToDailyCount(*first.count, first.dayKey)) return e;
      pending_.pop_front();
      continue;
    }
    std::string rows;
    size_t n = 0;
    for (; n < pending_.size() && pending_[n].table == first.table && !pending_[n].count; ++n) {
      rows += pending_[n].row;
    }
    if (FileError e = AppendRows(first.table, rows)) return e;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
  }
  return {};
}

FileError RecordStore::AppendRows(RecordTable table, const std::string& rows) {
  return AppendDurably(PathOf(table), HeaderOf(table), rows);
}

// Reads only the end of the file: the cost does not grow with the days kept.
FileError RecordStore::AddToDailyCount(DailyColumn column, const std::string& dayKey) {
  const std::string path = PathOf(RecordTable::Daily);
  FileError error;
  auto tail = ReadFileTail(path, kDailyTailBytes, &error);
  if (error) return error;
  if (tail && !tail->bytes.empty() && tail->bytes.back() != '\n') {
    // A torn last row: have it terminated, then look again.
    if (FileError e = AppendDurably(path, HeaderOf(RecordTable::Daily), "")) return e;
    tail = ReadFileTail(path, kDailyTailBytes, &error);
    if (error) return error;
  }
  if (tail && !FindLastRow(*tail)) tail = ReadFileTail(path, SIZE_MAX, &error);  // one very long row
  if (error) return error;
  const auto last = tail ? FindLastRow(*tail) : std::nullopt;
  if (!last || last->isHeader || last->fields.size() != 4 || !SameText(last->fields[0], dayKey)) {
    return AppendRows(RecordTable::Daily, NewDayRow(column, dayKey));
  }
  std::vector<std::string> fields = last->fields;
  fields[DailyIndex(column)] = std::to_string(LeadingInteger(fields[DailyIndex(column)]) + 1);
  const std::string updated = EncodeCsvRow(fields);
  if (updated.size() >= last->length) return WriteAtDurably(path, last->offset, updated);
  // Shorter than before (the old count was not a plain number): rewrite the
  // whole file rather than leave stray bytes behind.
  const auto whole = ReadWholeFile(path, &error);
  if (error || !whole) return error;
  return ReplaceFileAtomically(path, whole->substr(0, static_cast<size_t>(last->offset)) + updated);
}

FileError RecordStore::ReadAll(RecordTable table, const std::vector<std::string>& columns, const RowHandler& onRow) {
  FlushPending();  // what waited goes in first, if it can
  FileError error;
  std::vector<size_t> selected;
  size_t width = 0;
  bool header = true;
  std::vector<std::string> out(columns.size());
  CsvReader reader([&](const std::vector<std::string>& fields) {
    if (error) return;
    if (header) {
      header = false;
      width = fields.size();
      for (const auto& name : columns) {
        const auto at = std::find_if(fields.begin(), fields.end(), [&](const std::string& f) { return SameText(f, name); });
        if (at == fields.end()) {
          error = {2, std::string(InfoOf(table).fileName) + " has no column \"" + name + "\""};
          return;
        }
        selected.push_back(static_cast<size_t>(at - fields.begin()));
      }
      return;
    }
    // A row repaired after a crash may lack fields or hold zero bytes: skip it.
    if (fields.size() != width) return;
    for (const auto& f : fields) {
      if (f.find('\0') != std::string::npos) return;
    }
    for (size_t i = 0; i < selected.size(); ++i) out[i] = fields[selected[i]];
    onRow(out);
  });
  FileError readError;
  StreamFile(PathOf(table), [&reader](const char* bytes, size_t n) { reader.Feed(std::string_view(bytes, n)); },
             &readError);
  reader.Finish();  // a torn last row is not delivered
  return readError ? readError : error;
}

FileError RecordStore::DeleteAll(RecordTable table) {
  std::lock_guard<std::mutex> lock(mutex_);
  pending_.erase(std::remove_if(pending_.begin(), pending_.end(), [table](const PendingOp& op) { return op.table == table; }),
                 pending_.end());
  return ReplaceFileAtomically(PathOf(table), HeaderOf(table));
}

size_t RecordStore::FlushPending() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!WritePendingLocked()) failing_ = false;
  return pending_.size();
}

size_t RecordStore::PendingRows() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pending_.size();
}

size_t RecordStore::DroppedRows() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return dropped_;
}

}  // namespace voltaris
