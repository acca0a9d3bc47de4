// Which scheduled shutdown is due, from both schedules: the weekly rows and
// the special dates. One pure function of the settings and the clock finds
// the shutdown whose warning period has begun; another gives the command its
// end sends to the UPS. Shutdowns falling in the same minute are served by
// one warning and one command, whose restart is the one that comes first.
#pragma once

#include <optional>
#include <vector>

#include "schedule/date_schedule.h"
#include "schedule/weekly_schedule.h"

namespace voltaris {

// The most minutes the UPS can be told to wait before it restarts.
constexpr int kMostRestoreMinutes = 9999;

// Days since 1970-01-01 of a calendar date; nothing for a date that does not exist.
std::optional<long> DayNumber(CalendarDate date);

// Whole minutes from a special row's shutdown to its restart; nothing when
// either date does not exist.
std::optional<long> SpecialRestartSpan(const SpecialRow& row);

// What the UPS can do for a row with both parts: a restart at least a minute
// after the shutdown and at most kMostRestoreMinutes after it.
bool SpecialRestartFits(const SpecialRow& row);

// The minutes a special row's end sends: its span when the restart is
// enabled and fits, else kMostRestoreMinutes (stay off as long as the UPS can).
int SpecialRestoreMinutes(const SpecialRow& row);

// A shutdown whose warning period has begun.
struct ScheduledShutdown {
  int secondsLeft = 0;
  int weeklyRow = 0;                // 1..7, or 0 when no weekly row is due
  std::vector<int> specialRows;     // 1..7, the special rows due in the same minute
};

// The earliest shutdown ahead of `now` whose warning (`warningMinutes`)
// has begun, with every other row due in the same minute. Dates in the past
// never come due.
std::optional<ScheduledShutdown> FindScheduledShutdown(const WeeklySchedule& weekly, const SpecialSchedule& special,
                                                       const LocalDateTime& now, int warningMinutes);

// The end step's switch-off command for `due`: the weekly row's rules when
// only a weekly row is due; with special rows the restart that comes first
// wins, and without any restart the UPS is told to stay off as long as it can.
std::optional<UpsControl> ScheduledSwitchOff(const WeeklySchedule& weekly, const SpecialSchedule& special,
                                             const ScheduledShutdown& due, int upsOffDelaySeconds);

}  // namespace voltaris
