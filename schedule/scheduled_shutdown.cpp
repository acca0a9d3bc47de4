#include "schedule/scheduled_shutdown.h"

namespace voltaris {
namespace {

constexpr long kSecondsPerDay = 86400;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsTimeOfDay(TimeOfDay t) {
  return t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 && t.second < 60;
}

// Seconds since 1970-01-01 00:00 of a date and time (both local).
std::optional<long> Instant(CalendarDate date, TimeOfDay time) {
  const auto day = DayNumber(date);
  if (!day || !IsTimeOfDay(time)) return std::nullopt;
  return *day * kSecondsPerDay + time.Seconds();
}

long NowInstant(const LocalDateTime& now) {
  const auto day = DayNumber({now.year, now.month, now.day});
  return (day ? *day : 0) * kSecondsPerDay + now.hour * 3600 + now.minute * 60 + now.second;
}

// One shutdown of either schedule whose warning period has begun.
struct Candidate {
  long secondsLeft = 0;
  int weeklyRow = 0, specialRow = 0;
};

}  // namespace

std::optional<long> DayNumber(CalendarDate date) {
  if (date.year < 1970 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1 ||
      date.day > DaysInMonth(date.year, date.month)) {
    return std::nullopt;
  }
  // Days before the date's year, then before its month, then its day.
  const long y = date.year - 1;
  long days = 365L * (date.year - 1970) + (y / 4 - y / 100 + y / 400) - (1969 / 4 - 1969 / 100 + 1969 / 400);
  for (int m = 1; m < date.month; ++m) days += DaysInMonth(date.year, m);
  return days + date.day - 1;
}

std::optional<long> SpecialRestartSpan(const SpecialRow& row) {
  const auto shutdown = Instant(row.shutdown.date, row.shutdown.time);
  const auto restart = Instant(row.restart.date, row.restart.time);
  if (!shutdown || !restart) return std::nullopt;
  const long seconds = *restart - *shutdown;
  return seconds >= 0 ? seconds / 60 : -((-seconds + 59) / 60);
}

bool SpecialRestartFits(const SpecialRow& row) {
  const auto span = SpecialRestartSpan(row);
  return span && *span >= 1 && *span <= kMostRestoreMinutes;
}

int SpecialRestoreMinutes(const SpecialRow& row) {
  if (!row.restart.enabled || !SpecialRestartFits(row)) return kMostRestoreMinutes;
  return static_cast<int>(*SpecialRestartSpan(row));
}

std::optional<ScheduledShutdown> FindScheduledShutdown(const WeeklySchedule& weekly, const SpecialSchedule& special,
                                                       const LocalDateTime& now, int warningMinutes) {
  if (warningMinutes <= 0) return std::nullopt;
  std::vector<Candidate> due;
  if (const auto row = FindDueShutdown(weekly, now, warningMinutes)) due.push_back({row->secondsLeft, row->row, 0});
  const long nowInstant = NowInstant(now);
  for (int row = 1; row <= 7; ++row) {
    const SpecialPart& shutdown = special[static_cast<size_t>(row - 1)].shutdown;
    if (!shutdown.enabled) continue;
    const auto at = Instant(shutdown.date, shutdown.time);
    if (!at) continue;
    const long left = *at - nowInstant;
    if (left > 0 && left <= warningMinutes * 60L) due.push_back({left, 0, row});
  }
  if (due.empty()) return std::nullopt;
  const Candidate* first = &due.front();
  for (const Candidate& c : due) {
    if (c.secondsLeft < first->secondsLeft) first = &c;
  }
  // The same minute of the clock as the first: one warning serves them all.
  const long minute = (nowInstant + first->secondsLeft) / 60;
  ScheduledShutdown result;
  result.secondsLeft = static_cast<int>(first->secondsLeft);
  for (const Candidate& c : due) {
    if ((nowInstant + c.secondsLeft) / 60 != minute) continue;
    if (c.weeklyRow) result.weeklyRow = c.weeklyRow;
    if (c.specialRow) result.specialRows.push_back(c.specialRow);
  }
  return result;
}

std::optional<UpsControl> ScheduledSwitchOff(const WeeklySchedule& weekly, const SpecialSchedule& special,
                                             const ScheduledShutdown& due, int upsOffDelaySeconds) {
  const WeeklyRow* weeklyRow = due.weeklyRow ? &weekly[static_cast<size_t>(due.weeklyRow - 1)] : nullptr;
  if (due.specialRows.empty()) {
    if (!weeklyRow) return std::nullopt;
    return ScheduledSwitchOff(*weeklyRow, due.weeklyRow, upsOffDelaySeconds);
  }
  // The restart that comes first: all the rows shut down within the same minute.
  std::optional<int> restore;
  if (weeklyRow && weeklyRow->restart) restore = ScheduleRestoreMinutes(weeklyRow->shutdownAt, weeklyRow->restartAt);
  for (const int row : due.specialRows) {
    const SpecialRow& r = special[static_cast<size_t>(row - 1)];
    if (!r.restart.enabled || !SpecialRestartFits(r)) continue;
    const int minutes = SpecialRestoreMinutes(r);
    if (!restore || minutes < *restore) restore = minutes;
  }
  if (restore) return SwitchOffControl(upsOffDelaySeconds, *restore, *restore);
  // No restart anywhere: a weekly row keeps its own form (Friday's included).
  if (weeklyRow && weeklyRow->shutdown) return ScheduledSwitchOff(*weeklyRow, due.weeklyRow, upsOffDelaySeconds);
  return SwitchOffControl(upsOffDelaySeconds, kMostRestoreMinutes, std::nullopt);
}

}  // namespace voltaris
