// Where new rows go in a table, read from its last bytes: after its last
// whole line, with a torn last line set aside, and for the daily table over
// its last day's row. Pure functions over bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/durable_file.h"
#include "records/record_tables.h"

namespace voltaris {

constexpr size_t kTailBytes = 4096;  // a row is well under this; one that is not costs a whole read

// What the end of a table looks like, and where new bytes go.
struct TailView {
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

// Whether the last line's start is inside `tail` (not empty), and for a
// daily count so is the row before it: else the table is read whole.
bool LastLineInside(const FileTail& tail);
// The end of a table whose last bytes (not none) are `tail`.
TailView ViewOfTail(RecordTable table, const FileTail& tail);

struct Placement {
  uint64_t at = 0;
  std::string payload;
  bool tailSetAside = false;  // a torn last line was moved out of the way
  // The table from the start of the line before `at` to its end, as read.
  uint64_t tailAt = 0;
  std::string tail;
};
// Where `rows` go after the end `view` shows and the bytes that put them
// there (daily counts added to the last row when it is their day).
Placement PlaceRows(RecordTable table, const TailView& view, const std::string& rows);

}  // namespace voltaris
