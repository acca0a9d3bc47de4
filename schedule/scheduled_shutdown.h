// Which scheduled shutdown is due, from both schedules: the weekly rows and
// the special dates. One pure function of the settings and the clock finds
// the shutdown whose warning period has begun; another gives the command its
// end sends to the UPS. Shutdowns falling in the same minute of the clock are
// served by one warning and one command, whose restart is the one that
// comes first.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/local_clock.h"
#include "schedule/date_schedule.h"
#include "schedule/weekly_schedule.h"

namespace voltaris {

// The most minutes the UPS can be told to wait before it restarts.
constexpr int kMostRestoreMinutes = 9999;

// Days since 1970-01-01 of a calendar date (years 1970..9999); nothing for a
// date that does not exist.
std::optional<std::int64_t> DayNumber(CalendarDate date);

// Whole real minutes from a special row's shutdown to its restart, as the
// UPS counts them across a change of the clock, each end taken when
// FindScheduledShutdown takes it; nothing when either date or time does
// not exist.
std::optional<std::int64_t> SpecialRestartSpan(const SpecialRow& row, const LocalClock& clock);

// What the UPS can do for a row with both parts: a restart at least a real
// minute after the shutdown and at most kMostRestoreMinutes after it. The
// dialog's OK and the switch-off command both ask it.
bool SpecialRestartFits(const SpecialRow& row, const LocalClock& clock);

// A shutdown whose warning period has begun.
struct ScheduledShutdown {
  int secondsLeft = 0;
  UtcSeconds shutdownAt = 0;        // real time
  int weeklyRow = 0;                // 1..7, or 0 when no weekly row falls in that minute
  std::vector<int> specialRows;     // 1..7, the special rows falling in that minute
};

// The earliest shutdown ahead of the clock's now whose warning
// (`warningMinutes` of real time) has begun, with every other row falling in
// the same minute. The weekly rows are those of today and tomorrow; dates in
// the past never come due. A time the clock skips comes at the end of the
// gap, a time it shows twice at its first showing only.
std::optional<ScheduledShutdown> FindScheduledShutdown(const WeeklySchedule& weekly, const SpecialSchedule& special,
                                                       const LocalClock& clock, int warningMinutes);

// Real seconds until the warning of the earliest shutdown ahead begins (0
// once it has), or nothing when no shutdown lies ahead today or tomorrow.
std::optional<std::int64_t> SecondsUntilWarning(const WeeklySchedule& weekly, const SpecialSchedule& special,
                                                const LocalClock& clock, int warningMinutes);

// The end step's switch-off command for `due`. A weekly row alone keeps its
// own rules. With special rows, the restart that comes first wins (a special
// row's counted in whole minutes from the shutdown, and only when it fits);
// without any restart the UPS is told to stay off as long as it can. The UPS
// counts its restore minutes in real time, so they are counted so here,
// across a change of the clock too.
std::optional<UpsControl> ScheduledSwitchOff(const WeeklySchedule& weekly, const SpecialSchedule& special,
                                             const ScheduledShutdown& due, int upsOffDelaySeconds,
                                             const LocalClock& clock);

}  // namespace voltaris
