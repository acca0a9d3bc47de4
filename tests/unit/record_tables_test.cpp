#include <gtest/gtest.h>

#include "records/record_tables.h"

using namespace voltaris;

// An event line's time has minutes and seconds of two digits each: with
// fewer, the line was not written whole by the program.
TEST(RecordTornLine, AnEventLineIsWholeOnlyWithTwoDigitMinutesAndSeconds) {
  EXPECT_TRUE(LooksWhole(RecordTable::Events, {"2026-12-8  9:05:02  Program End"}));
  EXPECT_FALSE(LooksWhole(RecordTable::Events, {"2026-12-8  9:5:02  Program End"}));
  EXPECT_FALSE(LooksWhole(RecordTable::Events, {"2026-12-8  9:05:2  Program End"}));
}
