#include "records/record_text.h"

#include <cstdio>

namespace voltaris {

namespace {

std::string Format(const char* pattern, int a, int b, int c) {
  char text[48];
  std::snprintf(text, sizeof text, pattern, a, b, c);
  return text;
}

}  // namespace

std::string PlainDate(const LocalDateTime& t) { return Format("%d-%d-%d", t.year, t.month, t.day); }
std::string DayKey(const LocalDateTime& t) { return Format("%04d-%02d-%02d", t.year, t.month, t.day); }
std::string PlainTime(const LocalDateTime& t) { return Format("%d:%d:%d", t.hour, t.minute, t.second); }
std::string EventTime(const LocalDateTime& t) { return Format("%d:%02d:%02d", t.hour, t.minute, t.second); }

namespace {

// "a<sep>b<sep>c", each a plain run of digits.
bool ReadThree(const std::string& text, char separator, int (&out)[3]) {
  size_t at = 0;
  for (int i = 0; i < 3; ++i) {
    const size_t end = i < 2 ? text.find(separator, at) : text.size();
    if (end == std::string::npos || end == at || end - at > 4) return false;
    int value = 0;
    for (size_t k = at; k < end; ++k) {
      if (text[k] < '0' || text[k] > '9') return false;
      value = value * 10 + (text[k] - '0');
    }
    out[i] = value;
    at = end + 1;
  }
  return true;
}

}  // namespace

std::optional<LocalDateTime> ReadPlainDateTime(const std::string& date, const std::string& time) {
  int d[3], t[3];
  if (!ReadThree(date, '-', d) || !ReadThree(time, ':', t)) return std::nullopt;
  if (d[1] < 1 || d[1] > 12 || d[2] < 1 || d[2] > 31 || t[0] > 23 || t[1] > 59 || t[2] > 59) return std::nullopt;
  return LocalDateTime{d[0], d[1], d[2], t[0], t[1], t[2]};
}

std::string MakeEventLine(const std::string& text, const LocalDateTime& t) {
  return PlainDate(t) + "  " + EventTime(t) + text;
}

}  // namespace voltaris
