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
#include "tests/unit/memory_file_system.h"
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

// ---- Journals ------------------------------------------------------------------

// The record store's journals on a file system in memory: tables that fail
// on their own, journals moved in order and exactly once, whatever step a
// failure or a crash stops the move at.

using voltaris::testing::MemoryFileSystem;

namespace {

class StepClock : public LocalClock {
 public:
  LocalDateTime now{2026, 12, 8, 9, 5, 0, 2};
  LocalDateTime Now() const override { return now; }
};

const std::string kEvents = "EventRecord.csv";
const std::string kHistory = "HistorRecord.csv";
const std::string kDaily = "MonthRecord.csv";

struct JournalRig {
  MemoryFileSystem disk;
  StepClock clock;
  std::unique_ptr<RecordStore> store = NewStore();

  std::unique_ptr<RecordStore> NewStore() { return std::make_unique<RecordStore>("", clock, disk); }
  // The program dies; a new one starts on the same disk.
  void Restart() {
    disk.Restart();
    store = NewStore();
    store->Recover();
  }
  // Event texts numbered by the second they were written at, so each row differs.
  RecordResult Event(int n) {
    clock.now.second = n % 60;
    clock.now.minute = n / 60;
    return store->AppendEvent("  event " + std::to_string(n));
  }
  std::vector<std::string> Rows(RecordTable table) {
    std::vector<std::string> rows;
    EXPECT_FALSE(store->ReadAll(table, InfoOf(table).columns, [&rows](const auto& r) {
      std::string line;
      for (const auto& f : r) line += (line.empty() ? "" : "|") + f;
      rows.push_back(line);
    }));
    return rows;
  }
  std::vector<std::string> EventTexts() {
    std::vector<std::string> texts;
    for (const auto& r : Rows(RecordTable::Events)) texts.push_back(r.substr(r.find("  event")));
    return texts;
  }
  bool Has(const std::string& path) const { return disk.files.count(path) != 0; }
};

std::vector<std::string> EventsNumbered(int from, int to) {
  std::vector<std::string> texts;
  for (int n = from; n <= to; ++n) texts.push_back("  event " + std::to_string(n));
  return texts;
}

}  // namespace

TEST(RecordJournal, ATableThatCannotBeWrittenHoldsBackOnlyItsOwnRows) {
  JournalRig rig;
  rig.Event(1);
  rig.disk.blocked.insert(kEvents);  // open in a spreadsheet
  const RecordResult first = rig.Event(2);
  EXPECT_FALSE(first.written);
  EXPECT_TRUE(first.kept);  // in the journal, on the disk
  EXPECT_EQ(first.error.code, 13);
  EXPECT_FALSE(rig.Event(3).error);  // the spell is reported once
  EXPECT_TRUE(rig.store->AppendHistoryRow({"2026-12-8", "9:5:0", "220"}).written);
  EXPECT_TRUE(rig.store->IncrementDailyCount(DailyColumn::AcFail).written);
  // On the disk in order: the journal being moved, then the journal.
  EXPECT_EQ(rig.disk.files[kEvents + ".moving"] + rig.disk.files[kEvents + ".pending"],
            "2026-12-8  9:00:02  event 2\r\n2026-12-8  9:00:03  event 3\r\n");
  // A viewer meanwhile shows them oldest first, though the table cannot be read.
  std::vector<std::string> shown;
  EXPECT_TRUE(rig.store->ReadAll(RecordTable::Events, {"event"}, [&shown](const auto& r) {
    shown.push_back(r[0].substr(r[0].find("  event")));
  }));
  EXPECT_EQ(shown, EventsNumbered(2, 3));
  EXPECT_TRUE(rig.store->RowsWaiting());
  size_t waiting = 0;
  EXPECT_FALSE(rig.store->FlushPending(&waiting));  // the spell was told already
  EXPECT_EQ(waiting, 1u);

  rig.disk.blocked.clear();
  EXPECT_TRUE(rig.Event(4).written);
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 4));  // journal rows between the table's and the new one
  EXPECT_FALSE(rig.Has(kEvents + ".pending"));
  EXPECT_FALSE(rig.store->RowsWaiting());
  rig.disk.blocked.insert(kEvents);
  EXPECT_TRUE(rig.Event(5).error);  // a new spell is reported again
}

TEST(RecordJournal, TheRetryAndTheNextStartMoveTheJournal) {
  JournalRig rig;
  rig.disk.blocked.insert(kEvents);
  for (int n = 1; n <= 3; ++n) rig.Event(n);
  rig.disk.blocked.clear();
  size_t waiting = 9;
  EXPECT_FALSE(rig.store->FlushPending(&waiting));
  EXPECT_EQ(waiting, 0u);
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 3));

  rig.disk.blocked.insert(kEvents);
  rig.Event(4);
  rig.disk.blocked.clear();
  rig.Restart();  // the program ended with the row in the journal
  EXPECT_FALSE(rig.store->RowsWaiting());
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 4));
  EXPECT_FALSE(rig.Has(kEvents + ".torn"));  // a journal of whole lines sets nothing aside
}

TEST(RecordJournal, RowsWaitInMemoryOnlyWhenTheJournalCannotBeWrittenEither) {
  JournalRig rig;
  rig.disk.blocked = {kEvents, kEvents + ".pending"};
  const RecordResult held = rig.Event(1);
  EXPECT_FALSE(held.kept);
  rig.Event(2);
  EXPECT_EQ(rig.store->HeldRows(), 2u);
  rig.disk.blocked = {kEvents};  // the journal can be written again: the rows go there first
  rig.Event(3);
  EXPECT_EQ(rig.store->HeldRows(), 0u);
  rig.disk.blocked.clear();
  rig.Event(4);
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 4));

  // Memory holds so many rows a table; the next is refused, told as full.
  JournalRig full;
  full.disk.blocked = {kHistory, kHistory + ".pending"};
  for (size_t n = 0; n < RecordStore::kMaxHeldRows; ++n) full.store->AppendHistoryRow({"2026-12-8"});
  EXPECT_EQ(full.store->HeldRows(), RecordStore::kMaxHeldRows);
  EXPECT_EQ(full.store->DroppedRows(), 0u);
  const RecordResult refused = full.store->AppendHistoryRow({"2026-12-8"});
  EXPECT_FALSE(refused.kept);
  EXPECT_EQ(refused.error.kind, FileErrorKind::Full);
  EXPECT_EQ(full.store->DroppedRows(), 1u);
}

TEST(RecordJournal, DailyCountsWaitAsCountsAndAddUpOnceMoved) {
  JournalRig rig;
  rig.store->IncrementDailyCount(DailyColumn::AcFail);
  rig.disk.blocked.insert(kDaily);
  rig.store->IncrementDailyCount(DailyColumn::AcFail);
  rig.store->IncrementDailyCount(DailyColumn::BatteryLow);
  rig.clock.now.day = 9;
  rig.store->IncrementDailyCount(DailyColumn::ScheduleDown);
  rig.disk.blocked.clear();
  rig.store->FlushPending();
  EXPECT_EQ(rig.Rows(RecordTable::Daily), (std::vector<std::string>{"2026-12-08|1|2|0", "2026-12-09|0|0|1"}));
}

// `setUp`, then a retry that dies at its first write, then at its second, ...
// each followed by a new start and `check`, until a retry runs to its end.
template <typename SetUp, typename Check>
void CrashAtEachWriteOfTheRetry(SetUp setUp, Check check) {
  for (int crashAt = 1;; ++crashAt) {
    SCOPED_TRACE("crash at write " + std::to_string(crashAt));
    JournalRig rig;
    setUp(rig);
    rig.disk.writes = 0;
    rig.disk.crashAt = crashAt;
    rig.store->FlushPending();
    const bool crashed = rig.disk.dead;
    rig.Restart();
    check(rig);
    if (!crashed) break;  // the retry had fewer writes than this
  }
}

// Every row is there, in order, once, whatever write of the move a crash stops.
TEST(RecordJournal, ACrashAtAnyStepOfTheMoveNeitherLosesNorDoublesARow) {
  CrashAtEachWriteOfTheRetry(
      [](JournalRig& rig) {
        rig.Event(1);
        rig.disk.blocked.insert(kEvents);
        for (int n = 2; n <= 4; ++n) rig.Event(n);
        rig.disk.blocked.clear();
      },
      [](JournalRig& rig) {
        EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 4));
        EXPECT_FALSE(rig.store->RowsWaiting());
        for (const char* leftover : {".pending", ".moving", ".commit"}) EXPECT_FALSE(rig.Has(kEvents + leftover));
      });
}

TEST(RecordJournal, ACrashWhileADailyCountIsMovedOrRewrittenCountsItOnce) {
  CrashAtEachWriteOfTheRetry(
      [](JournalRig& rig) {
        for (int i = 0; i < 9; ++i) rig.store->IncrementDailyCount(DailyColumn::AcFail);
        rig.disk.blocked.insert(kDaily);
        rig.store->IncrementDailyCount(DailyColumn::AcFail);  // "9" becomes "10": the row grows
        rig.disk.blocked.clear();
      },
      [](JournalRig& rig) {
        EXPECT_EQ(rig.Rows(RecordTable::Daily), std::vector<std::string>{"2026-12-08|0|10|0"});
      });
}

// A write that fails (and the program goes on) at each step: the next retry
// finishes the move, and nothing is doubled.
TEST(RecordJournal, AFailureAtAnyStepOfTheMoveIsFinishedByTheNextRetry) {
  for (int failAt = 1; failAt < 12; ++failAt) {
    SCOPED_TRACE("failure at write " + std::to_string(failAt));
    JournalRig rig;
    rig.Event(1);
    rig.disk.blocked.insert(kEvents);
    rig.Event(2);
    rig.Event(3);
    rig.disk.blocked.clear();
    rig.disk.writes = 0;
    rig.disk.failAt = failAt;
    rig.Event(4);  // tries the move, may fail part way
    rig.store->FlushPending();
    rig.Event(5);
    EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 5));
  }
}

TEST(RecordJournal, AFailureAtAnyStepOfADailyCountCountsItOnce) {
  for (int failAt = 1; failAt < 12; ++failAt) {
    SCOPED_TRACE("failure at write " + std::to_string(failAt));
    JournalRig rig;
    rig.store->IncrementDailyCount(DailyColumn::AcFail);
    rig.disk.writes = 0;
    rig.disk.failAt = failAt;
    rig.store->IncrementDailyCount(DailyColumn::AcFail);
    rig.store->FlushPending();
    rig.store->FlushPending();
    rig.store->IncrementDailyCount(DailyColumn::AcFail);
    EXPECT_EQ(rig.Rows(RecordTable::Daily), std::vector<std::string>{"2026-12-08|0|3|0"});
  }
}

TEST(RecordJournal, ATableThatStillCannotBeWrittenAtStartIsToldOnce) {
  JournalRig rig;
  rig.disk.files[kEvents] = "event\r\n";
  rig.disk.files[kEvents + ".pending"] = "2026-12-8  9:00:01  event 1\r\n";
  rig.disk.blocked.insert(kEvents);
  rig.disk.Restart();
  rig.store = rig.NewStore();
  EXPECT_TRUE(rig.store->Recover());
  EXPECT_FALSE(rig.Event(2).error);  // already told
  EXPECT_FALSE(rig.store->FlushPending());
  rig.disk.blocked.clear();
  rig.Event(3);
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 3));
}

TEST(RecordJournal, ATableWriteThatFailsPartWayLeavesNoHalfRowBehind) {
  JournalRig rig;
  rig.Event(1);
  const std::string longText = "  event 2, long enough that its first half looks like a whole row";
  rig.disk.writes = 0;
  rig.disk.tearAt = 1;  // the row is half written when the disk fills up
  EXPECT_FALSE(rig.store->AppendEvent(longText).written);
  rig.Event(3);
  const auto rows = rig.Rows(RecordTable::Events);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_NE(rows[1].find(longText), std::string::npos);
  EXPECT_NE(rows[2].find("  event 3"), std::string::npos);
}

TEST(RecordJournal, ATornJournalLineIsSetAsideNotMoved) {
  JournalRig rig;
  rig.disk.files[kEvents] = "event\r\n2026-12-8  9:00:01  event 1\r\n";
  rig.disk.files[kEvents + ".pending"] = "2026-12-8  9:00:02  event 2\r\n2026-12-8  9:0";
  rig.Restart();
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 2));
  EXPECT_EQ(rig.disk.files[kEvents + ".torn"], "2026-12-8  9:0\r\n");
}

TEST(RecordTornLine, AFragmentIsSetAsideOnceAndAWholeRowIsKept) {
  JournalRig rig;
  rig.disk.files[kEvents] = "event\r\n2026-12-8  9:00:01  event 1\r\n2007-3-5  9:0";
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 1));  // never shown as a row
  EXPECT_EQ(rig.disk.files[kEvents], "event\r\n2026-12-8  9:00:01  event 1\r\n");
  EXPECT_EQ(rig.disk.files[kEvents + ".torn"], "2007-3-5  9:0\r\n");
  rig.Event(2);
  rig.Restart();
  EXPECT_EQ(rig.disk.files[kEvents + ".torn"], "2007-3-5  9:0\r\n");  // not added twice
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 2));

  // Saved by an editor without a final line end: a whole row, kept.
  rig.disk.files[kEvents] += "2026-12-8  9:00:03  event 3";
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 3));
  rig.Event(4);
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 4));
}

// A table another program holds open: its torn last line is set aside once,
// however often the rows waiting for it are retried.
TEST(RecordTornLine, ATableThatStaysUnwritableSetsItsFragmentAsideOnce) {
  JournalRig rig;
  rig.disk.files[kEvents] = "event\r\n2026-12-8  9:00:01  event 1\r\n2007-3-5  9:0";
  rig.disk.readOnly.insert(kEvents);
  EXPECT_FALSE(rig.Event(2).written);
  for (int retry = 0; retry < 3; ++retry) rig.store->FlushPending();
  EXPECT_EQ(rig.disk.files[kEvents + ".torn"], "2007-3-5  9:0\r\n");
  rig.disk.readOnly.clear();
  rig.store->FlushPending();
  EXPECT_EQ(rig.disk.files[kEvents + ".torn"], "2007-3-5  9:0\r\n");
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 2));
}

// A torn last line longer than the table's end that is read first is still
// set aside whole.
TEST(RecordTornLine, ATornLineLongerThanOneReadIsSetAsideWhole) {
  JournalRig rig;
  const std::string fragment = "2026-12-8  9:0x" + std::string(2 * kTailBytes, 'y');
  rig.disk.files[kEvents] = "event\r\n2026-12-8  9:00:01  event 1\r\n" + fragment;
  rig.Event(2);
  EXPECT_EQ(rig.disk.files[kEvents], "event\r\n2026-12-8  9:00:01  event 1\r\n2026-12-8  9:00:02  event 2\r\n");
  EXPECT_EQ(rig.disk.files[kEvents + ".torn"], fragment + "\r\n");
}

TEST(RecordTornLine, HistoryRowsAreWholeWithAllNineFields) {
  JournalRig rig;
  const std::string header = "Date,Time,Input Voltage,Output Voltage,Load,Battery Level,Temperature,Frequency,Status\r\n";
  rig.disk.files[kHistory] = header + "2026-12-8,9:5:0,220,220,12,100,25.0,50.0";  // eight fields
  rig.store->Recover();
  EXPECT_EQ(rig.disk.files[kHistory], header);
  rig.disk.files[kHistory] = header + "2026-12-8,9:5:0,220,220,12,100,25.0,50.0,Normal";
  rig.store->Recover();
  EXPECT_EQ(rig.disk.files[kHistory], header + "2026-12-8,9:5:0,220,220,12,100,25.0,50.0,Normal\r\n");
}

TEST(RecordTornLine, ATornFirstLineIsReplacedByTheColumnNames) {
  JournalRig rig;
  rig.disk.files[kEvents] = "ev";
  rig.Event(1);
  EXPECT_EQ(rig.disk.files[kEvents], "event\r\n2026-12-8  9:00:01  event 1\r\n");
}

TEST(RecordJournal, DeleteAllDropsTheRowsWaitingForTheTable) {
  JournalRig rig;
  rig.disk.blocked.insert(kEvents);
  rig.Event(1);
  rig.disk.blocked.clear();
  EXPECT_FALSE(rig.store->DeleteAll(RecordTable::Events));
  EXPECT_FALSE(rig.Has(kEvents + ".pending"));
  EXPECT_TRUE(rig.EventTexts().empty());
  rig.disk.blocked.insert(kEvents);
  EXPECT_TRUE(rig.store->DeleteAll(RecordTable::Events));  // reported, nothing half done
  rig.disk.blocked = {kEvents + ".moving"};  // a journal being moved that cannot be removed
  EXPECT_TRUE(rig.store->DeleteAll(RecordTable::Events));
  size_t waiting = 0;
  rig.store->FlushPending(&waiting);  // its rows are looked for again
  EXPECT_EQ(waiting, 1u);
}

// What the user sees is complete: rows still waiting for a table that another
// program holds open follow the table's own, in order; deleting it then fails
// and leaves every row where it was.
TEST(RecordJournal, WaitingRowsAreReadAfterTheTablesOwnAndADeleteThatFailsKeepsThem) {
  JournalRig rig;
  rig.Event(1);
  rig.disk.readOnly.insert(kEvents);
  rig.Event(2);  // into the journal
  rig.disk.blocked.insert(kEvents + ".pending");
  rig.Event(3);  // held in memory: the journal is out of reach too
  rig.disk.blocked.clear();
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 3));
  EXPECT_TRUE(rig.store->DeleteAll(RecordTable::Events));
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 3));
  rig.disk.readOnly.clear();
  EXPECT_TRUE(rig.Event(4).written);
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 4));
  rig.disk.files.erase(kEvents);  // a table not created yet: its waiting rows still show
  rig.disk.readOnly.insert(kEvents);
  rig.Event(5);
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(5, 5));
}

// A last row without its line end, and a table held by another program:
// the waiting rows still show once each, with no empty line between.
TEST(RecordJournal, WaitingRowsAfterALastRowWithoutItsLineEndShowOnceEach) {
  JournalRig rig;
  rig.Event(1);
  std::string& table = rig.disk.files[kEvents];
  table.resize(table.size() - 2);  // "...event 1" without its line end
  rig.disk.readOnly.insert(kEvents);
  rig.Event(2);
  rig.store->FlushPending();  // the move starts and stops at the held table
  rig.Event(3);
  const auto rows = rig.Rows(RecordTable::Events);
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 3));
  for (const auto& row : rows) EXPECT_FALSE(row.empty());
  rig.disk.readOnly.clear();
  rig.store->FlushPending();
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 3));
}

// Counts waiting for a held daily table are added to their day as the user
// reads it: today's row with its new count, a new day as a new row.
TEST(RecordJournal, WaitingDailyCountsShowAddedToTheirDays) {
  JournalRig rig;
  ASSERT_TRUE(rig.store->IncrementDailyCount(DailyColumn::AcFail).written);
  rig.disk.readOnly.insert(kDaily);
  rig.store->IncrementDailyCount(DailyColumn::AcFail);
  rig.store->IncrementDailyCount(DailyColumn::BatteryLow);
  EXPECT_EQ(rig.Rows(RecordTable::Daily), std::vector<std::string>{"2026-12-08|1|2|0"});
  rig.clock.now.day = 9;
  rig.store->IncrementDailyCount(DailyColumn::ScheduleDown);
  EXPECT_EQ(rig.Rows(RecordTable::Daily), (std::vector<std::string>{"2026-12-08|1|2|0", "2026-12-09|0|0|1"}));
  rig.disk.readOnly.clear();
  rig.store->FlushPending();
  EXPECT_EQ(rig.Rows(RecordTable::Daily), (std::vector<std::string>{"2026-12-08|1|2|0", "2026-12-09|0|0|1"}));
}

// A journal moved while a spreadsheet holds the table waits as a commit;
// the spreadsheet then saves the table changed: longer (dates rewritten, a
// note added), or shorter (a row taken out, saved without a last line end).
// What it saved stays whole, and the rows that waited follow it, once each.
TEST(RecordJournal, RowsWaitingForATableSavedMeanwhileGoAfterWhatWasSaved) {
  const std::string longer =
      "event\r\n2026-12-08  09:00:01  event 1\r\n2026-12-08  09:00:02  event 2\r\nchecked,all fine\r\n";
  const std::string shorter = "event\r\n2026-12-8  9:00:02  event 2";
  for (const std::string& saved : {longer, shorter}) {
    SCOPED_TRACE(saved);
    JournalRig rig;
    rig.Event(1);
    rig.Event(2);
    rig.disk.readOnly.insert(kEvents);
    rig.Event(3);
    rig.Event(4);
    rig.store->FlushPending();
    ASSERT_TRUE(rig.Has(kEvents + ".commit"));
    rig.disk.files[kEvents] = saved;
    EXPECT_EQ(rig.EventTexts(), EventsNumbered(saved == longer ? 1 : 2, 4));  // shown once while held
    rig.disk.readOnly.clear();
    rig.store->FlushPending();
    const std::string& table = rig.disk.files[kEvents];
    EXPECT_EQ(table.substr(0, saved.size()), saved);
    EXPECT_EQ(table.substr(saved.size()), std::string(saved == shorter ? "\r\n" : "") +
                                              "2026-12-8  9:00:03  event 3\r\n2026-12-8  9:00:04  event 4\r\n");
    for (const char* leftover : {".pending", ".moving", ".commit", ".base"}) EXPECT_FALSE(rig.Has(kEvents + leftover));
  }
}

// A count recorded against the daily table's last row while a spreadsheet
// holds it; the spreadsheet saves it changed. The count goes to the last row
// there now: added to it when it is today's, else on a new row for today.
TEST(RecordJournal, ADailyCountWaitingForATableSavedMeanwhileCountsFromItsLastRowNow) {
  const std::string names = "Date,Battery Low,AC Fail,Schedule Down\r\n";
  const struct {
    std::string saved, after;
  } cases[] = {
      // sorted newest first: the same size, another last row
      {names + "2026-12-08,0,1,0\r\n2026-12-07,0,1,0\r\n",
       names + "2026-12-08,0,1,0\r\n2026-12-07,0,1,0\r\n2026-12-08,0,1,0\r\n"},
      // today's count corrected by hand
      {names + "2026-12-07,0,1,0\r\n2026-12-08,0,5,0\r\n", names + "2026-12-07,0,1,0\r\n2026-12-08,0,6,0\r\n"},
      // a note after the rows
      {names + "2026-12-07,0,1,0\r\n2026-12-08,0,1,0\r\nchecked,,,\r\n",
       names + "2026-12-07,0,1,0\r\n2026-12-08,0,1,0\r\nchecked,,,\r\n2026-12-08,0,1,0\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.saved);
    JournalRig rig;
    rig.clock.now.day = 7;
    rig.store->IncrementDailyCount(DailyColumn::AcFail);
    rig.clock.now.day = 8;
    rig.store->IncrementDailyCount(DailyColumn::AcFail);
    rig.disk.readOnly.insert(kDaily);
    EXPECT_FALSE(rig.store->IncrementDailyCount(DailyColumn::AcFail).written);
    ASSERT_TRUE(rig.Has(kDaily + ".commit"));
    rig.disk.files[kDaily] = c.saved;
    const auto shown = rig.Rows(RecordTable::Daily);
    rig.disk.readOnly.clear();
    rig.store->FlushPending();
    EXPECT_EQ(rig.disk.files[kDaily], c.after);
    EXPECT_EQ(rig.Rows(RecordTable::Daily), shown);  // what was shown while it waited
  }
}

// A write that does all its work and still fails (its flush failed), at
// each step in turn, with the write that follows failing too or not: every
// row reaches its table once.
TEST(RecordJournal, AWriteWhoseFlushFailsAtAnyStepLeavesEachRowOnce) {
  for (int at = 1;; ++at) {
    bool reached = false;
    for (const bool undoFails : {false, true}) {
      SCOPED_TRACE("flush fails at write " + std::to_string(at) + (undoFails ? ", the next write fails" : ""));
      JournalRig rig;
      rig.Event(1);
      rig.disk.readOnly.insert(kEvents);  // open in a spreadsheet
      rig.Event(2);
      rig.disk.writes = 0;
      rig.disk.unflushedAt = at;
      rig.disk.failAt = undoFails ? at + 1 : 0;
      rig.Event(3);
      rig.Event(4);
      rig.disk.readOnly.clear();
      rig.store->FlushPending();
      rig.Event(5);
      rig.store->FlushPending();
      reached = rig.disk.writes >= at;
      EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 5));
    }
    if (!reached) break;
  }
}

// The first row of a table not made yet, whose write's flush fails and whose
// cut fails as well: the row is in the table after the column names, and is
// not journalled too.
TEST(RecordJournal, AFirstRowWhoseFlushAndCutBothFailIsInTheTableOnce) {
  JournalRig rig;
  rig.disk.unflushedAt = 1;
  rig.disk.failAt = 2;
  rig.Event(1);
  rig.store->FlushPending();
  rig.Event(2);
  EXPECT_EQ(rig.EventTexts(), EventsNumbered(1, 2));
}

// A last event line without its line end that holds the start of a text the
// program writes was cut short: it is set aside, in either language. A whole
// text, or one the program does not write, is a row.
TEST(RecordTornLine, AnEventTextCutShortIsSetAside) {
  const struct {
    std::string text;
    bool torn;
  } cases[] = {
      {"  Pro", true},
      {"  Program End", false},
      {"  UPS SelfTest 10 Sec", true},
      {"  UPS SelfTest 5 Min", true},
      {"  UPS SelfTest 5 Minute", false},
      {"  UPS SelfTest ", true},
      {"   Port COM connect", true},
      {"  D\xe9marrage du programme", false},
      {"  Autotest de 5 Minute", false},
      {"  typed in by hand", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    JournalRig rig;
    const std::string first = "event\r\n2026-12-8  9:00:01  event 1\r\n";
    const std::string last = "2026-12-8  9:00:02" + c.text;
    rig.disk.files[kEvents] = first + last;
    rig.store->Recover();
    EXPECT_EQ(rig.disk.files[kEvents], c.torn ? first : first + last + "\r\n");
    EXPECT_EQ(rig.disk.files[kEvents + ".torn"], c.torn ? last + "\r\n" : "");
  }
}

// The discharge record is a table like the others: a torn last line is set
// aside, rows for a table that cannot be written wait in its journal and go
// in, in order, once it can.
TEST(RecordJournal, TheBatteryRecordSetsATornLineAsideAndWaitsForAnUnwritableTable) {
  const std::string kBattery = "BatteryRecord.csv";
  const std::string names = "Date,Time,Seconds,Load,Battery Voltage,Charge,End\r\n";
  JournalRig rig;
  rig.disk.files[kBattery] = names + "2026-12-8,9:5:0,1,40,12.4,95,\r\n2026-12-8,9:5:1";
  rig.Restart();
  EXPECT_EQ(rig.disk.files[kBattery], names + "2026-12-8,9:5:0,1,40,12.4,95,\r\n");
  EXPECT_EQ(rig.disk.files[kBattery + ".torn"], "2026-12-8,9:5:1\r\n");
  rig.disk.readOnly.insert(kBattery);
  const RecordResult held = rig.store->AppendBatteryRow({"2026-12-8", "9:5:9", "10", "40", "12.2", "93", ""});
  EXPECT_FALSE(held.written);
  EXPECT_TRUE(held.kept);
  EXPECT_TRUE(rig.store->AppendBatteryRow({"2026-12-8", "9:5:20", "21", "40", "11.0", "84", "Battery Low"}).kept);
  rig.disk.readOnly.clear();
  rig.Restart();
  EXPECT_EQ(rig.Rows(RecordTable::Battery),
            (std::vector<std::string>{"2026-12-8|9:5:0|1|40|12.4|95|", "2026-12-8|9:5:9|10|40|12.2|93|",
                                      "2026-12-8|9:5:20|21|40|11.0|84|Battery Low"}));
  EXPECT_FALSE(rig.Has(kBattery + ".pending"));
}

// A history table begun by an older version has nine columns: the rows now
// written with the runtime at their end read back through the nine, and a
// last row without its line end is whole with nine fields or ten.
TEST(RecordTornLine, AHistoryTableOfNineColumnsTakesRowsOfTenAndReadsAsBefore) {
  JournalRig rig;
  const std::string nine = "Date,Time,Input Voltage,Output Voltage,Load,Battery Level,Temperature,Frequency,Status\r\n";
  rig.disk.files[kHistory] = nine + "2026-12-8,9:5:0,220,220,12,100,25.0,50.0,Normal";
  rig.store->AppendHistoryRow({"2026-12-8", "9:5:5", "220", "220", "12", "100", "25.0", "50.0", " ", "14 min"});
  EXPECT_EQ(rig.disk.files[kHistory], nine + "2026-12-8,9:5:0,220,220,12,100,25.0,50.0,Normal\r\n" +
                                          "2026-12-8,9:5:5,220,220,12,100,25.0,50.0, ,14 min\r\n");
  std::vector<std::string> times;
  EXPECT_FALSE(rig.store->ReadAll(RecordTable::History, LastingColumns(RecordTable::History),
                                  [&times](const auto& r) { times.push_back(r[1] + "|" + r[8]); }));
  EXPECT_EQ(times, (std::vector<std::string>{"9:5:0|Normal", "9:5:5| "}));
  rig.disk.files[kHistory] += "2026-12-8,9:6:0,220,220,12,100,25.0,50.0\r\n";  // short of the names: not shown
  times.clear();
  EXPECT_FALSE(rig.store->ReadAll(RecordTable::History, LastingColumns(RecordTable::History),
                                  [&times](const auto& r) { times.push_back(r[1] + "|" + r[8]); }));
  EXPECT_EQ(times, (std::vector<std::string>{"9:5:0|Normal", "9:5:5| "}));
  rig.disk.files[kHistory] += "2026-12-8,9:5:9,220,220,12,100,25.0,50.0, ,13 min";
  rig.store->Recover();
  EXPECT_EQ(rig.disk.files[kHistory].substr(rig.disk.files[kHistory].size() - 9), ",13 min\r\n");
}

// A commit record an earlier version left without its base is written where
// it says; at the end of a table cut short since, after the column names when
// it was emptied. One not ours is kept aside for a person to look at.
TEST(RecordJournal, AnEarlierVersionsCommitGoesWhereItSaysOrAtTheEndOfATableCutShort) {
  const std::string names = "event\r\n";
  const std::string row1 = "2026-12-8  9:00:01  event 1\r\n";
  const std::string row2 = "2026-12-8  9:00:02  event 2\r\n";
  const struct {
    std::string table;
    uint64_t at;
    std::string payload, after;
  } cases[] = {
      {names + row1, names.size() + row1.size(), row2, names + row1 + row2},
      {names, names.size() + row1.size(), row2, names + row2},
      {"", names.size(), row2, names + row2},
      {"", 0, names + row2, names + row2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table + "@" + std::to_string(c.at));
    JournalRig rig;
    rig.disk.files[kEvents] = c.table;
    rig.disk.files[kEvents + ".commit"] = EncodeCommit(c.at, c.payload);
    rig.Restart();
    EXPECT_EQ(rig.disk.files[kEvents], c.after);
    EXPECT_FALSE(rig.Has(kEvents + ".commit"));
  }
  JournalRig rig;
  rig.disk.files[kEvents] = names + row1;
  rig.disk.files[kEvents + ".commit"] = "not ours\r\n";
  rig.Restart();
  EXPECT_EQ(rig.disk.files[kEvents], names + row1);
  EXPECT_FALSE(rig.Has(kEvents + ".commit"));
  EXPECT_EQ(rig.disk.files[kEvents + ".commit.bad"], "not ours\r\n");
}

// Another program saves the daily table each time a count is about to be
// written over it: the count is placed again once, then waits for the retry,
// told as a table that keeps changing.
TEST(RecordJournal, ADailyTableThatKeepsChangingWhileACountIsWrittenWaitsForTheRetry) {
  class SavingMeanwhile : public MemoryFileSystem {
   public:
    int saves = 0;
    FileError Replace(const std::string& path, const std::string& content) override {
      const FileError error = MemoryFileSystem::Replace(path, content);
      if (saves > 0 && path == kDaily + ".commit") {
        --saves;
        files[kDaily] += "checked,,,\r\n";
      }
      return error;
    }
  } disk;
  StepClock clock;
  RecordStore store("", clock, disk);
  store.IncrementDailyCount(DailyColumn::AcFail);
  disk.saves = 2;
  const RecordResult changing = store.IncrementDailyCount(DailyColumn::AcFail);
  EXPECT_FALSE(changing.written);
  EXPECT_TRUE(changing.kept);
  EXPECT_EQ(changing.error.kind, FileErrorKind::Changing);
  size_t waiting = 0;
  EXPECT_FALSE(store.FlushPending(&waiting));
  EXPECT_EQ(waiting, 0u);
  EXPECT_EQ(disk.files[kDaily], "Date,Battery Low,AC Fail,Schedule Down\r\n2026-12-08,0,1,0\r\nchecked,,,\r\n"
                                "checked,,,\r\n2026-12-08,0,1,0\r\n");
}
