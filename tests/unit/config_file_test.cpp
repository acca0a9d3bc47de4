#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/ini_document.h"
#include "base/number_text.h"
#include "config/config_file.h"
#include "config/settings.h"
#include "tests/unit/test_folder.h"

using voltaris::ConfigFile;
using voltaris::IniDocument;

namespace {

class TempFolder : public voltaris::testing::TestFolder {
 public:
  TempFolder() : TestFolder("voltaris-config") {}
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(path() + "/" + name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path() + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

const char kHandWritten[] =
    "; written by hand\r\n"
    "[other]\r\n"
    "ComboPort = 5\r\n"
    "\r\n"
    "  [ MSCOMM ]  \r\n"
    "  comboport   =   3  \r\n"
    "ComboPort=7\r\n"
    "# comboRate=4800\r\n"
    "COMBORATE=9600\r\n"
    "\r\n"
    "[DataRecord]\r\n"
    "HistoryZiLiao=1\r\n";

}  // namespace

TEST(IniDocument, MatchesLikeTheWindowsReader) {
  const auto doc = IniDocument::Parse(kHandWritten);
  EXPECT_EQ(doc.Get("Mscomm", "ComboPort"), "3");       // case, blanks; first of two wins
  EXPECT_EQ(doc.Get("mscomm", "comborate"), "9600");    // the commented line does not count
  EXPECT_EQ(doc.Get("other", "ComboPort"), "5");
  EXPECT_EQ(doc.Get("Mscomm", "ComboData"), std::nullopt);
  EXPECT_EQ(doc.Get("Missing", "ComboPort"), std::nullopt);
}

TEST(IniDocument, WriteChangesOneKeyAndKeepsEverythingElse) {
  auto doc = IniDocument::Parse(kHandWritten);
  ASSERT_TRUE(doc.Set("MSCOMM", "comboPORT", "8"));
  ASSERT_TRUE(doc.Set("Mscomm", "ComboStop", "2"));
  ASSERT_TRUE(doc.Set("Schema", "SchemaEveryShutFlag1", "1"));
  EXPECT_EQ(doc.Serialize(),
            "; written by hand\r\n"
            "[other]\r\n"
            "ComboPort = 5\r\n"
            "\r\n"
            "  [ MSCOMM ]  \r\n"
            "comboport=8\r\n"
            "ComboPort=7\r\n"
            "# comboRate=4800\r\n"
            "COMBORATE=9600\r\n"
            "ComboStop=2\r\n"
            "\r\n"
            "[DataRecord]\r\n"
            "HistoryZiLiao=1\r\n"
            "[Schema]\r\n"
            "SchemaEveryShutFlag1=1\r\n");
}

TEST(IniDocument, KeepsLfFilesLfAndRefusesWhatWouldBreakTheFormat) {
  auto doc = IniDocument::Parse("[A]\nx=1\n");
  EXPECT_FALSE(doc.Set("A", "x", "1\r\n[Mscomm]\r\nComboPort=8"));
  EXPECT_FALSE(doc.Set("A", "y=z", "1"));
  EXPECT_FALSE(doc.Set("A]", "y", "1"));
  EXPECT_FALSE(doc.Set("A", "", "1"));
  ASSERT_TRUE(doc.Set("A", "y", " spaced value "));
  EXPECT_EQ(doc.Serialize(), "[A]\nx=1\ny= spaced value \n");
}

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

TEST(ConfigFile, WriteFailureIsReported) {
  TempFolder dir;
  ConfigFile file(dir.path() + "/no-such-folder");
  const auto error = file.WriteString("Mscomm", "ComboPort", "1");
  EXPECT_TRUE(error);
  EXPECT_NE(error.message.find("no-such-folder"), std::string::npos) << error.message;
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

TEST(Settings, AbsentFileGivesComOneNoRateFourDataBitsAndZeroTimes) {
  TempFolder dir;
  ConfigFile file(dir.path());
  const auto link = voltaris::ReadLinkSettings(file);
  EXPECT_EQ(link.comboPort, 0);
  EXPECT_FALSE(link.comboRate);
  EXPECT_EQ(link.comboCheck, 0);
  EXPECT_EQ(link.comboData, 0);
  EXPECT_EQ(link.comboStop, 0);
  EXPECT_FALSE(voltaris::ReadRecordingSettings(file).enabled);
  const auto times = voltaris::ReadWarningTimes(file);
  EXPECT_EQ(times.cutAcSeconds + times.batteryMinutes + times.batteryLowMinutes + times.upsOffDelaySeconds, 0);
  EXPECT_EQ(voltaris::ReadAlarmMessages(file).acFail, "");
  EXPECT_FALSE(voltaris::ReadWeeklyEntry(file, 3).shutActive);
}

TEST(Settings, ReadEveryKeyOfTheFourSections) {
  TempFolder dir;
  dir.Write(ConfigFile::kFileName,
            "[Mscomm]\nComboPort=8\nComboRate=19200\nComboCheck=2\nComboData=4\nComboStop=1\n"
            "[DataRecord]\nHistoryZiLiao=yes\nHistoryTimerDelay=12s\n"
            "[AlarmMessage]\nCutACTimeMessage=5\nShutTimeMessage=2\nShutAlarmTimeMessage=10\n"
            "BatteryTime=7\nBatteryEndTime=1\nBefoShutDownTime=600\nSpecialTimeTest=5\n"
            "AcInterruptlMessage=Attention!! AC  Failed\n"
            "[Schema]\nSchemaEveryShutFlag2=1\nSchemaEveryShutTime2=23:30\nSchemaEveryRebootTime2=None\n"
            "SchemaSpecialShutFlag7=1\nSchemaSpecialShutYear7=2026-12-24\n");
  ConfigFile file(dir.path());
  const auto link = voltaris::ReadLinkSettings(file);
  EXPECT_EQ(link.comboPort, 8);
  EXPECT_FALSE(link.comboRate);  // only 2400, 4800 and 9600 are accepted
  EXPECT_EQ(link.comboCheck, 2);
  EXPECT_EQ(link.comboData, 4);
  EXPECT_EQ(link.comboStop, 1);
  const auto rec = voltaris::ReadRecordingSettings(file);
  EXPECT_FALSE(rec.enabled);  // a word is not 1
  EXPECT_EQ(rec.intervalSeconds, 12);
  const auto t = voltaris::ReadWarningTimes(file);
  EXPECT_EQ(t.cutAcSeconds, 5);
  EXPECT_EQ(t.scheduleWarningMinutes, 2);
  EXPECT_EQ(t.repeatWarningSeconds, 10);
  EXPECT_EQ(t.batteryMinutes, 7);
  EXPECT_EQ(t.batteryLowMinutes, 1);
  EXPECT_EQ(t.upsOffDelaySeconds, 600);
  EXPECT_EQ(t.timedTestMinutes, 5);
  EXPECT_EQ(voltaris::ReadAlarmMessages(file).acFail, "Attention!! AC  Failed");
  const auto day = voltaris::ReadWeeklyEntry(file, 2);
  EXPECT_TRUE(day.shutActive);
  EXPECT_EQ(day.shutTime, "23:30");
  EXPECT_EQ(day.rebootTime, "None");
  const auto special = voltaris::ReadSpecialEntry(file, 7);
  EXPECT_TRUE(special.shutActive);
  EXPECT_EQ(special.shutDate, "2026-12-24");
}

TEST(NumberText, LeadingIntegerAndDoubleIgnoreWhatFollows) {
  EXPECT_EQ(voltaris::LeadingInteger("220.0"), 220);
  EXPECT_EQ(voltaris::LeadingInteger("012 5"), 12);
  EXPECT_EQ(voltaris::LeadingInteger(""), 0);
  EXPECT_EQ(voltaris::LeadingInteger("-7x"), -7);
  EXPECT_EQ(voltaris::LeadingInteger("abc"), 0);
  EXPECT_EQ(voltaris::LeadingInteger("99999999999"), 2147483647);
  EXPECT_DOUBLE_EQ(voltaris::LeadingDouble("13.5"), 13.5);  // whatever the locale
  EXPECT_DOUBLE_EQ(voltaris::LeadingDouble("24.00 "), 24.0);
  EXPECT_DOUBLE_EQ(voltaris::LeadingDouble("-1.5V"), -1.5);
  EXPECT_DOUBLE_EQ(voltaris::LeadingDouble(" x"), 0.0);
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
