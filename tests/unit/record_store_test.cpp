#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "base/csv.h"
#include "i18n/catalogue.h"
#include "records/record_store.h"
#include "tests/unit/test_folder.h"

using namespace voltaris;

namespace {

class FakeClock : public LocalClock {
 public:
  LocalDateTime now{2007, 3, 5, 9, 5, 7, 1};
  LocalDateTime Now() const override { return now; }
};

class RecordStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { store_.Recover(); }
  std::string File(RecordTable t) const { return store_.PathOf(t); }
  std::string Contents(RecordTable t) const {
    std::ifstream in(File(t), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void WriteRaw(RecordTable t, const std::string& bytes) const {
    std::ofstream(File(t), std::ios::binary) << bytes;
  }
  std::vector<std::vector<std::string>> Rows(RecordTable t) {
    std::vector<std::vector<std::string>> rows;
    EXPECT_FALSE(store_.ReadAll(t, InfoOf(t).columns, [&rows](const auto& r) { rows.push_back(r); }));
    return rows;
  }
  std::vector<std::string> DailyRow(size_t i) { return Rows(RecordTable::Daily).at(i); }

  voltaris::testing::TestFolder folder_{"voltaris-records"};
  std::string dir_ = folder_.path();
  FakeClock clock_;
  RecordStore store_{dir_, clock_};
};

}  // namespace

TEST_F(RecordStoreTest, FirstWriteCreatesTheFileWithItsColumnNames) {
  ASSERT_TRUE(store_.AppendEvent("  Program Start").written);
  EXPECT_EQ(Contents(RecordTable::Events), "event\r\n2007-3-5  9:05:07  Program Start\r\n");
  ASSERT_TRUE(store_.AppendClosedApp().written);
  EXPECT_EQ(Contents(RecordTable::ClosedApps), "Data,Time,Application\r\n2007-3-5,9:5:7,Voltaris\r\n");
  ASSERT_TRUE(store_.AppendHistoryRow({"2007-3-5", "9:5:7", "220", "220", "12", "100", "25.0", "50.0", "Normal"}).written);
  EXPECT_EQ(Contents(RecordTable::History).substr(0, 100),
            "Date,Time,Input Voltage,Output Voltage,Load,Battery Level,Temperature,Frequency,Status,Runtime\r\n2007");
}

TEST_F(RecordStoreTest, TextsWithSeparatorsAndOtherCodePagesComeBackUnchanged) {
  const std::vector<std::string> row{"2007-3-5", "9:5:7", "a,b", "\"q\"", "x\r\ny", "\xC9", "", "", "Test\xE9", "7 min"};
  store_.AppendHistoryRow(row);
  const auto rows = Rows(RecordTable::History);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], row);
}

TEST_F(RecordStoreTest, DailyCountsStartAndGrowPerDay) {
  store_.IncrementDailyCount(DailyColumn::AcFail);
  EXPECT_EQ(DailyRow(0), (std::vector<std::string>{"2007-03-05", "0", "1", "0"}));
  store_.IncrementDailyCount(DailyColumn::AcFail);
  store_.IncrementDailyCount(DailyColumn::ScheduleDown);
  EXPECT_EQ(DailyRow(0), (std::vector<std::string>{"2007-03-05", "0", "2", "1"}));
  clock_.now.day = 6;
  store_.IncrementDailyCount(DailyColumn::AcFail);
  EXPECT_EQ(DailyRow(1), (std::vector<std::string>{"2007-03-06", "0", "1", "0"}));
  for (int i = 0; i < 9; ++i) store_.IncrementDailyCount(DailyColumn::BatteryLow);  // "9" to "10" grows the row
  EXPECT_EQ(DailyRow(1), (std::vector<std::string>{"2007-03-06", "9", "1", "0"}));
  store_.IncrementDailyCount(DailyColumn::BatteryLow);
  EXPECT_EQ(DailyRow(1), (std::vector<std::string>{"2007-03-06", "10", "1", "0"}));
  EXPECT_EQ(Rows(RecordTable::Daily).size(), 2u);
}

TEST_F(RecordStoreTest, DailyCountOfAHandEditedRowAndOfADayKeyInOtherCase) {
  WriteRaw(RecordTable::Daily, "Date,Battery Low,AC Fail,Schedule Down\r\n2007-03-05,\"lots\",2,0\r\n");
  store_.IncrementDailyCount(DailyColumn::BatteryLow);  // not a number: reads as 0, and the row gets shorter
  EXPECT_EQ(Contents(RecordTable::Daily), "Date,Battery Low,AC Fail,Schedule Down\r\n2007-03-05,1,2,0\r\n");
}

TEST_F(RecordStoreTest, TornLastRowIsSetAsideBesideTheTable) {
  store_.AppendEvent("  Program Start");
  const std::string whole = Contents(RecordTable::Events);
  WriteRaw(RecordTable::Events, whole + "2007-3-5  9:0");  // killed mid-write
  EXPECT_EQ(Rows(RecordTable::Events).size(), 1u);
  store_.AppendEvent("  Program End");
  EXPECT_EQ(Contents(RecordTable::Events), whole + "2007-3-5  9:05:07  Program End\r\n");
  std::ifstream aside(File(RecordTable::Events) + ".torn", std::ios::binary);
  std::stringstream kept;
  kept << aside.rdbuf();
  EXPECT_EQ(kept.str(), "2007-3-5  9:0\r\n");
}

TEST_F(RecordStoreTest, TornDailyRowIsSetAsideBeforeCounting) {
  WriteRaw(RecordTable::Daily, "Date,Battery Low,AC Fail,Schedule Down\r\n2007-03-05,0,1,0\r\n2007-03-0");
  store_.IncrementDailyCount(DailyColumn::AcFail);
  EXPECT_EQ(Contents(RecordTable::Daily), "Date,Battery Low,AC Fail,Schedule Down\r\n2007-03-05,0,2,0\r\n");
}

TEST_F(RecordStoreTest, DeleteAllLeavesOnlyTheColumnNames) {
  for (int i = 0; i < 5; ++i) store_.AppendEvent("  UPS is DisConnected!");
  EXPECT_FALSE(store_.DeleteAll(RecordTable::Events));
  EXPECT_EQ(Contents(RecordTable::Events), "event\r\n");
  EXPECT_TRUE(Rows(RecordTable::Events).empty());
  store_.AppendEvent("  Program End");
  EXPECT_EQ(Rows(RecordTable::Events).size(), 1u);
}

// The store belongs to the user-interface thread; rows of two sources
// taking turns each keep their order and their fields.
TEST_F(RecordStoreTest, TwoWritersTakingTurnsKeepTheirOrderAndFields) {
  constexpr int kRows = 10000;
  for (int i = 0; i < kRows; ++i) {
    for (const char* who : {"monitor", "ui"}) {
      store_.AppendHistoryRow({who, std::to_string(i), "a,b", "", "", "", "", "", "end"});
    }
  }
  const auto rows = Rows(RecordTable::History);
  ASSERT_EQ(rows.size(), 2u * kRows);
  int next[2] = {0, 0};
  for (const auto& r : rows) {
    const int who = r[0] == "ui";
    EXPECT_EQ(r[1], std::to_string(next[who]++));  // each writer's rows in order
    EXPECT_EQ(r[2], "a,b");
    EXPECT_EQ(r[8], "end");
  }
}

TEST_F(RecordStoreTest, FolderInTheFilesPlaceJournalsRowsReportsOnceAndMovesThemLaterInOrder) {
  store_.AppendEvent("  one");
  const std::string path = File(RecordTable::Events);
  const std::string saved = Contents(RecordTable::Events);
  ASSERT_EQ(std::rename(path.c_str(), (path + ".away").c_str()), 0);
  ASSERT_EQ(mkdir(path.c_str(), 0755), 0);  // the file cannot be opened for writing now

  const RecordResult first = store_.AppendEvent("  two");
  EXPECT_FALSE(first.written);
  EXPECT_TRUE(first.kept);
  EXPECT_EQ(first.error.code, EISDIR);
  const RecordResult second = store_.AppendEvent("  three");
  EXPECT_FALSE(second.written);
  EXPECT_FALSE(second.error);  // already reported
  EXPECT_TRUE(store_.IncrementDailyCount(DailyColumn::AcFail).written);  // another table is not held back
  EXPECT_EQ(DailyRow(0)[2], "1");
  EXPECT_EQ(store_.HeldRows(), 0u);  // on the disk, in the journal

  ASSERT_EQ(rmdir(path.c_str()), 0);
  ASSERT_EQ(std::rename((path + ".away").c_str(), path.c_str()), 0);
  EXPECT_TRUE(store_.AppendEvent("  four").written);
  EXPECT_FALSE(store_.RowsWaiting());
  EXPECT_EQ(Contents(RecordTable::Events), saved +
                                               "2007-3-5  9:05:07  two\r\n"
                                               "2007-3-5  9:05:07  three\r\n"
                                               "2007-3-5  9:05:07  four\r\n");
}

TEST_F(RecordStoreTest, ReadAllNamesAMissingColumn) {
  store_.AppendEvent("  x");
  const FileError e = store_.ReadAll(RecordTable::Events, {"Event", "Time"}, [](const auto&) {});
  EXPECT_TRUE(e);
  EXPECT_EQ(e.message, "EventRecord.csv has no column \"Time\"");
  SetLanguage(Language::French);
  const FileError french = store_.ReadAll(RecordTable::Events, {"Event", "Time"}, [](const auto&) {});
  SetLanguage(Language::English);
  EXPECT_EQ(french.message, "EventRecord.csv n'a pas de colonne \"Time\"");
}

// What failed is said in the build's language; the path and the system's
// reason follow as they are.
TEST_F(RecordStoreTest, FileErrorsAreToldInTheBuildsLanguage) {
  const std::string path = File(RecordTable::Events);
  ASSERT_EQ(mkdir(path.c_str(), 0755), 0);  // the table can be neither read nor written
  const std::string english = store_.AppendEvent("  one").error.message;
  const std::string englishDelete = store_.DeleteAll(RecordTable::Events).message;
  ASSERT_EQ(rmdir(path.c_str()), 0);
  EXPECT_TRUE(store_.AppendEvent("  two").written);  // the failing spell ends: the next one is told again

  ASSERT_EQ(std::remove(path.c_str()), 0);
  ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
  SetLanguage(Language::French);
  const std::string french = store_.AppendEvent("  three").error.message;
  const std::string frenchDelete = store_.DeleteAll(RecordTable::Events).message;
  SetLanguage(Language::English);

  EXPECT_EQ(english, "cannot read " + path + ": " + std::strerror(EISDIR));
  EXPECT_EQ(french, "impossible de lire " + path + ": " + std::strerror(EISDIR));
  EXPECT_EQ(englishDelete, "cannot replace " + path + ": " + std::strerror(EISDIR));
  EXPECT_EQ(frenchDelete, "impossible de remplacer " + path + ": " + std::strerror(EISDIR));
}

// The folder is taken when the store is made: a dialog that changes the
// current folder later (a printer's "save as") moves neither the rows nor
// the journals, nor starts a fresh table there.
TEST(RecordStoreFolder, RowsStayInTheFolderThatWasCurrentWhenTheStoreWasMade) {
  voltaris::testing::TestFolder records{"voltaris-records"}, elsewhere{"voltaris-elsewhere"};
  char started[4096];
  ASSERT_NE(getcwd(started, sizeof started), nullptr);
  ASSERT_EQ(chdir(records.path().c_str()), 0);
  FakeClock clock;
  RecordStore store("", clock);
  ASSERT_EQ(mkdir("MonthRecord.csv", 0755), 0);  // the daily table cannot be written: its rows go to a journal
  ASSERT_EQ(chdir(elsewhere.path().c_str()), 0);
  const bool written = store.AppendEvent("  Program Start").written;
  store.IncrementDailyCount(DailyColumn::AcFail);
  ASSERT_EQ(chdir(started), 0);
  EXPECT_TRUE(written);
  EXPECT_TRUE(FileExists(records.path() + "/EventRecord.csv"));
  EXPECT_TRUE(FileExists(records.path() + "/MonthRecord.csv.pending"));
  EXPECT_EQ(std::system(("test -z \"$(ls -A '" + elsewhere.path() + "')\"").c_str()), 0) << "files were made elsewhere";
}
