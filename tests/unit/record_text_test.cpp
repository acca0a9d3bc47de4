#include <gtest/gtest.h>

#include "records/record_text.h"

using namespace voltaris;

TEST(RecordText, DateAndTimeForms) {
  const LocalDateTime march{2007, 3, 5, 9, 5, 7, 1};
  EXPECT_EQ(PlainDate(march), "2007-3-5");
  EXPECT_EQ(DayKey(march), "2007-03-05");
  EXPECT_EQ(PlainTime(march), "9:5:7");
  EXPECT_EQ(EventTime(march), "9:05:07");
  EXPECT_EQ(MakeEventLine("  Program Start", march), "2007-3-5  9:05:07  Program Start");
  const LocalDateTime november{2026, 11, 12, 14, 30, 0, 4};
  EXPECT_EQ(MakeEventLine("  AC Fail!", november), "2026-11-12  14:30:00  AC Fail!");
  EXPECT_EQ(DayKey(november), "2026-11-12");
}
