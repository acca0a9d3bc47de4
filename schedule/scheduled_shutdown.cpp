#include "schedule/scheduled_shutdown.h"

#include <algorithm>

namespace voltaris {
namespace {

// Instants are real time (UTC seconds): the warning counts real seconds, and
// a change of the clock inside it must neither stretch nor shorten it.
using Instant = UtcSeconds;
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr int kDaysPerWeek = 7;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

LocalDateTime Shown(CalendarDate date, TimeOfDay time) {
  return {date.year, date.month, date.day, time.hour, time.minute, time.second};
}

CalendarDate DateOf(const LocalDateTime& t) { return {t.year, t.month, t.day}; }

// The start of the day `days` after `date`, with its weekday.
LocalDateTime DayStart(CalendarDate date, int days) {
  return ShownDateTime(ShownSeconds(Shown(date, {})) + days * kSecondsPerDay);
}

std::optional<Instant> InstantOf(CalendarDate date, TimeOfDay time, const LocalClock& clock) {
  if (!DayNumber(date) || !IsTimeOfDay(time)) return std::nullopt;
  return clock.FirstInstantShowing(Shown(date, time));
}

struct Candidate {
  Instant at = 0;
  int weeklyRow = 0, specialRow = 0;
};

// Every enabled shutdown still ahead: the weekly rows of today and tomorrow
// (whose warning may begin tonight) and the special dates. A row's time comes
// once: in the hour the clock skips, at the end of the gap; in the hour it
// shows twice, the first time, so that neither the rest of the night nor a
// program started again in the repeated hour sees it ahead once more.
std::vector<Candidate> ShutdownsAhead(const WeeklySchedule& weekly, const SpecialSchedule& special,
                                      const LocalClock& clock, Instant nowAt) {
  std::vector<Candidate> ahead;
  const CalendarDate today = DateOf(clock.LocalAt(nowAt));
  for (int daysAhead = 0; daysAhead <= 1; ++daysAhead) {
    const LocalDateTime day = DayStart(today, daysAhead);
    const int row = RowOfWeekday(day.weekday);
    const WeeklyRow& entry = weekly[static_cast<size_t>(row - 1)];
    if (!entry.shutdown || entry.damaged) continue;
    const Instant at = clock.FirstInstantShowing(Shown(DateOf(day), entry.shutdownAt));
    if (at > nowAt) ahead.push_back({at, row, 0});
  }
  for (int row = 1; row <= 7; ++row) {
    const SpecialRow& entry = special[static_cast<size_t>(row - 1)];
    const SpecialPart& shutdown = entry.shutdown;
    const auto at = shutdown.enabled && !entry.damaged ? InstantOf(shutdown.date, shutdown.time, clock) : std::nullopt;
    if (at && *at > nowAt) ahead.push_back({*at, 0, row});
  }
  return ahead;
}

int RestoreMinutesWithin(Instant off, Instant on) {
  return static_cast<int>(std::clamp<Instant>((on - off) / 60, 1, kMostRestoreMinutes));
}

// Real minutes from a weekly row's shutdown to its restart, seconds ignored:
// the restart time later that day, or on the same weekday a week on, and
// within what the UPS can be told.
int WeeklyRestoreMinutes(const WeeklyRow& row, Instant shutdownAt, const LocalClock& clock) {
  const CalendarDate day = DateOf(clock.LocalAt(shutdownAt));
  const TimeOfDay off{row.shutdownAt.hour, row.shutdownAt.minute, 0};
  const TimeOfDay on{row.restartAt.hour, row.restartAt.minute, 0};
  const CalendarDate onDay = on.Seconds() > off.Seconds() ? day : DateOf(DayStart(day, kDaysPerWeek));
  return RestoreMinutesWithin(clock.FirstInstantShowing(Shown(day, off)), clock.FirstInstantShowing(Shown(onDay, on)));
}

// A restart within what the UPS takes as the clock's face counts it: what
// the dialog accepted before it counted real minutes, and files still hold.
bool FitsOnTheClockFace(const SpecialRow& row) {
  const SpecialPart& off = row.shutdown;
  const SpecialPart& on = row.restart;
  if (!DayNumber(off.date) || !IsTimeOfDay(off.time) || !DayNumber(on.date) || !IsTimeOfDay(on.time)) return false;
  const std::int64_t minutes = (ShownSeconds(Shown(on.date, on.time)) - ShownSeconds(Shown(off.date, off.time))) / 60;
  return minutes >= 1 && minutes <= kMostRestoreMinutes;
}

// Whole real minutes from `from` to a special row's restart, when it has one
// the UPS can carry out. A row saved before the dialog counted real minutes
// keeps its restart across a change of the clock: both ends in the skipped
// hour fall on its end (at least a minute then, never "stay off"), and a
// span that grows past what the UPS takes is held at the most. `from` may
// be another row's shutdown earlier in the same minute.
std::optional<int> RestartMinutesFrom(Instant from, const SpecialRow& row, const LocalClock& clock) {
  if (!row.restart.enabled || !(SpecialRestartFits(row, clock) || FitsOnTheClockFace(row))) return std::nullopt;
  return RestoreMinutesWithin(from, *InstantOf(row.restart.date, row.restart.time, clock));  // it fits: it exists
}

}  // namespace

std::optional<std::int64_t> DayNumber(CalendarDate date) {
  if (date.year < 1970 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1 ||
      date.day > DaysInMonth(date.year, date.month)) {
    return std::nullopt;
  }
  return DaysSince1970(date.year, date.month, date.day);
}

std::optional<std::int64_t> SpecialRestartSpan(const SpecialRow& row, const LocalClock& clock) {
  const auto shutdown = InstantOf(row.shutdown.date, row.shutdown.time, clock);
  const auto restart = InstantOf(row.restart.date, row.restart.time, clock);
  if (!shutdown || !restart) return std::nullopt;
  const std::int64_t seconds = *restart - *shutdown;
  return seconds >= 0 ? seconds / 60 : -((-seconds + 59) / 60);  // whole minutes, rounded down
}

bool SpecialRestartFits(const SpecialRow& row, const LocalClock& clock) {
  const auto span = SpecialRestartSpan(row, clock);
  return span && *span >= 1 && *span <= kMostRestoreMinutes;
}

namespace {

const Candidate& FirstOf(const std::vector<Candidate>& ahead) {
  return *std::min_element(ahead.begin(), ahead.end(), [](const auto& a, const auto& b) { return a.at < b.at; });
}

}  // namespace

std::optional<std::int64_t> SecondsUntilWarning(const WeeklySchedule& weekly, const SpecialSchedule& special,
                                                const LocalClock& clock, int warningMinutes) {
  if (warningMinutes <= 0) return std::nullopt;
  const Instant nowAt = clock.UtcNow();
  const std::vector<Candidate> ahead = ShutdownsAhead(weekly, special, clock, nowAt);
  if (ahead.empty()) return std::nullopt;
  return std::max<std::int64_t>(FirstOf(ahead).at - nowAt - std::int64_t{warningMinutes} * 60, 0);
}

std::optional<ScheduledShutdown> FindScheduledShutdown(const WeeklySchedule& weekly, const SpecialSchedule& special,
                                                       const LocalClock& clock, int warningMinutes) {
  if (warningMinutes <= 0) return std::nullopt;
  const Instant nowAt = clock.UtcNow();
  const std::vector<Candidate> ahead = ShutdownsAhead(weekly, special, clock, nowAt);
  if (ahead.empty()) return std::nullopt;
  const Candidate& first = FirstOf(ahead);
  const Instant left = first.at - nowAt;
  if (left > std::int64_t{warningMinutes} * 60) return std::nullopt;
  ScheduledShutdown due;
  due.secondsLeft = static_cast<int>(left);
  due.shutdownAt = first.at;
  for (const Candidate& c : ahead) {
    if (c.at / 60 != first.at / 60) continue;  // not the same minute of the clock
    if (c.weeklyRow) due.weeklyRow = c.weeklyRow;
    if (c.specialRow) due.specialRows.push_back(c.specialRow);
  }
  return due;
}

std::optional<UpsControl> ScheduledSwitchOff(const WeeklySchedule& weekly, const SpecialSchedule& special,
                                             const ScheduledShutdown& due, int upsOffDelaySeconds,
                                             const LocalClock& clock) {
  const WeeklyRow* weeklyRow = due.weeklyRow ? &weekly[static_cast<size_t>(due.weeklyRow - 1)] : nullptr;
  std::optional<int> restore;
  if (weeklyRow && weeklyRow->restart) restore = WeeklyRestoreMinutes(*weeklyRow, due.shutdownAt, clock);
  for (const int row : due.specialRows) {
    const auto minutes = RestartMinutesFrom(due.shutdownAt, special[static_cast<size_t>(row - 1)], clock);
    if (minutes && (!restore || *minutes < *restore)) restore = minutes;
  }
  // A weekly row alone without a restart keeps its own rules (the Friday
  // form); otherwise, without a restart anywhere, the UPS stays off as long
  // as it can.
  if (due.specialRows.empty() && !restore) {
    return weeklyRow ? ScheduledSwitchOff(*weeklyRow, due.weeklyRow, upsOffDelaySeconds) : std::nullopt;
  }
  const int minutes = restore.value_or(kMostRestoreMinutes);
  return SwitchOffControl(upsOffDelaySeconds, minutes, restore);
}

}  // namespace voltaris
