#include "base/local_clock.h"

#include <ctime>

namespace voltaris {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// The calendar is counted in years that begin on the first of March, so
// that a leap day ends its year, and in eras of 400 years, each of which has
// the same days.
constexpr std::int64_t kDaysPer400Years = 146097;
constexpr std::int64_t kMarchFirstOfYear0To1970 = 719468;  // days from 0000-03-01 to 1970-01-01

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }
std::int64_t FloorMod(std::int64_t a, std::int64_t b) { return a - FloorDiv(a, b) * b; }

bool ReadLocalTime(std::time_t instant, std::tm& local) {
#ifdef _WIN32
  return localtime_s(&local, &instant) == 0;
#else
  return localtime_r(&instant, &local) != nullptr;
#endif
}

LocalDateTime DateTimeOf(const std::tm& t) {
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_wday};
}

}  // namespace

std::int64_t DaysSince1970(int year, int month, int day) {
  const std::int64_t y = std::int64_t{year} - (month <= 2);
  const std::int64_t era = FloorDiv(y, 400);
  const std::int64_t yearOfEra = FloorMod(y, 400);
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * kDaysPer400Years + dayOfEra - kMarchFirstOfYear0To1970;
}

std::int64_t ShownSeconds(const LocalDateTime& shown) {
  return DaysSince1970(shown.year, shown.month, shown.day) * kSecondsPerDay + std::int64_t{shown.hour} * 3600 +
         shown.minute * 60 + shown.second;
}

LocalDateTime ShownDateTime(std::int64_t shownSeconds) {
  const std::int64_t days = FloorDiv(shownSeconds, kSecondsPerDay);
  const std::int64_t secondOfDay = FloorMod(shownSeconds, kSecondsPerDay);
  const std::int64_t fromYear0 = days + kMarchFirstOfYear0To1970;
  const std::int64_t era = FloorDiv(fromYear0, kDaysPer400Years);
  const std::int64_t dayOfEra = FloorMod(fromYear0, kDaysPer400Years);
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  LocalDateTime t;
  t.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  t.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  t.year = static_cast<int>(yearOfEra + era * 400 + (t.month <= 2));
  t.hour = static_cast<int>(secondOfDay / 3600);
  t.minute = static_cast<int>(secondOfDay / 60 % 60);
  t.second = static_cast<int>(secondOfDay % 60);
  t.weekday = static_cast<int>(FloorMod(days + 4, 7));  // 1970-01-01 was a Thursday
  return t;
}

LocalDateTime LocalClock::LocalAt(UtcSeconds instant) const {
  return ShownDateTime(instant + UtcOffsetAt(instant));
}

// A change of the clock lies between the offsets a day either side, if any.
UtcSeconds LocalClock::FirstInstantShowing(const LocalDateTime& shown) const {
  const std::int64_t face = ShownSeconds(shown);
  const std::int64_t offsetBefore = UtcOffsetAt(face - kSecondsPerDay);
  const std::int64_t offsetAfter = UtcOffsetAt(face + kSecondsPerDay);
  const UtcSeconds underBefore = face - offsetBefore;
  if (UtcOffsetAt(underBefore) == offsetBefore) return underBefore;  // before the change, or its first showing
  const UtcSeconds underAfter = face - offsetAfter;
  if (UtcOffsetAt(underAfter) == offsetAfter) return underAfter;
  return EndOfGap(underAfter, underBefore);  // the clock skips it
}

// The instant the clock jumped forward, found by halving: at `beforeGap` it
// still ran on the old offset, at `afterGap` on the new.
UtcSeconds LocalClock::EndOfGap(UtcSeconds beforeGap, UtcSeconds afterGap) const {
  const std::int64_t oldOffset = UtcOffsetAt(beforeGap);
  while (afterGap - beforeGap > 1) {
    const UtcSeconds middle = beforeGap + (afterGap - beforeGap) / 2;
    (UtcOffsetAt(middle) == oldOffset ? beforeGap : afterGap) = middle;
  }
  return afterGap;
}

LocalDateTime SystemLocalClock::Now() const {
  std::tm local = {};
  ReadLocalTime(std::time(nullptr), local);
  return DateTimeOf(local);
}

UtcSeconds SystemLocalClock::UtcNow() const { return static_cast<UtcSeconds>(std::time(nullptr)); }

// An instant the system cannot convert (Windows stops at the year 3000)
// takes today's offset.
std::int64_t SystemLocalClock::UtcOffsetAt(UtcSeconds instant) const {
  std::tm local = {};
  if (!ReadLocalTime(static_cast<std::time_t>(instant), local)) {
    instant = UtcNow();
    ReadLocalTime(static_cast<std::time_t>(instant), local);
  }
  return ShownSeconds(DateTimeOf(local)) - instant;
}

}  // namespace voltaris
