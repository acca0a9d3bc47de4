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

std::string MakeEventLine(const std::string& text, const LocalDateTime& t) {
  return PlainDate(t) + "  " + EventTime(t) + text;
}

}  // namespace voltaris
