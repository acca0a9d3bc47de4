// The special-date schedule: its date and time texts, its rows read from the
// settings and the dialog's OK rules.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "schedule/date_schedule.h"
#include "tests/unit/engine_fakes.h"
#include "tests/unit/test_folder.h"

using namespace voltaris;

namespace {

const voltaris::testing::FixedClock kClock;

SpecialPart Checked(CalendarDate date, TimeOfDay time) { return {true, date, time}; }

// A settings file in a folder of its own, holding `text` when there is one.
struct Settings {
  explicit Settings(const std::string& text = "") {
    if (!text.empty()) std::ofstream(path) << text;
  }
  voltaris::testing::TestFolder dir;
  ConfigFile config{dir.path()};
  std::string path = config.PathOf(ConfigFile::kFileName);
};

// The Schema keys of the special-date schedule, in file order.
std::string SpecialKeys(const std::string& path) {
  std::ifstream in(path);
  std::string line, keys;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("SchemaSpecial", 0) == 0) keys += line + "\n";
  }
  return keys;
}

std::string Whole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Unchecked(const char* part, int row) {
  const std::string n = std::to_string(row), key = std::string("SchemaSpecial") + part;
  return key + "Year" + n + "=None\n" + key + "Time" + n + "=None\n" + key + "Flag" + n + "=0\n";
}

}  // namespace

TEST(SpecialSchedule, DateAndTimeTextsHaveNoLeadingZeros) {
  EXPECT_EQ(ScheduleDateText({2008, 1, 15}), "2008-1-15");
  EXPECT_EQ(ScheduleDateText({2026, 12, 5}), "2026-12-5");
  EXPECT_EQ(ScheduleTimeText({22, 5, 0}), "22:5:0");
  const auto d = ParseScheduleDate("2008-01-05");
  ASSERT_TRUE(d);
  EXPECT_EQ(ScheduleDateText(*d), "2008-1-5");
  for (const char* notADate : {"None", "2009", "2009-1", "15/1/2008", "2008-1-15 22:00", "2008-1-x", "20080-1-1"}) {
    EXPECT_FALSE(ParseScheduleDate(notADate)) << notADate;
  }
  EXPECT_EQ(SpecialRowSettingError(1), "Event1 setting error!");
  EXPECT_EQ(SpecialRowSettingError(7), "Event7 setting error!");
}

TEST(SpecialSchedule, RowsAreReadFromTheirFortyTwoKeys) {
  const Settings settings(
      "[Schema]\r\nSchemaSpecialRebootFlag3=1\r\nSchemaSpecialRebootYear3=2008-1-15\r\n"
      "SchemaSpecialRebootTime3=22:5:0\r\nSchemaSpecialShutFlag3=1\r\nSchemaSpecialShutYear3=2008-1-16\r\n"
      "SchemaSpecialShutTime3=6:30:9\r\nSchemaSpecialRebootFlag7=01\r\nSchemaSpecialShutFlag7=2\r\n"
      "SchemaSpecialRebootYear7=2026-12-24\r\nSchemaSpecialRebootTime7=18:0:0\r\n");
  const SpecialSchedule read = ReadSpecialSchedule(settings.config);
  const SpecialRow& third = read[2];
  EXPECT_TRUE(third.shutdown.enabled);
  EXPECT_EQ(ScheduleDateText(third.shutdown.date), "2008-1-15");
  EXPECT_EQ(ScheduleTimeText(third.shutdown.time), "22:5:0");
  EXPECT_TRUE(third.restart.enabled);
  EXPECT_EQ(ScheduleDateText(third.restart.date), "2008-1-16");
  EXPECT_EQ(ScheduleTimeText(third.restart.time), "6:30:9");
  EXPECT_TRUE(read[6].shutdown.enabled);  // reads as the number 1
  EXPECT_FALSE(read[6].restart.enabled);  // 2 is not 1
  EXPECT_FALSE(read[0].shutdown.enabled);
  EXPECT_FALSE(read[0].restart.enabled);
}

// New keys land at the end of their section, so a fresh file shows the order
// of the writes.
TEST(SpecialScheduleSave, EachRowInTurnInTheOrderOfItsParts) {
  const Settings settings;
  SpecialSchedule shown;
  shown[0].shutdown = Checked({2008, 1, 15}, {22, 5, 0});  // both
  shown[0].restart = Checked({2008, 1, 16}, {6, 30, 0});
  shown[1].shutdown = Checked({2026, 12, 24}, {23, 0, 9});  // shutdown only; its restart picker is ignored
  shown[1].restart.date = {2027, 1, 1};
  const ScheduleSaveOutcome outcome = SaveSpecialSchedule(settings.config, shown, kClock);
  EXPECT_FALSE(outcome.error);
  EXPECT_TRUE(outcome.refusedRows.empty());
  std::string expected =
      "SchemaSpecialShutTime1=6:30:0\nSchemaSpecialShutFlag1=1\nSchemaSpecialShutYear1=2008-1-16\n"
      "SchemaSpecialRebootTime1=22:5:0\nSchemaSpecialRebootFlag1=1\nSchemaSpecialRebootYear1=2008-1-15\n"
      "SchemaSpecialRebootTime2=23:0:9\nSchemaSpecialRebootFlag2=1\nSchemaSpecialRebootYear2=2026-12-24\n" +
      Unchecked("Shut", 2);
  for (int row = 3; row <= 7; ++row) expected += Unchecked("Reboot", row) + Unchecked("Shut", row);
  EXPECT_EQ(SpecialKeys(settings.path), expected);
}

TEST(SpecialScheduleSave, ARestartWithoutItsShutdownIsRefusedAndKeepsItsStoredValues) {
  const std::string stored =
      "[Schema]\r\nSchemaSpecialShutFlag4=1\r\nSchemaSpecialShutYear4=2009-2-3\r\nSchemaSpecialShutTime4=5:0:0\r\n"
      "SchemaSpecialRebootFlag4=1\r\nSchemaSpecialRebootYear4=2009-2-2\r\nSchemaSpecialRebootTime4=23:0:0\r\n";
  const Settings settings(stored);
  const ConfigFile& config = settings.config;
  SpecialSchedule shown;
  shown[3].restart = Checked({2010, 5, 6}, {7, 8, 9});  // row 4: restart only
  shown[5].restart = Checked({2010, 5, 6}, {7, 8, 9});  // row 6 too
  shown[6].shutdown = Checked({2011, 11, 11}, {11, 11, 11});
  const ScheduleSaveOutcome outcome = SaveSpecialSchedule(config, shown, kClock);
  EXPECT_FALSE(outcome.error);
  EXPECT_EQ(outcome.refusedRows, (std::vector<int>{4, 6}));
  const std::string after = Whole(settings.path);
  EXPECT_EQ(after.substr(0, stored.size()), stored);  // row 4 as it was
  EXPECT_EQ(config.ReadString("Schema", "SchemaSpecialShutFlag6"), "");  // nothing of row 6
  EXPECT_EQ(config.ReadString("Schema", "SchemaSpecialRebootYear6"), "");
  EXPECT_EQ(config.ReadString("Schema", "SchemaSpecialRebootYear7"), "2011-11-11");  // the rows after are saved
  EXPECT_EQ(config.ReadString("Schema", "SchemaSpecialShutYear5"), "None");
}

TEST(SpecialScheduleSave, UncheckingARowStoresNoneAndZero) {
  const Settings settings(
      "[Schema]\r\nSchemaSpecialRebootFlag2=1\r\nSchemaSpecialRebootYear2=2008-1-15\r\n"
      "SchemaSpecialRebootTime2=22:5:0\r\nSchemaSpecialShutFlag2=1\r\nSchemaSpecialShutYear2=2008-1-16\r\n"
      "SchemaSpecialShutTime2=6:30:0\r\n");
  const ConfigFile& config = settings.config;
  SpecialSchedule shown;
  shown[1].shutdown.date = {2008, 1, 15};  // pickers keep their values; the boxes are clear
  shown[1].shutdown.time = {22, 5, 0};
  ASSERT_FALSE(SaveSpecialSchedule(config, shown, kClock).error);
  for (const char* part : {"Reboot", "Shut"}) {
    const std::string key = std::string("SchemaSpecial") + part;
    EXPECT_EQ(config.ReadString("Schema", key + "Flag2"), "0") << part;
    EXPECT_EQ(config.ReadString("Schema", key + "Year2"), "None") << part;
    EXPECT_EQ(config.ReadString("Schema", key + "Time2"), "None") << part;
  }
  const SpecialSchedule read = ReadSpecialSchedule(config);
  EXPECT_FALSE(read[1].shutdown.enabled);
  EXPECT_FALSE(read[1].restart.enabled);
}

TEST(SpecialScheduleSave, AFailedWriteIsReportedAndEndsTheSave) {
  const std::string stored = "[Schema]\r\nSchemaSpecialRebootFlag1=0\r\n";
  const Settings settings(stored);
  ASSERT_EQ(chmod(settings.path.c_str(), 0444), 0);  // read-only: never replaced
  SpecialSchedule shown;
  shown[0].shutdown = Checked({2008, 1, 15}, {22, 5, 0});
  shown[2].restart = Checked({2008, 1, 15}, {22, 5, 0});  // refused, but the save ended before it
  const ScheduleSaveOutcome outcome = SaveSpecialSchedule(settings.config, shown, kClock);
  EXPECT_TRUE(outcome.error);
  EXPECT_FALSE(outcome.error.message.empty());
  EXPECT_TRUE(outcome.refusedRows.empty());
  EXPECT_EQ(Whole(settings.path), stored);

  ConfigFile nowhere(settings.dir.path() + "/no-such-folder");
  EXPECT_TRUE(SaveSpecialSchedule(nowhere, shown, kClock).error);
}
