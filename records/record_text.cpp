#include "records/record_text.h"

#include <cstdio>
#include <ctime>

namespace voltaris {

LocalDateTime SystemLocalClock::Now() const {
  const std::time_t now = std::time(nullptr);
  std::tm local = {};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
          local.tm_min,         local.tm_sec,     local.tm_wday};
}

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
