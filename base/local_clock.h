// The local date and time, read through an interface so that tests can set
// it, and the real time behind it. The local clock skips an hour in spring
// and shows one twice in autumn; whatever must last a number of real
// minutes (a warning, the UPS's time off) is counted in real time.
#pragma once

#include <cstdint>

namespace voltaris {

// Real time: seconds since 1970-01-01 00:00 UTC, which no change of the
// local clock moves. 64 bits: a 32-bit count runs out in 2038.
using UtcSeconds = std::int64_t;

struct LocalDateTime {
  int year = 1970, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
  int weekday = 4;  // 0 Sunday .. 6 Saturday
};

// Days from 1970-01-01 to a date of the Gregorian calendar (not checked).
std::int64_t DaysSince1970(int year, int month, int day);

// The face of a clock as seconds since 1970-01-01 00:00, as though it ran on
// UTC; the weekday is not read. Hours and minutes out of range carry over.
std::int64_t ShownSeconds(const LocalDateTime& shown);

// The date, time and weekday of such seconds.
LocalDateTime ShownDateTime(std::int64_t shownSeconds);

class LocalClock {
 public:
  virtual ~LocalClock() = default;
  virtual LocalDateTime Now() const = 0;
  // Real time now. A clock that does not tell runs on UTC.
  virtual UtcSeconds UtcNow() const { return ShownSeconds(Now()); }
  // Seconds the local clock is ahead of UTC at a real instant, summer time
  // included.
  virtual std::int64_t UtcOffsetAt(UtcSeconds) const { return 0; }

  // What the local clock shows at a real instant.
  LocalDateTime LocalAt(UtcSeconds instant) const;
  // When the local clock shows `shown`. A time it skips is taken at the
  // first instant after the gap, a time it shows twice at its first
  // showing: a scheduled time comes once, and never before it is due.
  UtcSeconds FirstInstantShowing(const LocalDateTime& shown) const;

 private:
  UtcSeconds EndOfGap(UtcSeconds beforeGap, UtcSeconds afterGap) const;
};

class SystemLocalClock : public LocalClock {
 public:
  LocalDateTime Now() const override;
  UtcSeconds UtcNow() const override;
  std::int64_t UtcOffsetAt(UtcSeconds instant) const override;
};

}  // namespace voltaris
