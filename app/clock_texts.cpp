#include "app/clock_texts.h"

#include <cstdio>

namespace voltaris {

ClockTexts ClockTextsOf(const LocalDateTime& now) {
  static const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
  char date[32], time[16];
  std::snprintf(date, sizeof date, "%d - %02d - %02d", now.year, now.month, now.day);
  std::snprintf(time, sizeof time, "%d:%02d:%02d", now.hour, now.minute, now.second);
  return {date, now.weekday >= 0 && now.weekday < 7 ? kWeekdays[now.weekday] : "", time};
}

}  // namespace voltaris
