// The weekly schedule's rows, restore minutes, commands and due check.
#include <gtest/gtest.h>

#include <fstream>

#include "schedule/scheduled_shutdown.h"
#include "schedule/weekly_schedule.h"
#include "tests/unit/engine_fakes.h"
#include "tests/unit/test_folder.h"

using namespace voltaris;

namespace {

constexpr int kMonday = 1, kSunday = 0;

WeeklyRow Row(TimeOfDay shutdown, std::optional<TimeOfDay> restart = std::nullopt) {
  WeeklyRow r;
  r.shutdown = true;
  r.shutdownAt = shutdown;
  if (restart) {
    r.restart = true;
    r.restartAt = *restart;
  }
  return r;
}

// A clock standing at that time of the week of Monday 2026-12-07.
voltaris::testing::FixedClock At(int weekday, int hour, int minute, int second) {
  return voltaris::testing::StandingClock({2026, 12, 7 + (weekday + 6) % 7, hour, minute, second, weekday});
}

}  // namespace

TEST(WeeklySchedule, TimesAndRows) {
  // Only a plain time of the 24-hour clock is read; "10:00 PM" once read as
  // ten in the morning. Each limit from both sides.
  const struct {
    const char* text;
    std::optional<int> seconds;
  } kTimes[] = {
      {"22:5:0", 22 * 3600 + 5 * 60}, {"22:05", 22 * 3600 + 5 * 60}, {"0:0", 0}, {"00:00:00", 0},
      {"23:59:59", 86399},            {"24:00", std::nullopt},     {"23:59", 86340}, {"23:60", std::nullopt},
      {"12:00:59", 43259},            {"12:00:60", std::nullopt},   {"10:00 PM", std::nullopt},
      {"10:00PM", std::nullopt},      {"10:00 AM", std::nullopt},   {"7", std::nullopt}, {"None", std::nullopt},
      {"", std::nullopt},             {"-1:30", std::nullopt},      {"+1:30", std::nullopt},
      {"1:2:3:4", std::nullopt},      {"123:00", std::nullopt},     {"10:000", std::nullopt},
      {"10 :00", std::nullopt},       {"10.00", std::nullopt},      {"10:", std::nullopt}, {":30", std::nullopt},
  };
  for (const auto& t : kTimes) {
    const auto parsed = ParseScheduleTime(t.text);
    ASSERT_EQ(parsed.has_value(), t.seconds.has_value()) << "'" << t.text << "'";
    if (parsed) {
      EXPECT_EQ(parsed->Seconds(), *t.seconds) << "'" << t.text << "'";
    }
  }
  EXPECT_EQ(RowOfWeekday(0), 7);
  EXPECT_EQ(RowOfWeekday(1), 1);
  EXPECT_EQ(RowOfWeekday(6), 6);
}

TEST(WeeklySchedule, RestoreMinutes) {
  EXPECT_EQ(ScheduleRestoreMinutes({22, 0, 0}, {6, 30, 0}), 9150);  // the same weekday a week on
  EXPECT_EQ(ScheduleRestoreMinutes({20, 0, 0}, {21, 15, 0}), 75);
  EXPECT_EQ(ScheduleRestoreMinutes({18, 0, 0}, {23, 0, 0}), 300);
  EXPECT_EQ(ScheduleRestoreMinutes({12, 0, 0}, {12, 0, 59}), 9999);   // the same time: L = 0
  EXPECT_EQ(ScheduleRestoreMinutes({12, 0, 0}, {10, 40, 0}), 9999);   // L = 80
  EXPECT_EQ(ScheduleRestoreMinutes({12, 0, 0}, {10, 39, 0}), 9999);   // L = 81, the last to get 9999
  EXPECT_EQ(ScheduleRestoreMinutes({12, 0, 0}, {10, 38, 0}), 9998);   // L = 82: a week less 82 minutes
}

std::string SerialSwitchOff(const WeeklyRow& row, int day, int delaySeconds) {
  const auto control = ScheduledSwitchOff(row, day, delaySeconds);
  return control ? control->serial : "(none)";
}

TEST(WeeklySchedule, SwitchOffCommands) {
  EXPECT_EQ(SerialSwitchOff(Row({22, 0, 0}, TimeOfDay{6, 30, 0}), 1, 60), "S01R9150\r");
  EXPECT_EQ(SerialSwitchOff(Row({20, 0, 0}, TimeOfDay{21, 15, 0}), 3, 60), "S01R0075\r");
  EXPECT_EQ(SerialSwitchOff(Row({22, 0, 0}), 4, 60), "S01R9999\r");
  EXPECT_EQ(SerialSwitchOff(Row({22, 0, 0}), 5, 60), "S01\r");  // Friday: no restore part
  EXPECT_EQ(SerialSwitchOff(Row({22, 0, 0}), 5, 150), "S02\r");
  EXPECT_EQ(SerialSwitchOff(Row({22, 0, 0}), 6, 600), "S10R9999\r");
  EXPECT_EQ(SerialSwitchOff(WeeklyRow{}, 2, 60), "(none)");
}

// The link library gets its own texts, always through Cmdtest; "stay off"
// also on Friday, where the serial form has no restore part.
TEST(WeeklySchedule, SwitchOffOverUsb) {
  const UsbCommand withRestart = ScheduledSwitchOff(Row({20, 0, 0}, TimeOfDay{21, 15, 0}), 3, 60)->usb;
  EXPECT_EQ(withRestart, (UsbCommand{0, "R00100075"}));
  EXPECT_EQ(ScheduledSwitchOff(Row({22, 0, 0}), 4, 120)->usb, (UsbCommand{0, "RS.2R9999\r"}));
  EXPECT_EQ(ScheduledSwitchOff(Row({22, 0, 0}), 5, 120)->usb, (UsbCommand{0, "RS.2R9999\r"}));
}

TEST(WeeklySchedule, TheWarningIsDueWheneverTheClockIsInsideItsPeriod) {
  WeeklySchedule s;
  s[0] = Row({22, 0, 0});  // Monday 22:00, a minute of 0
  EXPECT_EQ(FindScheduledShutdown(s, {}, At(kMonday, 21, 54, 59), 5), std::nullopt);
  const auto started = FindScheduledShutdown(s, {}, At(kMonday, 21, 57, 0), 5);  // started inside the period
  ASSERT_TRUE(started);
  EXPECT_EQ(started->secondsLeft, 180);
  EXPECT_EQ(started->weeklyRow, 1);
  EXPECT_EQ(FindScheduledShutdown(s, {}, At(kMonday, 21, 55, 0), 5)->secondsLeft, 300);
  EXPECT_EQ(FindScheduledShutdown(s, {}, At(kMonday, 21, 59, 59), 5)->secondsLeft, 1);
  EXPECT_EQ(FindScheduledShutdown(s, {}, At(kMonday, 22, 0, 0), 5), std::nullopt);  // past
  EXPECT_EQ(FindScheduledShutdown(s, {}, At(kSunday, 21, 57, 0), 5), std::nullopt);  // another day
  EXPECT_EQ(FindScheduledShutdown(s, {}, At(kMonday, 21, 57, 0), 0), std::nullopt);
}

TEST(WeeklySchedule, AShutdownJustAfterMidnightIsWarnedTheEveningBefore) {
  WeeklySchedule s;
  s[0] = Row({0, 10, 0});  // Monday 00:10, 30 minutes' warning
  EXPECT_EQ(FindScheduledShutdown(s, {}, At(kSunday, 23, 39, 59), 30), std::nullopt);
  const auto due = FindScheduledShutdown(s, {}, At(kSunday, 23, 40, 0), 30);
  ASSERT_TRUE(due);
  EXPECT_EQ(due->secondsLeft, 1800);
  EXPECT_EQ(due->weeklyRow, 1);
  EXPECT_EQ(FindScheduledShutdown(s, {}, At(kMonday, 0, 5, 0), 30)->secondsLeft, 300);
  EXPECT_EQ(FindScheduledShutdown(s, {}, At(kMonday, 23, 40, 0), 30), std::nullopt);  // not that Monday evening
}

// ---- The dialog's OK ---------------------------------------------------------

namespace {

std::string Lines(const std::string& path) {
  std::ifstream in(path);
  std::string line, keys;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("SchemaEvery", 0) == 0) keys += line + "\n";
  }
  return keys;
}

}  // namespace

// New keys land at the end of their section, so a fresh file shows the order
// of the writes: the restart keys of the valid rows, then every shutdown key.
TEST(WeeklyScheduleSave, RestartKeysOfValidRowsFirstThenAllShutdownKeys) {
  voltaris::testing::TestFolder dir;
  ConfigFile config(dir.path());
  WeeklySchedule shown;
  shown[0] = Row({22, 5, 0}, TimeOfDay{6, 30, 0});  // Monday
  shown[1].restart = true;                           // Tuesday: restart without shutdown
  shown[1].restartAt = {7, 0, 0};
  shown[6] = Row({0, 10, 9});                        // Sunday
  const ScheduleSaveOutcome outcome = SaveWeeklySchedule(config, shown);
  EXPECT_FALSE(outcome.error);
  EXPECT_EQ(outcome.refusedRows, std::vector<int>{2});
  std::string expected =
      "SchemaEveryShutTime1=6:30:0\nSchemaEveryShutFlag1=1\n";
  for (int row = 3; row <= 7; ++row) {
    const std::string n = std::to_string(row);
    expected += "SchemaEveryShutTime" + n + "=None\nSchemaEveryShutFlag" + n + "=0\n";
  }
  expected += "SchemaEveryRebootTime1=22:5:0\nSchemaEveryRebootFlag1=1\n";
  for (int row = 2; row <= 6; ++row) {
    const std::string n = std::to_string(row);
    expected += "SchemaEveryRebootTime" + n + "=None\nSchemaEveryRebootFlag" + n + "=0\n";
  }
  expected += "SchemaEveryRebootTime7=0:10:9\nSchemaEveryRebootFlag7=1\n";
  EXPECT_EQ(Lines(config.PathOf(ConfigFile::kFileName)), expected);
}

TEST(WeeklyScheduleSave, ARefusedRowKeepsItsStoredRestartAndWhatIsSavedReadsBack) {
  voltaris::testing::TestFolder dir;
  ConfigFile config(dir.path());
  ASSERT_FALSE(config.WriteString("Schema", "SchemaEveryShutTime4", "5:0:0"));
  ASSERT_FALSE(config.WriteString("Schema", "SchemaEveryShutFlag4", "1"));
  WeeklySchedule shown;
  shown[2] = Row({20, 0, 0}, TimeOfDay{21, 15, 0});  // Wednesday
  shown[3].restart = true;                           // Thursday, refused
  shown[3].restartAt = {6, 0, 0};
  EXPECT_EQ(SaveWeeklySchedule(config, shown).refusedRows, std::vector<int>{4});
  EXPECT_EQ(config.ReadString("Schema", "SchemaEveryShutTime4"), "5:0:0");
  EXPECT_EQ(config.ReadString("Schema", "SchemaEveryShutFlag4"), "1");
  const WeeklySchedule read = ReadWeeklySchedule(config);
  EXPECT_TRUE(read[2].shutdown && read[2].restart);
  EXPECT_EQ(read[2].restartAt.Seconds(), TimeOfDay({21, 15, 0}).Seconds());
  EXPECT_FALSE(read[3].shutdown);  // its shutdown column is saved all the same
  EXPECT_EQ(RowSettingError(1), "Monday setting error!");
  EXPECT_EQ(RowSettingError(4), "Thursday setting error!");
  EXPECT_EQ(RowSettingError(7), "Sunday setting error!");
}

// A time the clock does not have, as a hand-edited file may hold it: the row
// does not fire (not at 10:00 in the morning for "10:00 PM", and not without
// the restart the user asked for), and the event log says so once however
// often the schedule is read.
TEST(WeeklySchedule, ARowWithATimeThatIsNotPlainlyOneNeverFiresAndIsRecordedOnce) {
  voltaris::testing::TestFolder dir;
  std::ofstream(dir.path() + "/UpsConfigure.ini")
      << "[Schema]\nSchemaEveryRebootFlag1=1\nSchemaEveryRebootTime1=10:00 PM\n"  // Monday
         "SchemaEveryRebootFlag2=1\nSchemaEveryRebootTime2=10:0:0\n"             // Tuesday: sound
         "SchemaEveryShutFlag2=0\nSchemaEveryShutTime2=None\n"
         "SchemaEveryRebootFlag3=1\nSchemaEveryRebootTime3=10:0:0\n"             // Wednesday: its restart
         "SchemaEveryShutFlag3=1\nSchemaEveryShutTime3=6:30 AM\n"
         "SchemaEveryRebootFlag4=0\nSchemaEveryRebootTime4=late\n";              // unticked: not read
  ConfigFile config(dir.path());
  std::vector<std::string> events;
  config.SetEventSink([&events](const std::string& text) { events.push_back(text); });
  WeeklySchedule read;
  for (int second = 0; second < 5; ++second) read = ReadWeeklySchedule(config.Snapshot());
  EXPECT_FALSE(read[0].shutdown);
  EXPECT_TRUE(read[0].damaged);
  EXPECT_TRUE(read[1].shutdown);
  EXPECT_FALSE(read[1].damaged);
  EXPECT_TRUE(read[2].shutdown);  // shown as it is in the dialog, the restart unticked
  EXPECT_FALSE(read[2].restart);
  EXPECT_TRUE(read[2].damaged);
  EXPECT_FALSE(read[3].damaged);
  EXPECT_EQ(events, (std::vector<std::string>{"  Schedule Setting Not Valid: SchemaEveryRebootTime1 (Row Not Used)",
                                               "  Schedule Setting Not Valid: SchemaEveryShutTime3 (Row Not Used)"}));
  EXPECT_EQ(FindScheduledShutdown(read, {}, At(kMonday, 9, 58, 0), 5), std::nullopt);
  EXPECT_EQ(FindScheduledShutdown(read, {}, At(kMonday, 21, 58, 0), 5), std::nullopt);
  EXPECT_EQ(FindScheduledShutdown(read, {}, At(3, 9, 58, 0), 5), std::nullopt);
  ASSERT_TRUE(FindScheduledShutdown(read, {}, At(2, 9, 58, 0), 5));  // Tuesday's sound row
  // Mended, it is read again, and a new wrong value is told again.
  ASSERT_FALSE(config.WriteString("Schema", "SchemaEveryRebootTime1", "22:0:0"));
  EXPECT_TRUE(ReadWeeklySchedule(config)[0].shutdown);
  ASSERT_FALSE(config.WriteString("Schema", "SchemaEveryRebootTime1", "22h00"));
  EXPECT_FALSE(ReadWeeklySchedule(config)[0].shutdown);
  EXPECT_EQ(events.size(), 3u);
}

// The pickers only give times of day; a time that is none is refused all the
// same, its row written in neither column.
TEST(WeeklyScheduleSave, ARowWithATimeThatIsNoTimeOfDayIsRefused) {
  voltaris::testing::TestFolder dir;
  ConfigFile config(dir.path());
  WeeklySchedule shown;
  shown[0] = Row({24, 0, 0});
  shown[1] = Row({23, 59, 59}, TimeOfDay{0, 60, 0});
  shown[2] = Row({23, 59, 59}, TimeOfDay{0, 59, 0});
  EXPECT_EQ(SaveWeeklySchedule(config, shown).refusedRows, (std::vector<int>{1, 2}));
  EXPECT_EQ(config.ReadValue("Schema", "SchemaEveryRebootTime1"), std::nullopt);
  EXPECT_EQ(config.ReadValue("Schema", "SchemaEveryRebootTime2"), std::nullopt);
  EXPECT_EQ(config.ReadString("Schema", "SchemaEveryShutTime3"), "0:59:0");
}

TEST(WeeklyScheduleSave, AFailedWriteIsReportedAndStopsTheSave) {
  voltaris::testing::TestFolder dir;
  ConfigFile config(dir.path() + "/no-such-folder");
  WeeklySchedule shown;
  shown[0] = Row({22, 0, 0});
  const ScheduleSaveOutcome outcome = SaveWeeklySchedule(config, shown);
  EXPECT_TRUE(outcome.error);
  EXPECT_FALSE(outcome.error.message.empty());
}
