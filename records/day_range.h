// The event data window's date choice: the days the daily table covers, the
// warnings a chosen range gives, and which rows fall inside it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace voltaris {

struct Day {
  int year = 0, month = 0, day = 0;
};
bool operator<(const Day& a, const Day& b);
inline bool operator>(const Day& a, const Day& b) { return b < a; }

// "2007-3-5" or "2007-03-05": split at "-"; missing pieces are 0.
Day ParseDay(const std::string& text);
// The day key of the daily table: "2007-03-05".
std::string DayText(const Day& day);

// The warnings, in the build's words: "End Date could not below Start
// Date,Please choice!", "No Current Record!", "Date error, Once more please!".
const char* EndBeforeStartMessage();
const char* NoCurrentRecordMessage();
const char* DateErrorMessage();

enum class Picker { Start, End };

// What closing a picker's calendar gives: the messages to show, in order,
// and whether the list is rebuilt (not when the start is after the end).
struct DayChoice {
  std::vector<std::string> messages;
  bool filter = true;
};
DayChoice ChooseDays(Picker closed, const Day& start, const Day& end, const Day& firstRecorded,
                     const Day& lastRecorded);

// A row's Date inside [start, end], compared as texts without regard to case.
bool DayInRange(const std::string& date, const std::string& startText, const std::string& endText);

}  // namespace voltaris
