#include "records/record_reader.h"

#include <algorithm>
#include <string_view>

#include "base/csv.h"
#include "base/text_ends.h"
#include "records/daily_counts.h"

namespace voltaris {

FileError ReadTableRows(FileSystem& files, RecordTable table, const std::string& path,
                        const std::vector<std::string>& columns, const WaitingRowsReader& waiting,
                        const RowHandler& onRow) {
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
          error = NoSuchColumn(table, name);
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
  DayRows lastDays;
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
  files.Stream(path, [&reader](const char* bytes, size_t n) { reader.Feed(std::string_view(bytes, n)); },
               &readError);
  std::vector<std::string> torn;
  if (reader.Finish(&torn) && LooksWhole(table, torn)) feed(torn);  // a whole row without its line end
  // Rows the table could not take yet follow its own; the daily table's are
  // counts, added to their days.
  std::string commitDays;
  std::string rows = waiting(commitDays);
  const std::string names = HeaderOf(table);
  const bool named = rows.compare(0, names.size(), names) == 0;
  if (named) rows.erase(0, names.size());
  if (header) deliver(ParseRows(names).front());  // a table not created yet
  if (table == RecordTable::Daily) {
    // A daily commit is a day's row with its counts, written over that row.
    TakeCommitDays(lastDays, commitDays);
    for (const auto& delta : ParseRows(rows)) AddDailyCounts(lastDays, delta);
    for (const auto& day : lastDays) deliver(day);
  } else {
    CsvReader waitingRows(deliver);
    waitingRows.Feed(rows);
    waitingRows.Finish(nullptr);
  }
  return InBuildLanguage(readError ? readError : error);
}

}  // namespace voltaris
