// The record store on the Windows file system: files held by another program
// (share mode 0, as a spreadsheet holds them) or marked read-only.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_file.h"
#include "i18n/catalogue.h"
#include "records/record_store.h"

using namespace voltaris;

namespace {

class FixedClock : public LocalClock {
 public:
  LocalDateTime Now() const override { return {2026, 12, 8, 9, 5, 7, 2}; }
};

std::string NewFolder() {
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  const std::string dir = std::string(base) + "voltaris-records-" + std::to_string(GetTickCount());
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

std::vector<std::string> Events(RecordStore& store) {
  std::vector<std::string> rows;
  store.ReadAll(RecordTable::Events, {"event"}, [&rows](const auto& r) { rows.push_back(r[0]); });
  return rows;
}

}  // namespace

TEST(RecordStoreOnWindows, FileHeldByAnotherProgramJournalsThenWritesInOrder) {
  FixedClock clock;
  RecordStore store(NewFolder(), clock);
  store.Recover();
  ASSERT_TRUE(store.AppendEvent("  one").written);
  const std::string path = store.PathOf(RecordTable::Events);
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  const RecordResult blocked = store.AppendEvent("  two");
  EXPECT_FALSE(blocked.written);
  EXPECT_EQ(blocked.error.code, ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(store.AppendEvent("  three").error);  // reported once
  EXPECT_TRUE(blocked.kept);  // in the journal beside the table
  EXPECT_TRUE(store.RowsWaiting());
  EXPECT_EQ(store.HeldRows(), 0u);

  CloseHandle(held);
  EXPECT_TRUE(store.AppendEvent("  four").written);
  EXPECT_EQ(Events(store), (std::vector<std::string>{"2026-12-8  9:05:07  one", "2026-12-8  9:05:07  two",
                                                     "2026-12-8  9:05:07  three", "2026-12-8  9:05:07  four"}));
  EXPECT_FALSE(store.RowsWaiting());
  EXPECT_EQ(GetFileAttributesA(store.JournalPathOf(RecordTable::Events).c_str()), INVALID_FILE_ATTRIBUTES);
}

// What failed, in the build's language, before the path and Windows' reason.
TEST(RecordStoreOnWindows, AFileHeldByAnotherProgramIsToldInTheBuildsLanguage) {
  FixedClock clock;
  RecordStore store(NewFolder(), clock);
  ASSERT_TRUE(store.AppendEvent("  one").written);
  const std::string path = store.PathOf(RecordTable::Events);
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::string english = store.AppendEvent("  two").error.message;
  CloseHandle(held);
  ASSERT_TRUE(store.AppendEvent("  three").written);
  held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  SetLanguage(Language::French);
  const std::string french = store.AppendEvent("  four").error.message;
  SetLanguage(Language::English);
  CloseHandle(held);
  const std::string words = "cannot open " + path + ": ";
  ASSERT_EQ(english.compare(0, words.size(), words), 0) << english;
  EXPECT_EQ(french, "impossible d'ouvrir " + english.substr(std::string("cannot open ").size()));
}

TEST(RecordStoreOnWindows, ReadOnlyFileJournalsAndIsWrittenOnceWritable) {
  FixedClock clock;
  RecordStore store(NewFolder(), clock);
  store.Recover();
  store.AppendEvent("  one");
  const std::string path = store.PathOf(RecordTable::Events);
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  const RecordResult refused = store.AppendEvent("  two");
  if (refused.written) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    GTEST_SKIP() << "the read-only mark does not stop this user's writes (Wine run as root)";
  }
  EXPECT_TRUE(refused.kept);
  EXPECT_EQ(refused.error.code, ERROR_ACCESS_DENIED);
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
  size_t waiting = 9;
  EXPECT_FALSE(store.FlushPending(&waiting));
  EXPECT_EQ(waiting, 0u);
  EXPECT_EQ(Events(store), (std::vector<std::string>{"2026-12-8  9:05:07  one", "2026-12-8  9:05:07  two"}));
}

TEST(RecordStoreOnWindows, DeleteAllWhileAReaderHoldsTheFile) {
  FixedClock clock;
  RecordStore store(NewFolder(), clock);
  store.AppendEvent("  one");
  const std::string path = store.PathOf(RecordTable::Events);
  // A viewer in the middle of reading, sharing as our own readers do.
  HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  // Windows may refuse to replace a file that is open; then the delete is
  // reported and nothing is half done.
  const FileError error = store.DeleteAll(RecordTable::Events);
  CloseHandle(reader);
  if (error) {
    EXPECT_NE(error.code, 0);
    EXPECT_EQ(Events(store).size(), 1u);
    EXPECT_FALSE(store.DeleteAll(RecordTable::Events));
  }
  EXPECT_TRUE(Events(store).empty());
}

// As the program makes its store: in the working folder, given as "". A
// printer's "save as" dialog then changes the current folder; the rows stay.
TEST(RecordStoreOnWindows, RowsStayInTheWorkingFolderWhenADialogChangesTheCurrentOne) {
  FixedClock clock;
  const std::string records = NewFolder(), elsewhere = records + "-elsewhere";
  ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
  char started[MAX_PATH];
  ASSERT_NE(GetCurrentDirectoryA(sizeof started, started), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA(records.c_str()));
  RecordStore store("", clock);
  ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.c_str()));
  const bool written = store.AppendEvent("  one").written;
  SetCurrentDirectoryA(started);
  EXPECT_TRUE(written);
  EXPECT_NE(GetFileAttributesA((records + "\\EventRecord.csv").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((elsewhere + "\\EventRecord.csv").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ConfigFileOnWindows, WriteWhileTheFileIsHeldIsReportedNotLost) {
  const std::string dir = NewFolder();
  ConfigFile file(dir);
  ASSERT_FALSE(file.WriteString("Mscomm", "ComboPort", "1"));
  HANDLE held = CreateFileA(file.PathOf(ConfigFile::kFileName).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const FileError error = file.WriteString("Mscomm", "ComboPort", "2");
  EXPECT_TRUE(error);
  EXPECT_FALSE(error.message.empty());
  CloseHandle(held);
  EXPECT_EQ(file.ReadString("Mscomm", "ComboPort"), "1");
  ASSERT_FALSE(file.WriteString("Mscomm", "ComboPort", "2"));
  EXPECT_EQ(file.ReadString("mscomm", "COMBOPORT"), "2");
}
