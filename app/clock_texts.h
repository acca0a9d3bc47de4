// The three lines of the clock panel: date, weekday (the one the weekly
// schedule uses) and time.
#pragma once

#include <string>

#include "base/local_clock.h"

namespace voltaris {

struct ClockTexts {
  std::string date;     // "2026 - 12 - 08"
  std::string weekday;  // "Tuesday"
  std::string time;     // "9:05:07"
};

ClockTexts ClockTextsOf(const LocalDateTime& now);

}  // namespace voltaris
