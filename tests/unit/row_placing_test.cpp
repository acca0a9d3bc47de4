#include <gtest/gtest.h>

#include <string>

#include "records/daily_counts.h"
#include "records/row_placing.h"

using namespace voltaris;

namespace {

const std::string kEventHeader = "event\r\n";
const std::string kDailyHeader = "Date,Battery Low,AC Fail,Schedule Down\r\n";

struct PlacingCase {
  const char* what;
  RecordTable table;
  std::string tail;
  uint64_t tailOffset;
  std::string rows;
  // Expected:
  uint64_t at;
  std::string payload;
  bool setAside;
  std::string lineBefore;  // the table from the line before the place, as a commit checks it
};

}  // namespace

// Where new rows go, read from a table's last bytes as plain strings: after
// the last whole line, a torn line set aside, a whole row that lost its line
// end given one, a table torn in its column names begun again, and a daily
// count added to its day's row in place.
TEST(RowPlacing, RowsGoAfterTheLastWholeLineOfTheTail) {
  const std::string acRow = "2026-12-10  9:05:07  AC Fail!";
  const std::string ac = acRow + "\r\n";
  const std::string back = "2026-12-10  9:05:09  AC Restore!\r\n";
  const std::string cut = "ore!\r\n";  // the end of a line the tail begins inside
  const uint64_t header = kEventHeader.size(), rowAfterCut = 4096 + cut.size() + ac.size();
  const std::string today = DailyDelta(DailyColumn::AcFail, "2026-12-10");
  const std::string dayRow = "2026-12-10,0,1,0";
  const uint64_t dayAt = kDailyHeader.size();
  const PlacingCase cases[] = {
      {"a whole table", RecordTable::Events, kEventHeader + ac, 0, back, header + ac.size(), back, false, ac},
      {"only the column names", RecordTable::Events, kEventHeader, 0, ac, header, ac, false, kEventHeader},
      {"a torn last line", RecordTable::Events, kEventHeader + ac + "2026-12-10  9:05:09  AC Re", 0, back,
       header + ac.size(), back, true, ac + "2026-12-10  9:05:09  AC Re"},
      {"a whole row without its line end", RecordTable::Events, kEventHeader + acRow, 0, back, header + acRow.size(),
       "\r\n" + back, false, acRow},
      {"torn column names", RecordTable::Events, "eve", 0, ac, 0, kEventHeader + ac, true, "eve"},
      {"a tail from the middle of the table", RecordTable::Events, cut + ac, 4096, back, rowAfterCut, back, false,
       ac},
      {"a torn line after a tail's cut first line", RecordTable::Events, cut + ac + "2026-12-10  9:0", 4096, back,
       rowAfterCut, back, true, ac + "2026-12-10  9:0"},
      {"the day's row counted in place", RecordTable::Daily, kDailyHeader + dayRow + "\r\n", 0, today, dayAt,
       "2026-12-10,0,2,0\r\n", false, kDailyHeader + dayRow + "\r\n"},
      {"a new day after the last", RecordTable::Daily, kDailyHeader + "2026-12-09,1,0,0\r\n", 0, today,
       dayAt + dayRow.size() + 2, dayRow + "\r\n", false, "2026-12-09,1,0,0\r\n"},
      {"the day's row without its line end", RecordTable::Daily, kDailyHeader + dayRow, 0, today, dayAt,
       "2026-12-10,0,2,0\r\n", false, kDailyHeader + dayRow},
  };
  for (const PlacingCase& c : cases) {
    SCOPED_TRACE(c.what);
    const FileTail tail{c.tail, c.tailOffset};
    ASSERT_TRUE(LastLineInside(tail));
    const Placement place = PlaceRows(c.table, ViewOfTail(c.table, tail), c.rows);
    EXPECT_EQ(place.at, c.at);
    EXPECT_EQ(place.payload, c.payload);
    EXPECT_EQ(place.tailSetAside, c.setAside);
    EXPECT_EQ(place.tail, c.lineBefore);
    EXPECT_EQ(place.tailAt + place.tail.size(), c.tailOffset + c.tail.size());
  }
  // A tail that is one cut line: the whole table must be read.
  EXPECT_FALSE(LastLineInside(FileTail{cut, 4096}));
  EXPECT_TRUE(LastLineInside(FileTail{"\n" + ac, 4096}));
}
