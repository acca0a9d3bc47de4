#include "records/row_placing.h"

#include "base/csv.h"
#include "base/text_ends.h"
#include "records/daily_counts.h"

namespace voltaris {
namespace {

// Where the last line of `bytes` (not empty) begins.
size_t LastLineStart(const std::string& b) {
  const size_t nl = b.rfind('\n', b.size() - 1 - (b.back() == '\n' ? 1 : 0));
  return nl == std::string::npos ? 0 : nl + 1;
}

// The bytes that put `rows` at the end of the table, and where they go.
void Compose(RecordTable table, const TailView& view, const std::string& rows, uint64_t& at,
             std::string& payload) {
  at = view.end;
  payload = view.hasHeader ? view.lineEnd : HeaderOf(table);
  if (table != RecordTable::Daily) {
    payload += rows;
    return;
  }
  DayRows days;
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

}  // namespace

bool LastLineInside(const FileTail& tail) { return LastLineStart(tail.bytes) != 0 || tail.offset == 0; }

TailView ViewOfTail(RecordTable table, const FileTail& tail) {
  TailView view;
  view.readAt = tail.offset;
  view.read = tail.bytes;
  std::string bytes = tail.bytes;
  size_t lastLineStart = LastLineStart(bytes);
  view.hasHeader = true;
  view.end = tail.offset + bytes.size();
  if (bytes.back() != '\n') {
    const std::string torn = bytes.substr(lastLineStart);
    const uint64_t tornAt = tail.offset + lastLineStart;
    const auto fields = ParseLine(torn);
    const bool isHeader = tornAt == 0;
    if (isHeader ? SameColumns(fields, InfoOf(table).columns) : LooksWhole(table, fields)) {
      view.lineEnd = "\r\n";
      if (!isHeader) {
        view.hasLastRow = true;
        view.lastRowAt = tornAt;
        view.lastRow = fields;
      }
      return view;
    }
    view.fragment = torn;
    view.end = tornAt;
    view.hasHeader = !isHeader;
    bytes.resize(lastLineStart);
    if (bytes.empty()) return view;
    const size_t nl = bytes.size() >= 2 ? bytes.rfind('\n', bytes.size() - 2) : std::string::npos;
    lastLineStart = nl == std::string::npos ? 0 : nl + 1;
  }
  const uint64_t lastAt = tail.offset + lastLineStart;
  if (lastAt == 0) return view;  // only the column names
  const auto fields = ParseLine(bytes.substr(lastLineStart));
  if (!LooksWhole(table, fields)) return view;
  view.hasLastRow = true;
  view.lastRowAt = lastAt;
  view.lastRow = fields;
  return view;
}

Placement PlaceRows(RecordTable table, const TailView& view, const std::string& rows) {
  Placement place;
  place.tailSetAside = !view.fragment.empty();
  Compose(table, view, rows, place.at, place.payload);
  // From the start of the line before the place: what a commit checks the
  // table still ends with.
  const size_t at = static_cast<size_t>(place.at - view.readAt);
  const size_t lineEnd = at >= 2 ? view.read.rfind('\n', at - 2) : std::string::npos;
  const size_t lineStart = lineEnd == std::string::npos ? 0 : lineEnd + 1;
  place.tailAt = view.readAt + lineStart;
  place.tail = view.read.substr(lineStart);
  return place;
}

}  // namespace voltaris
