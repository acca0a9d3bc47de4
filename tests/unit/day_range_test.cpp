// The event data window's date checks and filter.
#include <gtest/gtest.h>

#include "records/day_range.h"

using namespace voltaris;

TEST(DayRange, DaysReadAndWrittenAsTheDailyTableHasThem) {
  const Day d = ParseDay("2007-3-5");
  EXPECT_EQ(d.year, 2007);
  EXPECT_EQ(d.month, 3);
  EXPECT_EQ(d.day, 5);
  EXPECT_EQ(DayText(d), "2007-03-05");
  EXPECT_EQ(DayText(ParseDay("2007-03-05")), "2007-03-05");
  EXPECT_TRUE(ParseDay("2007-3-5") < ParseDay("2007-3-6"));
  EXPECT_TRUE(ParseDay("2007-2-28") < ParseDay("2007-3-1"));
  EXPECT_FALSE(ParseDay("2007-3-5") < ParseDay("2007-3-5"));
}

TEST(DayRange, TenDaysFilteredToThreeWithBothEndsIncluded) {
  int shown = 0;
  for (int day = 1; day <= 10; ++day) {
    shown += DayInRange(DayText({2007, 3, day}), "2007-03-03", "2007-03-05");
  }
  EXPECT_EQ(shown, 3);
  EXPECT_TRUE(DayInRange("2007-03-03", "2007-03-03", "2007-03-03"));
  EXPECT_FALSE(DayInRange("2007-03-02", "2007-03-03", "2007-03-05"));
  EXPECT_FALSE(DayInRange("2007-03-06", "2007-03-03", "2007-03-05"));
}

TEST(DayRange, TheChecksOfAChosenRange) {
  const Day first{2007, 3, 1}, last{2007, 3, 10};
  const DayChoice reversed = ChooseDays(Picker::Start, {2007, 3, 6}, {2007, 3, 5}, first, last);
  EXPECT_FALSE(reversed.filter);  // the list stays as it was
  EXPECT_EQ(reversed.messages, std::vector<std::string>{EndBeforeStartMessage()});
  EXPECT_TRUE(ChooseDays(Picker::End, {2007, 3, 5}, {2007, 3, 5}, first, last).filter);  // one day is a range
  const DayChoice beyond = ChooseDays(Picker::End, {2007, 3, 3}, {2007, 3, 11}, first, last);
  EXPECT_TRUE(beyond.filter);  // a warning, then the filtered list
  EXPECT_EQ(beyond.messages, std::vector<std::string>{DateErrorMessage()});
  EXPECT_TRUE(ChooseDays(Picker::End, {2007, 3, 3}, {2007, 3, 10}, first, last).messages.empty());
  EXPECT_EQ(ChooseDays(Picker::Start, {2007, 2, 28}, {2007, 3, 5}, first, last).messages,
            std::vector<std::string>{NoCurrentRecordMessage()});
  EXPECT_TRUE(ChooseDays(Picker::Start, {2007, 3, 1}, {2007, 3, 5}, first, last).messages.empty());
  EXPECT_EQ(ChooseDays(Picker::End, {2007, 1, 1}, {2007, 2, 28}, first, last).messages,
            std::vector<std::string>{NoCurrentRecordMessage()});
  // An empty table: nothing recorded, every choice warns before the empty list.
  EXPECT_EQ(ChooseDays(Picker::Start, {2007, 3, 3}, {2007, 3, 5}, Day{}, Day{}).messages,
            std::vector<std::string>{DateErrorMessage()});
}
