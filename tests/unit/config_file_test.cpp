#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "config/config_file.h"
#include "i18n/catalogue.h"
#include "config/settings.h"
#include "net/network_settings.h"
#include "tests/unit/config_folder.h"

using voltaris::ConfigFile;
using voltaris::testing::ShippedDefaults;
using voltaris::testing::TempFolder;
using voltaris::testing::Utf16Le;

TEST(ConfigFile, AbsentFileSectionOrKeyReadsEmpty) {
  TempFolder dir;
  ConfigFile file(dir.path());
  EXPECT_EQ(file.ReadString("Mscomm", "ComboPort"), "");
  dir.Write(ConfigFile::kFileName, "[Mscomm]\r\nComboPort=2\r\n");
  EXPECT_EQ(file.ReadString("Mscomm", "ComboRate"), "");
  EXPECT_EQ(file.ReadString("DataRecord", "ComboPort"), "");
}

TEST(ConfigFile, ValuesAreCutAt254Characters) {
  TempFolder dir;
  ConfigFile file(dir.path());
  const std::string long300(300, 'x');
  ASSERT_FALSE(file.WriteString("AlarmMessage", "NormalMessage", long300));
  EXPECT_EQ(file.ReadString("AlarmMessage", "NormalMessage"), std::string(254, 'x'));
  EXPECT_NE(dir.Read(ConfigFile::kFileName).find(long300), std::string::npos);  // stored whole
}

TEST(ConfigFile, FirstWriteCreatesTheFileAndLaterWritesKeepIt) {
  TempFolder dir;
  ConfigFile file(dir.path() + "/");
  ASSERT_FALSE(file.WriteString("Mscomm", "ComboPort", "1"));
  ASSERT_FALSE(file.WriteString("Mscomm", "ComboRate", "4800"));
  ASSERT_FALSE(file.WriteString("Mscomm", "ComboPort", "2"));
  EXPECT_EQ(dir.Read(ConfigFile::kFileName), "[Mscomm]\r\nComboPort=2\r\nComboRate=4800\r\n");
}

// A window on the service writes nothing itself: every key of the settings
// file, from any copy, goes to the writer, whose answer is the write's; the
// keys saved together go in one call, so that a save is one conversation.
TEST(ConfigFile, WrittenThroughTheServiceTheFileIsLeftAsItIs) {
  TempFolder dir;
  ConfigFile file(dir.path());
  ASSERT_FALSE(file.WriteString("Mscomm", "ComboPort", "0"));
  std::vector<std::string> asked;
  file.WriteThrough([&asked](const std::string& section, const ConfigFile::KeyValues& keys) {
    std::string call = section;
    for (const auto& [key, value] : keys) call += " " + key + "=" + value;
    asked.push_back(call);
    return keys.front().first == "ComboRate" ? voltaris::FileError{5, "refused"} : voltaris::FileError{};
  });
  const ConfigFile copy = file;
  EXPECT_FALSE(copy.WriteString("Mscomm", "ComboPort", "1"));
  const voltaris::FileError refused = file.WriteInOrder("Mscomm", {{"ComboRate", "4800"}, {"ComboPort", "2"}});
  EXPECT_EQ(refused.code, 5);
  EXPECT_EQ(asked, (std::vector<std::string>{"Mscomm ComboPort=1", "Mscomm ComboRate=4800 ComboPort=2"}));
  EXPECT_EQ(dir.Read(ConfigFile::kFileName), "[Mscomm]\r\nComboPort=0\r\n");
}

// Reported, and in the program's language: the settings box shows it.
TEST(ConfigFile, WriteFailureIsReported) {
  TempFolder dir;
  ConfigFile file(dir.path() + "/no-such-folder");
  const auto error = file.WriteString("Mscomm", "ComboPort", "1");
  EXPECT_TRUE(error);
  EXPECT_NE(error.message.find("no-such-folder"), std::string::npos) << error.message;
  EXPECT_EQ(error.message.rfind("cannot ", 0), 0u) << error.message;
  voltaris::SetLanguage(voltaris::Language::French);
  const auto french = file.WriteString("Mscomm", "ComboPort", "1");
  const auto unstorable = file.WriteString("Mscomm", "Combo=Port", "1");
  voltaris::SetLanguage(voltaris::Language::English);
  EXPECT_EQ(french.message.rfind("impossible d", 0), 0u) << french.message;
  EXPECT_NE(french.message.find("no-such-folder"), std::string::npos) << french.message;
  EXPECT_EQ(unstorable.message.rfind("impossible d'enregistrer Mscomm/Combo=Port : ", 0), 0u) << unstorable.message;
}

// A settings file the user made read-only stays as it is, and the write says so.
TEST(ConfigFile, AReadOnlyFileIsNotReplaced) {
  TempFolder dir;
  ConfigFile file(dir.path());
  ASSERT_FALSE(file.WriteString("Mscomm", "ComboPort", "0"));
  const std::string path = file.PathOf(ConfigFile::kFileName);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  EXPECT_TRUE(file.WriteString("Mscomm", "ComboPort", "1"));
  EXPECT_EQ(file.ReadString("Mscomm", "ComboPort"), "0");
  chmod(path.c_str(), 0644);
  EXPECT_FALSE(file.WriteString("Mscomm", "ComboPort", "1"));
}

TEST(ConfigFile, ReadersNeverSeeAMissingKeyWhileWritesGoOn) {
  TempFolder dir;
  ConfigFile file(dir.path());
  ASSERT_FALSE(file.WriteString("Mscomm", "ComboPort", "0"));
  ASSERT_FALSE(file.WriteString("DataRecord", "HistoryTimerDelay", "5"));
  std::atomic<bool> done{false};
  std::atomic<int> missing{0}, reads{0};
  std::thread reader([&] {
    while (!done) {
      if (file.ReadString("DataRecord", "HistoryTimerDelay") != "5") ++missing;
      ++reads;
    }
  });
  for (int i = 0; i < 300; ++i) {
    ASSERT_FALSE(file.WriteString("Mscomm", "ComboPort", std::to_string(i % 9)));
    ASSERT_FALSE(file.WriteString("AlarmMessage", "Key" + std::to_string(i % 20), "value"));
  }
  done = true;
  reader.join();
  EXPECT_EQ(missing, 0);
  EXPECT_GT(reads, 0);
}

TEST(ConfigFileSnapshot, ReadsTheFileAsItWasOnce) {
  voltaris::testing::TestFolder folder("voltaris-config");
  voltaris::ConfigFile file(folder.path());
  ASSERT_FALSE(file.WriteString("AlarmMessage", "ShutTimeMessage", "3"));
  const voltaris::ConfigFile snapshot = file.Snapshot();
  ASSERT_FALSE(file.WriteString("AlarmMessage", "ShutTimeMessage", "4"));
  EXPECT_EQ(snapshot.ReadString("AlarmMessage", "ShutTimeMessage"), "3");
  EXPECT_EQ(file.ReadString("AlarmMessage", "ShutTimeMessage"), "4");
  EXPECT_EQ(file.Snapshot().ReadString("AlarmMessage", "ShutTimeMessage"), "4");
}

// A file not written since the last read is not read again. Another program
// may rewrite it within the file system's clock step (same size, same date):
// only a date a few seconds old may stand for the bytes. The rewrite here
// keeps the size and puts the date back, as such a write would leave it.
TEST(ConfigFile, AFileIsReadAgainUnlessItsDateIsSettledAndUnchanged) {
  struct Case {
    int ageSeconds;
    const char* expected;
  } cases[] = {{1, "4"}, {5, "3"}, {-30, "4"}};  // -30: dated ahead of the clock
  for (const Case& c : cases) {
    TempFolder folder;
    voltaris::ConfigFile file(folder.path());
    folder.Write("UpsConfigure.ini", "[AlarmMessage]\r\nShutTimeMessage=3\r\n");
    const std::string path = folder.path() + "/UpsConfigure.ini";
    const struct timeval dated[2] = {{time(nullptr) - c.ageSeconds, 0}, {time(nullptr) - c.ageSeconds, 0}};
    ASSERT_EQ(utimes(path.c_str(), dated), 0);
    ASSERT_EQ(file.Snapshot().ReadString("AlarmMessage", "ShutTimeMessage"), "3");
    folder.Write("UpsConfigure.ini", "[AlarmMessage]\r\nShutTimeMessage=4\r\n");
    ASSERT_EQ(utimes(path.c_str(), dated), 0);
    EXPECT_EQ(file.Snapshot().ReadString("AlarmMessage", "ShutTimeMessage"), c.expected) << c.ageSeconds << " s old";
    // A write of the program's own is always seen.
    ASSERT_FALSE(file.WriteString("AlarmMessage", "ShutTimeMessage", "7"));
    ASSERT_EQ(utimes(path.c_str(), dated), 0);
    EXPECT_EQ(file.Snapshot().ReadString("AlarmMessage", "ShutTimeMessage"), "7") << c.ageSeconds << " s old";
  }
}

// ---- Files an editor saved ---------------------------------------------------

namespace {

// A settings file as Notepad keeps one: a comment in a script Windows-1252
// does not have, the first section right after the mark, a French text.
const std::string kEditedBefore =
    "[Mscomm]\r\nComboPort=2\r\nComboRate=4800\r\nComboCheck=0\r\nComboData=4\r\nComboStop=0\r\n"
    "; \xce\xa9 onduleur du bureau\r\n"
    "[AlarmMessage]\r\nCutACTimeMessage=7\r\nAcInterruptlMessage=Coupure secteur\xc2\xa0!\r\n"
    "AcNormalMessage=Alimentation r\xc3\xa9tablie\r\n";
const std::string kEditedAfter =
    "[Mscomm]\r\nComboPort=3\r\nComboRate=4800\r\nComboCheck=0\r\nComboData=4\r\nComboStop=0\r\n"
    "; \xce\xa9 onduleur du bureau\r\n"
    "[AlarmMessage]\r\nCutACTimeMessage=7\r\nAcInterruptlMessage=Coupure secteur\xc2\xa0!\r\n"
    "AcNormalMessage=Alimentation r\xc3\xa9tablie\r\nShutDownMessage=Fermeture du syst\xc3\xa8me\r\n";

// Reads the file's values, changes one and adds a French one.
void ReadAndWriteBack(ConfigFile& file) {
  const auto link = voltaris::ReadLinkSettings(file);
  EXPECT_EQ(link.comboPort, 2);  // the first section is not hidden behind the mark
  EXPECT_EQ(link.comboRate, 4800);
  EXPECT_EQ(voltaris::ReadWarningTimes(file).cutAcSeconds, 7);
  EXPECT_EQ(voltaris::ReadAlarmMessages(file).acRestored, "Alimentation r\xe9tablie");  // the program's Windows-1252
  EXPECT_EQ(voltaris::ReadAlarmMessages(file).acFail, "Coupure secteur\xa0!");            // the no-break space kept
  ASSERT_FALSE(file.WriteString("Mscomm", "ComboPort", "3"));
  ASSERT_FALSE(file.WriteString("AlarmMessage", "ShutDownMessage", "Fermeture du syst\xe8me"));
  EXPECT_EQ(voltaris::ReadLinkSettings(file).comboPort, 3);
  EXPECT_EQ(voltaris::ReadAlarmMessages(file).shutdown, "Fermeture du syst\xe8me");
}

}  // namespace

TEST(EditedFiles, Utf8WithAMarkIsReadAndWrittenBackAsUtf8WithItsMark) {
  TempFolder dir;
  dir.Write(ConfigFile::kFileName, "\xEF\xBB\xBF" + kEditedBefore);
  ConfigFile file(dir.path());
  ReadAndWriteBack(file);
  EXPECT_EQ(dir.Read(ConfigFile::kFileName), "\xEF\xBB\xBF" + kEditedAfter);
}

TEST(EditedFiles, Utf16WithAMarkIsReadAndWrittenBackAsUtf16WithItsMark) {
  TempFolder dir;
  const std::string beyondTheBmp = "\x3d\xd8\x0b\xde";  // U+1F60B as its two UTF-16 units
  dir.Write(ConfigFile::kFileName, "\xFF\xFE" + Utf16Le(kEditedBefore) + Utf16Le(";") + beyondTheBmp);
  ConfigFile file(dir.path());
  ReadAndWriteBack(file);
  // The last line had no line end: the write gives it one, as to any file.
  EXPECT_EQ(dir.Read(ConfigFile::kFileName),
            "\xFF\xFE" + Utf16Le(kEditedAfter.substr(0, kEditedAfter.rfind("ShutDownMessage"))) + Utf16Le(";") +
                beyondTheBmp + Utf16Le("\r\nShutDownMessage=Fermeture du syst\xc3\xa8me\r\n"));
}

// What an earlier version made of a file with a mark: blind to the first
// section, it added a second one of that name, which is the one it used,
// and wrote its accented texts in Windows-1252.
TEST(EditedFiles, AMarkedFileAnEarlierVersionWroteToKeepsWhatThatVersionUsed) {
  TempFolder dir;
  const std::string before =
      "\xEF\xBB\xBF[Mscomm]\r\nComboPort=0\r\n[AlarmMessage]\r\nAcNormalMessage=Alimentation r\xe9tablie\r\n"
      "[Mscomm]\r\nComboPort=8\r\n";
  dir.Write(ConfigFile::kFileName, before);
  ConfigFile file(dir.path());
  EXPECT_EQ(voltaris::ReadLinkSettings(file).comboPort, 8);
  EXPECT_EQ(voltaris::ReadAlarmMessages(file).acRestored, "Alimentation r\xe9tablie");
  ASSERT_FALSE(file.WriteString("Mscomm", "ComboPort", "2"));
  EXPECT_EQ(dir.Read(ConfigFile::kFileName), before.substr(0, before.size() - 3) + "2\r\n");
}

TEST(EditedFiles, AFileWithoutAMarkStaysSingleByte) {
  TempFolder dir;
  dir.Write(ConfigFile::kFileName, "[AlarmMessage]\r\nAcNormalMessage=Alimentation r\xe9tablie\r\n");
  ConfigFile file(dir.path());
  EXPECT_EQ(voltaris::ReadAlarmMessages(file).acRestored, "Alimentation r\xe9tablie");
  ASSERT_FALSE(file.WriteString("AlarmMessage", "ShutDownMessage", "Fermeture du syst\xe8me"));
  EXPECT_EQ(dir.Read(ConfigFile::kFileName),
            "[AlarmMessage]\r\nAcNormalMessage=Alimentation r\xe9tablie\r\n"
            "ShutDownMessage=Fermeture du syst\xe8me\r\n");
}

TEST(EditedFiles, Utf8WithoutAMarkIsReadAndWrittenBackAsUtf8WithoutAMark) {
  TempFolder dir;
  dir.Write(ConfigFile::kFileName, kEditedBefore);
  ConfigFile file(dir.path());
  ReadAndWriteBack(file);
  EXPECT_EQ(dir.Read(ConfigFile::kFileName), kEditedAfter);
}

// A file of plain ASCII gets the program's single bytes, as earlier versions
// wrote them; one whose single bytes would then read as UTF-8 is written as
// UTF-8, so that it reads back what was written.
TEST(EditedFiles, AnAsciiFileTakesSingleBytesUnlessTheyWouldReadAsUtf8) {
  TempFolder dir;
  dir.Write(ConfigFile::kFileName, "[AlarmMessage]\r\nCutACTimeMessage=7\r\n");
  ConfigFile file(dir.path());
  ASSERT_FALSE(file.WriteString("AlarmMessage", "AcInterruptlMessage", "Coupure secteur\xa0!"));
  EXPECT_EQ(dir.Read(ConfigFile::kFileName),
            "[AlarmMessage]\r\nCutACTimeMessage=7\r\nAcInterruptlMessage=Coupure secteur\xa0!\r\n");
  EXPECT_EQ(voltaris::ReadAlarmMessages(file).acFail, "Coupure secteur\xa0!");

  dir.Write(ConfigFile::kFileName, "[AlarmMessage]\r\nCutACTimeMessage=7\r\n");
  ASSERT_FALSE(file.WriteString("AlarmMessage", "AcInterruptlMessage", "\xc3\xa9" "cran"));
  EXPECT_EQ(dir.Read(ConfigFile::kFileName),
            "[AlarmMessage]\r\nCutACTimeMessage=7\r\nAcInterruptlMessage=\xc3\x83\xc2\xa9" "cran\r\n");
  EXPECT_EQ(voltaris::ReadAlarmMessages(file).acFail, "\xc3\xa9" "cran");
}

// Another program holding the file (or Windows replacing it) for a moment:
// the settings read as they last did, not as an empty file's.
TEST(ConfigFile, AFileThatCannotBeReadForAMomentKeepsItsLastValues) {
  TempFolder dir;
  dir.Write(ConfigFile::kFileName, ShippedDefaults());
  ConfigFile file(dir.path());
  ASSERT_FALSE(file.WriteString("AlarmMessage", "CutACTimeMessage", "7"));
  ASSERT_FALSE(file.WriteString("AlarmMessage", "BatteryTime", "9"));
  std::vector<std::string> events;
  file.SetEventSink([&events](const std::string& text) { events.push_back(text); });
  EXPECT_EQ(voltaris::ReadWarningTimes(file).cutAcSeconds, 7);
  const std::string path = file.PathOf(ConfigFile::kFileName);
  ASSERT_EQ(std::rename(path.c_str(), (path + ".away").c_str()), 0);
  ASSERT_EQ(mkdir(path.c_str(), 0755), 0);  // there, but no file can be read from it
  EXPECT_EQ(voltaris::ReadWarningTimes(file).cutAcSeconds, 7);
  EXPECT_EQ(voltaris::ReadWarningTimes(file.Snapshot()).batteryMinutes, 9);
  EXPECT_EQ(file.ReadString("AlarmMessage", "CutACTimeMessage"), "7");
  EXPECT_EQ(voltaris::ReadLinkSettings(file).comboRate, 2400);
  EXPECT_TRUE(file.WriteString("AlarmMessage", "CutACTimeMessage", "8"));  // and nothing is written over it
  EXPECT_TRUE(events.empty()) << events.front();
  ASSERT_EQ(rmdir(path.c_str()), 0);
  ASSERT_EQ(std::rename((path + ".away").c_str(), path.c_str()), 0);
  ASSERT_FALSE(file.WriteString("AlarmMessage", "CutACTimeMessage", "9"));
  EXPECT_EQ(voltaris::ReadWarningTimes(file).cutAcSeconds, 9);
}
