// Scheduled shutdowns from both schedules: which is due and when, what its
// end tells the UPS, and the special-date dialog's new refusals.
#include <gtest/gtest.h>

#include <algorithm>

#include <fstream>

#include "power/timer_ids.h"
#include "schedule/scheduled_shutdown.h"
#include "tests/unit/engine_fakes.h"

using namespace voltaris;
using namespace voltaris::testing;

namespace {

const FixedClock kCentralEurope;

// Tuesday 2026-12-08 (row 2 of the weekly schedule).
FixedClock At(int day, int hour, int minute, int second = 0) {
  return StandingClock({2026, 12, day, hour, minute, second, (2 + day - 8) % 7});
}

SpecialRow Special(CalendarDate shutDate, TimeOfDay shutAt) {
  SpecialRow row;
  row.shutdown = {true, shutDate, shutAt};
  return row;
}

SpecialRow Special(CalendarDate shutDate, TimeOfDay shutAt, CalendarDate restartDate, TimeOfDay restartAt) {
  SpecialRow row = Special(shutDate, shutAt);
  row.restart = {true, restartDate, restartAt};
  return row;
}

std::string SerialOf(const std::optional<UpsControl>& control) { return control ? control->serial : "(none)"; }

std::optional<std::int64_t> Span(const SpecialRow& row) { return SpecialRestartSpan(row, kCentralEurope); }
bool Fits(const SpecialRow& row) { return SpecialRestartFits(row, kCentralEurope); }

// Central European time, `minutes` of real time before a row's shutdown.
FixedClock RealMinutesBefore(const SpecialPart& shutdown, int minutes) {
  const LocalDateTime shown{shutdown.date.year, shutdown.date.month,  shutdown.date.day,
                            shutdown.time.hour, shutdown.time.minute, shutdown.time.second};
  return StandingClock(kCentralEurope.LocalAt(kCentralEurope.FirstInstantShowing(shown) - minutes * 60));
}

}  // namespace

TEST(DayNumber, CountsDaysFromTheFirstOf1970AndRefusesDatesThatDoNotExist) {
  static_assert(sizeof(*DayNumber({})) >= 8, "instants must not run out in 2038");
  EXPECT_EQ(DayNumber({2040, 1, 1}), 25567);
  EXPECT_EQ(DayNumber({1970, 1, 1}), 0);
  EXPECT_EQ(DayNumber({2000, 3, 1}), 11017);
  EXPECT_EQ(DayNumber({2026, 12, 8}), 20795);
  EXPECT_EQ(DayNumber({2028, 2, 29}), 21243);
  EXPECT_EQ(DayNumber({2100, 3, 1}), 47541);
  EXPECT_FALSE(DayNumber({2027, 2, 29}));
  EXPECT_FALSE(DayNumber({2100, 2, 29}));  // not a leap year
  EXPECT_FALSE(DayNumber({2026, 4, 31}));
  EXPECT_FALSE(DayNumber({2026, 13, 1}));
  EXPECT_FALSE(DayNumber({0, 0, 0}));  // "None"
}

TEST(SpecialRestart, FitsFromOneToNineThousandNineHundredNinetyNineWholeMinutes) {
  const SpecialRow twoDays = Special({2026, 12, 9}, {8, 0, 0}, {2026, 12, 11}, {7, 30, 0});
  EXPECT_EQ(Span(twoDays), 2850);
  // 9999 minutes after 2026-12-09 08:00 is 2026-12-16 06:39.
  EXPECT_TRUE(Fits(Special({2026, 12, 9}, {8, 0, 0}, {2026, 12, 16}, {6, 39, 0})));
  EXPECT_TRUE(Fits(Special({2026, 12, 9}, {8, 0, 0}, {2026, 12, 16}, {6, 39, 59})));
  EXPECT_FALSE(Fits(Special({2026, 12, 9}, {8, 0, 0}, {2026, 12, 16}, {6, 40, 0})));
  EXPECT_TRUE(Fits(Special({2026, 12, 9}, {8, 0, 0}, {2026, 12, 9}, {8, 1, 0})));
  EXPECT_FALSE(Fits(Special({2026, 12, 9}, {8, 0, 0}, {2026, 12, 9}, {8, 0, 59})));
  EXPECT_FALSE(Fits(Special({2026, 12, 9}, {8, 0, 0}, {2026, 12, 9}, {8, 0, 0})));
  EXPECT_FALSE(Fits(Special({2026, 12, 9}, {8, 0, 0}, {2026, 12, 8}, {9, 0, 0})));
  EXPECT_FALSE(Fits(Special({2026, 12, 9}, {8, 0, 0}, {2026, 2, 30}, {9, 0, 0})));
  // Over the turn of a year, and of February in a leap year.
  EXPECT_EQ(Span(Special({2026, 12, 31}, {23, 0, 0}, {2027, 1, 1}, {1, 0, 0})), 120);
  EXPECT_EQ(Span(Special({2028, 2, 28}, {12, 0, 0}, {2028, 3, 1}, {12, 0, 0})), 2880);
  // Past 2038, where 32 bits of seconds would have run out.
  EXPECT_EQ(Span(Special({2040, 1, 1}, {0, 0, 0}, {2040, 1, 7}, {22, 39, 0})), 9999);
  EXPECT_TRUE(Fits(Special({2038, 1, 19}, {3, 0, 0}, {2038, 1, 20}, {3, 0, 0})));
}

// The UPS counts its restore minutes in real time, so across a change of
// the clock the dialog's check counts them so too, and the command tells
// the UPS the very minutes the check accepted. Central European time skips
// 02:00-03:00 on 2026-03-29 and shows 02:00-03:00 twice on 2026-10-25.
TEST(SpecialRestart, AcrossAChangeOfTheClockFitsInRealMinutesAsTheCommandCountsThem) {
  struct Case {
    const char* what;
    SpecialRow row;
    std::int64_t realMinutes;
    bool fits;
  };
  const CalendarDate autumnWeek = {2026, 10, 20}, autumnEnd = {2026, 10, 27};
  const CalendarDate springWeek = {2026, 3, 25}, springEnd = {2026, 4, 1};
  const CalendarDate spring = {2026, 3, 29}, autumn = {2026, 10, 25};
  const Case cases[] = {
      // Over the autumn change an hour more in real time than on the clock.
      {"autumn, 9939 on the clock", Special(autumnWeek, {12, 0, 0}, autumnEnd, {9, 39, 0}), 9999, true},
      {"autumn, 9939 and 59 s", Special(autumnWeek, {12, 0, 0}, autumnEnd, {9, 39, 59}), 9999, true},
      {"autumn, 9940 on the clock", Special(autumnWeek, {12, 0, 0}, autumnEnd, {9, 40, 0}), 10000, false},
      {"autumn, 9999 on the clock", Special(autumnWeek, {12, 0, 0}, autumnEnd, {10, 39, 0}), 10059, false},
      // Over the spring change an hour less.
      {"spring, 10059 on the clock", Special(springWeek, {12, 0, 0}, springEnd, {11, 39, 0}), 9999, true},
      {"spring, 10060 on the clock", Special(springWeek, {12, 0, 0}, springEnd, {11, 40, 0}), 10000, false},
      // Around the skipped hour, whose times come at 03:00.
      {"spring, 61 on the clock", Special(spring, {1, 59, 0}, spring, {3, 0, 0}), 1, true},
      {"spring, 60 on the clock", Special(spring, {1, 59, 1}, spring, {3, 0, 0}), 0, false},
      {"from the skipped hour", Special(spring, {2, 30, 0}, spring, {3, 1, 0}), 1, true},
      {"from the skipped hour, 59 s", Special(spring, {2, 30, 0}, spring, {3, 0, 59}), 0, false},
      {"both in the skipped hour", Special(spring, {2, 30, 0}, spring, {2, 45, 0}), 0, false},
      // The hour shown twice: the shutdown at its first showing.
      {"autumn, 0 on the clock", Special(autumn, {2, 59, 30}, autumn, {3, 0, 0}), 60, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Span(c.row), c.realMinutes) << c.what;
    EXPECT_EQ(Fits(c.row), c.fits) << c.what;
    SpecialSchedule special;
    special[0] = c.row;
    const auto due = FindScheduledShutdown(WeeklySchedule{}, special, RealMinutesBefore(c.row.shutdown, 2), 5);
    ASSERT_TRUE(due) << c.what;
    EXPECT_EQ(due->secondsLeft, 120) << c.what;
    // The command counts the same real minutes; a row the dialog now
    // refuses but an older file holds is held within what the UPS takes.
    const auto command = ScheduledSwitchOff(WeeklySchedule{}, special, *due, 60, kCentralEurope);
    ASSERT_TRUE(command) << c.what;
    const std::int64_t told = std::clamp<std::int64_t>(c.realMinutes, 1, kMostRestoreMinutes);
    EXPECT_EQ(command->serial, "S01R" + std::to_string(10000 + told).substr(1) + "\r") << c.what;
  }
}

TEST(FindScheduledShutdown, ASpecialDateWarnsShutTimeMessageBeforeItAndItsEndRestartsTheUpsLater) {
  SpecialSchedule special;
  special[2] = Special({2026, 12, 9}, {8, 0, 0}, {2026, 12, 11}, {7, 30, 0});  // tomorrow, row 3
  const WeeklySchedule weekly{};
  EXPECT_FALSE(FindScheduledShutdown(weekly, special, At(9, 7, 54, 59), 5));
  const auto due = FindScheduledShutdown(weekly, special, At(9, 7, 55, 0), 5);
  ASSERT_TRUE(due);
  EXPECT_EQ(due->secondsLeft, 300);
  EXPECT_EQ(due->weeklyRow, 0);
  EXPECT_EQ(due->specialRows, std::vector<int>{3});
  EXPECT_EQ(FindScheduledShutdown(weekly, special, At(9, 7, 59, 59), 5)->secondsLeft, 1);
  EXPECT_EQ(SerialOf(ScheduledSwitchOff(weekly, special, *due, 60, kCentralEurope)), "S01R2850\r");
  EXPECT_EQ(ScheduledSwitchOff(weekly, special, *due, 60, kCentralEurope)->usb.text, "R00102850");
  // The day before, the warning period has not begun.
  EXPECT_FALSE(FindScheduledShutdown(weekly, special, At(8, 7, 55, 0), 5));
  // A warning that begins the evening before.
  special[2] = Special({2026, 12, 9}, {0, 3, 0});
  EXPECT_EQ(FindScheduledShutdown(weekly, special, At(8, 23, 58, 0), 5)->secondsLeft, 300);
}

TEST(FindScheduledShutdown, DatesInThePastAndDatesThatDoNotExistNeverFire) {
  SpecialSchedule special;
  special[0] = Special({2026, 12, 8}, {9, 0, 0});
  const WeeklySchedule weekly{};
  EXPECT_TRUE(FindScheduledShutdown(weekly, special, At(8, 8, 59, 59), 5));
  EXPECT_FALSE(FindScheduledShutdown(weekly, special, At(8, 9, 0, 0), 5));   // its very second
  EXPECT_FALSE(FindScheduledShutdown(weekly, special, At(8, 9, 0, 1), 5));   // passed: not caught up
  EXPECT_FALSE(FindScheduledShutdown(weekly, special, At(9, 8, 59, 0), 5));  // a day later: never again
  special[0] = Special({2025, 12, 8}, {9, 0, 0});  // last year's
  EXPECT_FALSE(FindScheduledShutdown(weekly, special, At(8, 8, 58, 0), 5));
  special[0] = Special({2026, 11, 38}, {9, 0, 0});
  EXPECT_FALSE(FindScheduledShutdown(weekly, special, At(8, 8, 58, 0), 5));
  special[0] = Special({2026, 12, 8}, {9, 0, 0});
  special[0].shutdown.enabled = false;
  EXPECT_FALSE(FindScheduledShutdown(weekly, special, At(8, 8, 58, 0), 5));
  special[0].shutdown.enabled = true;
  EXPECT_FALSE(FindScheduledShutdown(weekly, special, At(8, 8, 58, 0), 0));  // no warning time set
}

// Read from a hand-edited file: a row whose ticked date or time cannot be
// read does not fire, not even its shutdown without the restart asked for
// (the UPS would stay off for a week), and the event log says so once.
TEST(FindScheduledShutdown, ARowWithADateOrTimeThatCannotBeReadNeverFiresAndIsRecordedOnce) {
  voltaris::testing::TestFolder dir{"voltaris-special"};
  std::ofstream(dir.path() + "/UpsConfigure.ini")
      << "[Schema]\n"
         "SchemaSpecialRebootFlag1=1\nSchemaSpecialRebootYear1=2026-12-8\nSchemaSpecialRebootTime1=9:00 AM\n"
         "SchemaSpecialRebootFlag2=1\nSchemaSpecialRebootYear2=2026-12-8\nSchemaSpecialRebootTime2=9:0:0\n"
         "SchemaSpecialShutFlag2=1\nSchemaSpecialShutYear2=2026-12-32\nSchemaSpecialShutTime2=7:0:0\n"
         "SchemaSpecialRebootFlag3=1\nSchemaSpecialRebootYear3=2026-12-8\nSchemaSpecialRebootTime3=9:1:0\n";
  ConfigFile config{dir.path()};
  std::vector<std::string> events;
  config.SetEventSink([&events](const std::string& text) { events.push_back(text); });
  SpecialSchedule special;
  for (int second = 0; second < 3; ++second) special = ReadSpecialSchedule(config.Snapshot());
  EXPECT_TRUE(special[0].damaged && special[1].damaged);
  EXPECT_FALSE(special[0].shutdown.enabled);
  EXPECT_TRUE(special[1].shutdown.enabled);  // shown as it is; the row stays off
  EXPECT_FALSE(special[1].restart.enabled);
  EXPECT_FALSE(special[2].damaged);
  const auto due = FindScheduledShutdown({}, special, At(8, 8, 58, 0), 5);
  ASSERT_TRUE(due);
  EXPECT_EQ(due->specialRows, std::vector<int>{3});  // 9:01, not the rows of 9:00
  EXPECT_EQ(events, (std::vector<std::string>{"  Schedule Setting Not Valid: SchemaSpecialRebootTime1 (Row Not Used)",
                                               "  Schedule Setting Not Valid: SchemaSpecialShutYear2 (Row Not Used)"}));
  SpecialSchedule shown;  // and the dialog refuses a date that does not exist
  shown[0] = Special({2026, 2, 29}, {9, 0, 0});
  shown[1] = Special({2028, 2, 29}, {9, 0, 0});
  shown[2] = Special({2028, 2, 29}, {24, 0, 0});
  EXPECT_EQ(SaveSpecialSchedule(config, shown, kCentralEurope).refusedRows, (std::vector<int>{1, 3}));
}

TEST(FindScheduledShutdown, AWeeklyAndASpecialShutdownInTheSameMinuteShareOneWarningAndTheFirstRestart) {
  WeeklySchedule weekly{};
  weekly[1].shutdown = true;  // Tuesday 9:00, restart at 10:30 (90 minutes)
  weekly[1].shutdownAt = {9, 0, 0};
  weekly[1].restart = true;
  weekly[1].restartAt = {10, 30, 0};
  SpecialSchedule special;
  special[4] = Special({2026, 12, 8}, {9, 0, 30}, {2026, 12, 8}, {10, 0, 30});  // 60 minutes
  auto due = FindScheduledShutdown(weekly, special, At(8, 8, 56, 0), 5);
  ASSERT_TRUE(due);
  EXPECT_EQ(due->secondsLeft, 240);  // the earlier of the two
  EXPECT_EQ(due->weeklyRow, 2);
  EXPECT_EQ(due->specialRows, std::vector<int>{5});
  EXPECT_EQ(SerialOf(ScheduledSwitchOff(weekly, special, *due, 60, kCentralEurope)), "S01R0060\r");
  special[4].restart.time = {11, 0, 30};  // now the weekly restart comes first
  EXPECT_EQ(SerialOf(ScheduledSwitchOff(weekly, special, *due, 60, kCentralEurope)), "S01R0090\r");
  special[4].restart.enabled = false;
  EXPECT_EQ(SerialOf(ScheduledSwitchOff(weekly, special, *due, 60, kCentralEurope)), "S01R0090\r");
  weekly[1].restart = false;  // no restart anywhere: as the weekly row says
  EXPECT_EQ(SerialOf(ScheduledSwitchOff(weekly, special, *due, 60, kCentralEurope)), "S01R9999\r");

  // A minute apart: the first alone.
  special[4] = Special({2026, 12, 8}, {9, 1, 0}, {2026, 12, 8}, {9, 31, 0});
  due = FindScheduledShutdown(weekly, special, At(8, 8, 56, 0), 5);
  EXPECT_EQ(due->weeklyRow, 2);
  EXPECT_TRUE(due->specialRows.empty());
  special[4].shutdown.time = {8, 59, 59};
  due = FindScheduledShutdown(weekly, special, At(8, 8, 56, 0), 5);
  EXPECT_EQ(due->weeklyRow, 0);
  EXPECT_EQ(due->specialRows, std::vector<int>{5});
  EXPECT_EQ(SerialOf(ScheduledSwitchOff(weekly, special, *due, 60, kCentralEurope)), "S01R0031\r");
}

TEST(FindScheduledShutdown, TheSameMinuteGroupsRowsWhoseWarningHasNotBegunAndCountsFromTheFirst) {
  WeeklySchedule weekly{};
  weekly[1].shutdown = true;  // Tuesday 9:00:00, no restart
  weekly[1].shutdownAt = {9, 0, 0};
  SpecialSchedule special;
  special[0] = Special({2026, 12, 8}, {9, 0, 45}, {2026, 12, 8}, {11, 0, 30});
  // A one-minute warning: at 8:59:00 only the weekly row's has begun.
  const auto due = FindScheduledShutdown(weekly, special, At(8, 8, 59, 0), 1);
  ASSERT_TRUE(due);
  EXPECT_EQ(due->secondsLeft, 60);
  EXPECT_EQ(due->weeklyRow, 2);
  EXPECT_EQ(due->specialRows, std::vector<int>{1});
  // 9:00:00 to 11:00:30: the UPS goes off with the first and comes back at the restart.
  EXPECT_EQ(SerialOf(ScheduledSwitchOff(weekly, special, *due, 60, kCentralEurope)), "S01R0120\r");
  // 2040, past the end of 32-bit seconds.
  special[0] = Special({2040, 1, 1}, {9, 0, 0}, {2040, 1, 1}, {10, 0, 0});
  const auto later = FindScheduledShutdown(WeeklySchedule{}, special, StandingClock({2040, 1, 1, 8, 58, 0, 0}), 5);
  ASSERT_TRUE(later);
  EXPECT_EQ(later->secondsLeft, 120);
  EXPECT_EQ(SerialOf(ScheduledSwitchOff(WeeklySchedule{}, special, *later, 60, kCentralEurope)), "S01R0060\r");
}

// Past 2038 the instant now still counts in 64 bits: a weekly row comes on
// time and a date that has passed stays passed.
TEST(FindScheduledShutdown, After2038AWeeklyRowComesOnTimeAndAPastDateStaysPast) {
  WeeklySchedule weekly{};
  weekly[1].shutdown = true;  // Tuesday 9:00, no restart
  weekly[1].shutdownAt = {9, 0, 0};
  SpecialSchedule special;
  special[0] = Special({2040, 1, 3}, {7, 58, 0});  // an hour before 8:58
  const LocalDateTime tuesday{2040, 1, 3, 7, 0, 0, 2};
  EXPECT_FALSE(FindScheduledShutdown(weekly, special, StandingClock(tuesday), 5));
  const auto due = FindScheduledShutdown(weekly, special, StandingClock({2040, 1, 3, 8, 58, 0, 2}), 5);
  ASSERT_TRUE(due);
  EXPECT_EQ(due->secondsLeft, 120);
  EXPECT_EQ(due->weeklyRow, 2);
  EXPECT_TRUE(due->specialRows.empty());
  EXPECT_FALSE(FindScheduledShutdown(WeeklySchedule{}, special, StandingClock({2040, 1, 3, 8, 58, 0, 2}), 5));
}

TEST(FindScheduledShutdown, WeeklyRowsAloneKeepTheirOwnRules) {
  WeeklySchedule weekly{};
  weekly[4].shutdown = true;  // Friday, no restart: the serial form has no restore part
  weekly[4].shutdownAt = {18, 0, 0};
  const auto due = FindScheduledShutdown(weekly, SpecialSchedule{}, StandingClock({2026, 12, 11, 17, 58, 0, 5}), 5);
  ASSERT_TRUE(due);
  EXPECT_EQ(due->weeklyRow, 5);
  EXPECT_EQ(SerialOf(ScheduledSwitchOff(weekly, SpecialSchedule{}, *due, 120, kCentralEurope)), "S02\r");
  // A Friday special date without a restart is told the largest restore
  // time, with the weekly Friday row or without it.
  SpecialSchedule special;
  special[0] = Special({2026, 12, 11}, {18, 0, 0});
  const auto alone = FindScheduledShutdown(WeeklySchedule{}, special, StandingClock({2026, 12, 11, 17, 58, 0, 5}), 5);
  EXPECT_EQ(SerialOf(ScheduledSwitchOff(WeeklySchedule{}, special, *alone, 120, kCentralEurope)), "S02R9999\r");
  const auto both = FindScheduledShutdown(weekly, special, StandingClock({2026, 12, 11, 17, 58, 0, 5}), 5);
  EXPECT_EQ(both->weeklyRow, 5);
  EXPECT_EQ(SerialOf(ScheduledSwitchOff(weekly, special, *both, 120, kCentralEurope)), "S02R9999\r");
  EXPECT_EQ(ScheduledSwitchOff(weekly, special, *both, 120, kCentralEurope)->usb.text, "RS.2R9999\r");
}

// Central European time skips 02:00-03:00 on 2026-03-29 and shows
// 02:00-03:00 twice on 2026-10-25.
TEST(FindScheduledShutdown, ASpecialDateInTheSkippedHourComesAtTheEndOfTheGap) {
  SpecialSchedule special;
  special[0] = Special({2026, 3, 29}, {2, 30, 0}, {2026, 3, 29}, {4, 0, 0});
  EXPECT_FALSE(FindScheduledShutdown(WeeklySchedule{}, special, StandingClock({2026, 3, 29, 1, 54, 59, 0}), 5));
  const auto due = FindScheduledShutdown(WeeklySchedule{}, special, StandingClock({2026, 3, 29, 1, 55, 0, 0}), 5);
  ASSERT_TRUE(due);
  EXPECT_EQ(due->secondsLeft, 300);  // at 03:00
  EXPECT_EQ(SerialOf(ScheduledSwitchOff(WeeklySchedule{}, special, *due, 60, kCentralEurope)), "S01R0060\r");
  // Its restart in the gap as well: both fall at 03:00, no real minute
  // apart. The dialog now refuses the row; one saved before still brings
  // the UPS back a minute later rather than leaving it off.
  special[0] = Special({2026, 3, 29}, {2, 30, 0}, {2026, 3, 29}, {2, 45, 0});
  EXPECT_FALSE(Fits(special[0]));
  EXPECT_EQ(SerialOf(ScheduledSwitchOff(WeeklySchedule{}, special, *due, 60, kCentralEurope)), "S01R0001\r");
}

TEST(ScheduledSwitchOff, RestoreMinutesAcrossAChangeOfTheClockAreRealMinutes) {
  WeeklySchedule weekly{};
  weekly[6] = {true, {1, 0, 0}, true, {4, 0, 0}};  // Sunday 01:00, back at 04:00
  const auto restore = [&weekly](LocalDateTime now, const SpecialSchedule& special = {}) {
    const auto due = FindScheduledShutdown(weekly, special, StandingClock(now), 5);
    return due ? SerialOf(ScheduledSwitchOff(weekly, special, *due, 60, kCentralEurope)) : "(not due)";
  };
  EXPECT_EQ(restore({2026, 3, 22, 0, 58, 0, 0}), "S01R0180\r");  // a Sunday without a change
  EXPECT_EQ(restore({2026, 3, 29, 0, 58, 0, 0}), "S01R0120\r");
  EXPECT_EQ(restore({2026, 10, 25, 0, 58, 0, 0}), "S01R0240\r");
  // Monday 22:00, back on the next Monday at 06:30, over the Sunday's change.
  weekly[6] = WeeklyRow{};
  weekly[0] = {true, {22, 0, 0}, true, {6, 30, 0}};
  EXPECT_EQ(restore({2026, 3, 16, 21, 58, 0, 1}), "S01R9150\r");
  EXPECT_EQ(restore({2026, 3, 23, 21, 58, 0, 1}), "S01R9090\r");
  EXPECT_EQ(restore({2026, 10, 19, 21, 58, 0, 1}), "S01R9210\r");
  // A week less 60 minutes is 10020 clock minutes: too many for the UPS
  // without a change, 9960 real ones over the spring change.
  weekly[0].restartAt = {21, 0, 0};
  EXPECT_EQ(restore({2026, 3, 16, 21, 58, 0, 1}), "S01R9999\r");
  EXPECT_EQ(restore({2026, 3, 23, 21, 58, 0, 1}), "S01R9960\r");
  // A special date from Saturday evening to Sunday evening: 23 real hours.
  weekly[0] = WeeklyRow{};
  SpecialSchedule special;
  special[0] = Special({2026, 3, 28}, {22, 0, 0}, {2026, 3, 29}, {22, 0, 0});
  EXPECT_EQ(restore({2026, 3, 28, 21, 58, 0, 6}, special), "S01R1380\r");
  special[0] = Special({2026, 10, 24}, {22, 0, 0}, {2026, 10, 25}, {22, 0, 0});
  EXPECT_EQ(restore({2026, 10, 24, 21, 58, 0, 6}, special), "S01R1500\r");
}

TEST(SpecialScheduleSave, RefusesARestartTheUpsCannotCarryOutAndWritesValidRowsAsBefore) {
  voltaris::testing::TestFolder dir{"voltaris-special"};
  const ConfigFile config{dir.path()};
  SpecialSchedule shown;
  shown[0] = Special({2026, 12, 9}, {8, 0, 0}, {2026, 12, 16}, {6, 39, 0});  // exactly 9999 minutes
  shown[1] = Special({2026, 12, 9}, {8, 0, 0}, {2026, 12, 16}, {6, 40, 0});  // one more
  shown[2] = Special({2026, 12, 9}, {8, 0, 0}, {2026, 12, 9}, {8, 0, 0});    // at its shutdown
  shown[3] = Special({2026, 12, 9}, {8, 0, 0}, {2026, 12, 9}, {7, 0, 0});    // before it
  shown[4].restart = {true, {2026, 12, 9}, {8, 0, 0}};                        // restart alone, as before
  shown[5] = Special({2026, 12, 9}, {8, 0, 0});                               // shutdown alone
  shown[5].restart = {false, {2020, 1, 1}, {0, 0, 0}};  // an unchecked restart is not looked at
  // 9999 minutes on the clock, 10059 real ones over the autumn change.
  shown[6] = Special({2026, 10, 20}, {12, 0, 0}, {2026, 10, 27}, {10, 39, 0});
  const ScheduleSaveOutcome outcome = SaveSpecialSchedule(config, shown, kCentralEurope);
  EXPECT_FALSE(outcome.error);
  EXPECT_EQ(outcome.refusedRows, (std::vector<int>{2, 3, 4, 5, 7}));
  EXPECT_EQ(outcome.restartSpanRows, (std::vector<int>{2, 3, 4, 7}));
  EXPECT_EQ(config.ReadString("Schema", "SchemaSpecialShutYear1"), "2026-12-16");
  EXPECT_EQ(config.ReadString("Schema", "SchemaSpecialShutTime1"), "6:39:0");
  EXPECT_EQ(config.ReadString("Schema", "SchemaSpecialShutFlag2"), "");  // nothing of a refused row
  EXPECT_EQ(config.ReadString("Schema", "SchemaSpecialRebootFlag3"), "");
  EXPECT_EQ(config.ReadString("Schema", "SchemaSpecialRebootFlag6"), "1");
  EXPECT_EQ(config.ReadString("Schema", "SchemaSpecialShutYear6"), "None");
  EXPECT_EQ(config.ReadString("Schema", "SchemaSpecialShutFlag7"), "");

  // 10059 minutes on the clock, 9999 real ones over the spring change.
  SpecialSchedule spring;
  spring[0] = Special({2026, 3, 25}, {12, 0, 0}, {2026, 4, 1}, {11, 39, 0});
  const ScheduleSaveOutcome springOutcome = SaveSpecialSchedule(config, spring, kCentralEurope);
  EXPECT_FALSE(springOutcome.error);
  EXPECT_TRUE(springOutcome.refusedRows.empty());
  EXPECT_EQ(config.ReadString("Schema", "SchemaSpecialShutYear1"), "2026-4-1");
  EXPECT_EQ(config.ReadString("Schema", "SchemaSpecialShutTime1"), "11:39:0");
}
