#include "records/record_tables.h"

#include <algorithm>
#include <cctype>

#include "base/csv.h"
#include "base/text_ends.h"
#include "i18n/catalogue.h"

namespace voltaris {
namespace {

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

}  // namespace

const TableInfo& InfoOf(RecordTable table) { return kTables[static_cast<int>(table)]; }

const char* ColumnName(DailyColumn column) {
  return InfoOf(RecordTable::Daily).columns[DailyIndex(column)].c_str();
}

size_t DailyIndex(DailyColumn column) { return static_cast<size_t>(column) + 1; }

std::vector<std::string> LastingColumns(RecordTable table) {
  const TableInfo& info = InfoOf(table);
  return {info.columns.begin(), info.columns.begin() + static_cast<long>(info.lastingColumns)};
}

std::string HeaderOf(RecordTable table) { return EncodeCsvRow(InfoOf(table).columns); }

bool SameColumns(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SameTextAnyCase);
}

bool LooksWhole(RecordTable table, const std::vector<std::string>& fields) {
  const TableInfo& info = InfoOf(table);
  if (fields.size() < info.lastingColumns || fields.size() > info.columns.size()) return false;
  return table == RecordTable::Events ? IsEventLine(fields[0]) : IsDate(fields[0]);
}

std::vector<std::string> ParseLine(const std::string& line) {
  std::vector<std::string> fields;
  CsvReader reader([&fields](const std::vector<std::string>& f) { fields = f; });
  reader.Feed(line);
  reader.Finish(&fields);
  return fields;
}

std::vector<std::vector<std::string>> ParseRows(const std::string& rows) {
  std::vector<std::vector<std::string>> out;
  CsvReader reader([&out](const std::vector<std::string>& f) { out.push_back(f); });
  reader.Feed(rows);
  reader.Finish();
  return out;
}

FileError InBuildLanguage(FileError error) {
  error.message = FileMessageInBuildLanguage(error.message);
  return error;
}

FileError RowDropped() { return {FileErrorKind::Full, Tr(Text::RecordDropped)}; }

FileError TableChanging(const std::string& path) {
  return {FileErrorKind::Changing, path + Tr(Text::TableChangedWhileWritten)};
}

FileError NoSuchColumn(RecordTable table, const std::string& column) {
  return {FileErrorKind::NotFound, InfoOf(table).fileName + std::string(Tr(Text::TableHasNoColumn)) + "\"" + column + "\""};
}

}  // namespace voltaris
