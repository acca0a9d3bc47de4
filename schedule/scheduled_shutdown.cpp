#include "schedule/scheduled_shutdown.h"

#include <algorithm>

namespace voltaris {
namespace {

// Instants are seconds since 1970-01-01 00:00, local time, in 64 bits: a
// 32-bit long (Windows) would run out in 2038.
using Instant = std::int64_t;
constexpr Instant kSecondsPerDay = 86400;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsTimeOfDay(TimeOfDay t) {
  return t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 && t.second < 60;
}

std::optional<Instant> InstantOf(CalendarDate date, TimeOfDay time) {
  const auto day = DayNumber(date);
  if (!day || !IsTimeOfDay(time)) return std::nullopt;
  return *day * kSecondsPerDay + time.Seconds();
}

Instant NowInstant(const LocalDateTime& now) {
  const auto day = DayNumber({now.year, now.month, now.day});
  return (day ? *day : 0) * kSecondsPerDay + now.hour * 3600 + now.minute * 60 + now.second;
}

struct Candidate {
  Instant at = 0;
  int weeklyRow = 0, specialRow = 0;
};

// Every enabled shutdown still ahead: the weekly rows of today and tomorrow
// (whose warning may begin tonight) and the special dates.
std::vector<Candidate> ShutdownsAhead(const WeeklySchedule& weekly, const SpecialSchedule& special,
                                      const LocalDateTime& now) {
  std::vector<Candidate> ahead;
  const Instant nowAt = NowInstant(now);
  const Instant today = nowAt - nowAt % kSecondsPerDay;
  for (int daysAhead = 0; daysAhead <= 1; ++daysAhead) {
    const int row = RowOfWeekday((now.weekday + daysAhead) % 7);
    const WeeklyRow& entry = weekly[static_cast<size_t>(row - 1)];
    const Instant at = today + daysAhead * kSecondsPerDay + entry.shutdownAt.Seconds();
    if (entry.shutdown && at > nowAt) ahead.push_back({at, row, 0});
  }
  for (int row = 1; row <= 7; ++row) {
    const SpecialPart& shutdown = special[static_cast<size_t>(row - 1)].shutdown;
    const auto at = shutdown.enabled ? InstantOf(shutdown.date, shutdown.time) : std::nullopt;
    if (at && *at > nowAt) ahead.push_back({*at, 0, row});
  }
  return ahead;
}

// Whole minutes from `from` to a special row's restart, when it has one the
// UPS can carry out.
std::optional<int> RestartMinutesFrom(Instant from, const SpecialRow& row) {
  if (!row.restart.enabled || !SpecialRestartFits(row)) return std::nullopt;
  const Instant minutes = (*InstantOf(row.restart.date, row.restart.time) - from) / 60;  // it fits: it exists
  if (minutes < 1 || minutes > kMostRestoreMinutes) return std::nullopt;
  return static_cast<int>(minutes);
}

}  // namespace

std::optional<std::int64_t> DayNumber(CalendarDate date) {
  if (date.year < 1970 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1 ||
      date.day > DaysInMonth(date.year, date.month)) {
    return std::nullopt;
  }
  // The days of the years before (with their leap days), of the months before, then the day.
  const std::int64_t y = date.year - 1;
  std::int64_t days = 365 * (std::int64_t{date.year} - 1970) + (y / 4 - y / 100 + y / 400) -
                      (1969 / 4 - 1969 / 100 + 1969 / 400);
  for (int m = 1; m < date.month; ++m) days += DaysInMonth(date.year, m);
  return days + date.day - 1;
}

std::optional<std::int64_t> SpecialRestartSpan(const SpecialRow& row) {
  const auto shutdown = InstantOf(row.shutdown.date, row.shutdown.time);
  const auto restart = InstantOf(row.restart.date, row.restart.time);
  if (!shutdown || !restart) return std::nullopt;
  const Instant seconds = *restart - *shutdown;
  return seconds >= 0 ? seconds / 60 : -((-seconds + 59) / 60);  // whole minutes, rounded down
}

bool SpecialRestartFits(const SpecialRow& row) {
  const auto span = SpecialRestartSpan(row);
  return span && *span >= 1 && *span <= kMostRestoreMinutes;
}

std::optional<ScheduledShutdown> FindScheduledShutdown(const WeeklySchedule& weekly, const SpecialSchedule& special,
                                                       const LocalDateTime& now, int warningMinutes) {
  if (warningMinutes <= 0) return std::nullopt;
  const std::vector<Candidate> ahead = ShutdownsAhead(weekly, special, now);
  if (ahead.empty()) return std::nullopt;
  const Candidate& first =
      *std::min_element(ahead.begin(), ahead.end(), [](const auto& a, const auto& b) { return a.at < b.at; });
  const Instant left = first.at - NowInstant(now);
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
                                             const ScheduledShutdown& due, int upsOffDelaySeconds) {
  const WeeklyRow* weeklyRow = due.weeklyRow ? &weekly[static_cast<size_t>(due.weeklyRow - 1)] : nullptr;
  if (due.specialRows.empty()) {
    if (!weeklyRow) return std::nullopt;
    return ScheduledSwitchOff(*weeklyRow, due.weeklyRow, upsOffDelaySeconds);
  }
  std::optional<int> restore;
  if (weeklyRow && weeklyRow->restart) restore = ScheduleRestoreMinutes(weeklyRow->shutdownAt, weeklyRow->restartAt);
  for (const int row : due.specialRows) {
    const auto minutes = RestartMinutesFrom(due.shutdownAt, special[static_cast<size_t>(row - 1)]);
    if (minutes && (!restore || *minutes < *restore)) restore = minutes;
  }
  // Without a restart anywhere the UPS stays off as long as it can: the
  // Friday form belongs to weekly rows alone.
  const int minutes = restore.value_or(kMostRestoreMinutes);
  return SwitchOffControl(upsOffDelaySeconds, minutes, restore);
}

}  // namespace voltaris
