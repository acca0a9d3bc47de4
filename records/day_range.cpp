#include "records/day_range.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <tuple>

#include "base/number_text.h"
#include "i18n/catalogue.h"

namespace voltaris {

bool operator<(const Day& a, const Day& b) {
  return std::tie(a.year, a.month, a.day) < std::tie(b.year, b.month, b.day);
}

Day ParseDay(const std::string& text) {
  Day d;
  int* pieces[] = {&d.year, &d.month, &d.day};
  size_t at = 0;
  for (int* piece : pieces) {
    const size_t dash = text.find('-', at);
    *piece = LeadingInteger(text.substr(at, dash == std::string::npos ? std::string::npos : dash - at));
    if (dash == std::string::npos) break;
    at = dash + 1;
  }
  return d;
}

std::string DayText(const Day& day) {
  char text[32];
  std::snprintf(text, sizeof text, "%d-%02d-%02d", day.year, day.month, day.day);
  return text;
}

const char* EndBeforeStartMessage() { return Tr(Text::EndDateBeforeStartDate); }
const char* NoCurrentRecordMessage() { return Tr(Text::NoCurrentRecord); }
const char* DateErrorMessage() { return Tr(Text::DateError); }

// The warnings only warn: the list is rebuilt all the same.
DayChoice ChooseDays(Picker closed, const Day& start, const Day& end, const Day& firstRecorded,
                     const Day& lastRecorded) {
  DayChoice choice;
  if (start > end) {
    choice.messages.push_back(EndBeforeStartMessage());
    choice.filter = false;
    return choice;
  }
  if (closed == Picker::Start) {
    if (start < firstRecorded) choice.messages.push_back(NoCurrentRecordMessage());
    if (start > lastRecorded) choice.messages.push_back(DateErrorMessage());
  } else if (end > lastRecorded) {
    choice.messages.push_back(DateErrorMessage());
  } else if (end < firstRecorded) {
    choice.messages.push_back(NoCurrentRecordMessage());
  }
  return choice;
}

namespace {

int CompareIgnoringCase(const std::string& a, const std::string& b) {
  const auto lower = [](unsigned char c) { return std::tolower(c); };
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int d = lower(static_cast<unsigned char>(a[i])) - lower(static_cast<unsigned char>(b[i]));
    if (d != 0) return d;
  }
  return static_cast<int>(a.size() > b.size()) - static_cast<int>(a.size() < b.size());
}

}  // namespace

bool DayInRange(const std::string& date, const std::string& startText, const std::string& endText) {
  return CompareIgnoringCase(date, startText) >= 0 && CompareIgnoringCase(date, endText) <= 0;
}

}  // namespace voltaris
