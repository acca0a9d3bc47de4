#include <gtest/gtest.h>

#include "app/clock_texts.h"

using namespace voltaris;

TEST(ClockPanel, DateWeekdayAndTime) {
  const ClockTexts t = ClockTextsOf({2026, 3, 8, 9, 5, 7, 0});
  EXPECT_EQ(t.date, "2026 - 03 - 08");
  EXPECT_EQ(t.weekday, "Sunday");
  EXPECT_EQ(t.time, "9:05:07");
  EXPECT_EQ(ClockTextsOf({2026, 12, 12, 23, 59, 0, 6}).weekday, "Saturday");
}
