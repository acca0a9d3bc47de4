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

#include "base/ini_document.h"
#include "base/number_text.h"
#include "base/text_encoding.h"
#include "config/config_file.h"
#include "i18n/catalogue.h"
#include "config/settings.h"
#include "net/network_settings.h"
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

// Without a file nothing reads as 0: no rate (the port never opened), 4 data
// bits, a mains-failure window that opens at once and shuts down at once.
// Every number is the shipped file's, and the event log says each is missing.
TEST(Settings, AbsentFileGivesTheShippedDefaultsAndSaysSo) {
  TempFolder dir;
  ConfigFile file(dir.path());
  std::vector<std::string> events;
  file.SetEventSink([&events](const std::string& text) { events.push_back(text); });
  const auto link = voltaris::ReadLinkSettings(file);
  EXPECT_EQ(link.comboPort, 0);
  EXPECT_EQ(link.comboRate, 2400);
  EXPECT_EQ(link.comboCheck, 0);
  EXPECT_EQ(link.comboData, 4);
  EXPECT_EQ(link.comboStop, 0);
  const auto recording = voltaris::ReadRecordingSettings(file);
  EXPECT_FALSE(recording.enabled);
  EXPECT_EQ(recording.intervalSeconds, 5);
  const auto t = voltaris::ReadWarningTimes(file);
  EXPECT_EQ(std::vector<int>({t.cutAcSeconds, t.scheduleWarningMinutes, t.repeatWarningSeconds, t.batteryMinutes,
                              t.batteryLowMinutes, t.upsOffDelaySeconds, t.timedTestMinutes}),
            std::vector<int>({5, 1, 10, 5, 1, 60, 1}));
  EXPECT_EQ(voltaris::ReadAlarmMessages(file).acFail, "");
  EXPECT_FALSE(voltaris::ReadWeeklyEntry(file, 3).shutActive);
  ASSERT_EQ(events.size(), 12u);  // not SpecialTimeTest, which only a timed test writes
  EXPECT_EQ(events[0], "  Setting Missing: ComboPort (Default Used)");
  EXPECT_EQ(events[11], "  Setting Missing: BefoShutDownTime (Default Used)");
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
  EXPECT_EQ(link.comboRate, 2400);  // only 2400, 4800 and 9600 are accepted; else the default
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

// ComboPort=9 is a port of the list now, not one beyond it: no event.
TEST(Settings, ComboPortNineIsTheNetworkUps) {
  TempFolder dir;
  dir.Write(ConfigFile::kFileName, "[Mscomm]\nComboPort=9\n");
  ConfigFile file(dir.path());
  std::vector<std::string> events;
  file.SetEventSink([&events](const std::string& text) { events.push_back(text); });
  EXPECT_EQ(voltaris::ReadLinkSettings(file).comboPort, voltaris::LinkSettings::kNetworkUps);
  EXPECT_EQ(events, (std::vector<std::string>{"  Setting Missing: ComboRate (Default Used)",
                                              "  Setting Missing: ComboCheck (Default Used)",
                                              "  Setting Missing: ComboData (Default Used)",
                                              "  Setting Missing: ComboStop (Default Used)"}));
}

// A file without the section follows no network UPS and says nothing.
TEST(Settings, NetworkUpsDefaultsWithoutTheSection) {
  TempFolder dir;
  ConfigFile file(dir.path());
  std::vector<std::string> events;
  file.SetEventSink([&events](const std::string& text) { events.push_back(text); });
  const auto s = voltaris::ReadNetworkUpsSettings(file);
  EXPECT_EQ(s.host, "");
  EXPECT_EQ(s.port, 3493);
  EXPECT_EQ(s.upsName, "ups");
  EXPECT_EQ(s.user, "");
  EXPECT_EQ(s.password, "");
  EXPECT_EQ(s.deadTimeSeconds, 15);
  EXPECT_TRUE(events.empty());
}

TEST(Settings, NetworkUpsReadsEveryKey) {
  TempFolder dir;
  dir.Write(ConfigFile::kFileName,
            "[NetworkUps]\nHost=nas.office.lan\nPort=3494\nUpsName=rack-1\nUser=monuser\n"
            "Password=Kw7 rq2\nDeadTime=30\n");
  ConfigFile file(dir.path());
  const auto s = voltaris::ReadNetworkUpsSettings(file);
  EXPECT_EQ(s.host, "nas.office.lan");
  EXPECT_EQ(s.port, 3494);
  EXPECT_EQ(s.upsName, "rack-1");
  EXPECT_EQ(s.user, "monuser");
  EXPECT_EQ(s.password, "Kw7 rq2");  // sent quoted: a blank is no harm
  EXPECT_EQ(s.deadTimeSeconds, 30);
}

// A host that no resolver would take, or a UPS name that is not one word,
// reads as none and is recorded once; IPv4 and IPv6 addresses are hosts.
TEST(Settings, NetworkUpsHostAndNameMustBeOfTheirKind) {
  const std::string longest(253, 'a');
  const struct {
    std::string host, read;
  } kHosts[] = {{"192.168.1.10", "192.168.1.10"}, {"fe80::1%3", "fe80::1%3"}, {"::1", "::1"},
                {longest, longest},           {longest + "a", ""},         {"my host", ""},
                {"[::1]", ""},                {"nas;rm", ""}};
  for (const auto& h : kHosts) {
    TempFolder dir;
    dir.Write(ConfigFile::kFileName, "[NetworkUps]\nHost=" + h.host + "\n");
    ConfigFile file(dir.path());
    std::vector<std::string> events;
    file.SetEventSink([&events](const std::string& text) { events.push_back(text); });
    EXPECT_EQ(voltaris::ReadNetworkUpsSettings(file).host, h.read) << h.host;
    voltaris::ReadNetworkUpsSettings(file);
    const auto told = h.read.empty() ? std::vector<std::string>{"  Setting Out Of Range: Host (Default Used)"}
                                     : std::vector<std::string>{};
    EXPECT_EQ(events, told) << h.host;
  }
  TempFolder dir;
  dir.Write(ConfigFile::kFileName, "[NetworkUps]\nUpsName=rack 1\n");
  ConfigFile file(dir.path());
  EXPECT_EQ(voltaris::ReadNetworkUpsSettings(file).upsName, "ups");
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
  EXPECT_DOUBLE_EQ(voltaris::LeadingDouble(".5"), 0.5);
  // A garbled reply field is never an infinite or undefined reading.
  EXPECT_DOUBLE_EQ(voltaris::LeadingDouble("1e308"), 1.0);
  const std::string tooLong(400, '9');
  for (const char* garbled : {"inf", "-INF", "nan", "NaN(1)", "infinity", ".", tooLong.c_str()}) {
    EXPECT_DOUBLE_EQ(voltaris::LeadingDouble(garbled), 0.0) << garbled;
  }
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

// ---- Number keys: every one has a range and a default -----------------------

namespace {

using voltaris::NumberKey;
namespace key = voltaris::key;

std::string WholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string ShippedDefaults() { return WholeFile(std::string(VOLTARIS_CONFIG_DIR) + "/UpsConfigure.default.ini"); }

// Each number key with the reader the program takes it through.
struct KeyReader {
  const NumberKey* key;
  int (*read)(const ConfigFile&);
};
const KeyReader kReaders[] = {
    {&key::kComboPort, [](const ConfigFile& f) { return voltaris::ReadLinkSettings(f).comboPort; }},
    {&key::kComboRate, [](const ConfigFile& f) { return voltaris::ReadLinkSettings(f).comboRate.value_or(-1); }},
    {&key::kComboCheck, [](const ConfigFile& f) { return voltaris::ReadLinkSettings(f).comboCheck; }},
    {&key::kComboData, [](const ConfigFile& f) { return voltaris::ReadLinkSettings(f).comboData; }},
    {&key::kComboStop, [](const ConfigFile& f) { return voltaris::ReadLinkSettings(f).comboStop; }},
    {&key::kHistoryTimerDelay, [](const ConfigFile& f) { return voltaris::ReadRecordingSettings(f).intervalSeconds; }},
    {&key::kCutAcTime, [](const ConfigFile& f) { return voltaris::ReadWarningTimes(f).cutAcSeconds; }},
    {&key::kShutTime, [](const ConfigFile& f) { return voltaris::ReadWarningTimes(f).scheduleWarningMinutes; }},
    {&key::kShutAlarmTime, [](const ConfigFile& f) { return voltaris::ReadWarningTimes(f).repeatWarningSeconds; }},
    {&key::kBatteryTime, [](const ConfigFile& f) { return voltaris::ReadWarningTimes(f).batteryMinutes; }},
    {&key::kBatteryEndTime, [](const ConfigFile& f) { return voltaris::ReadWarningTimes(f).batteryLowMinutes; }},
    {&key::kBefoShutDownTime, [](const ConfigFile& f) { return voltaris::ReadWarningTimes(f).upsOffDelaySeconds; }},
    {&key::kSpecialTimeTest, [](const ConfigFile& f) { return voltaris::ReadWarningTimes(f).timedTestMinutes; }},
    {&key::kNetworkPort, [](const ConfigFile& f) { return voltaris::ReadNetworkSettings(f).port; }},
    {&key::kHostSync, [](const ConfigFile& f) { return voltaris::ReadNetworkSettings(f).hostSyncSeconds; }},
    {&key::kNetworkUpsPort, [](const ConfigFile& f) { return voltaris::ReadNetworkUpsSettings(f).port; }},
    {&key::kDeadTime, [](const ConfigFile& f) { return voltaris::ReadNetworkUpsSettings(f).deadTimeSeconds; }},
};

// The shipped file with one key set to `value`, read twice as the program
// reads it: what it gives and what the event log receives.
struct OneKeyRead {
  int value;
  std::vector<std::string> events;
};
OneKeyRead ReadWith(const KeyReader& reader, const std::string& value) {
  TempFolder dir;
  dir.Write(ConfigFile::kFileName, ShippedDefaults());
  ConfigFile file(dir.path());
  EXPECT_FALSE(file.WriteString(reader.key->section, reader.key->name, value));
  OneKeyRead result{};
  file.SetEventSink([&result](const std::string& text) { result.events.push_back(text); });
  result.value = reader.read(file);
  EXPECT_EQ(reader.read(file.Snapshot()), result.value);  // read again: recorded once
  return result;
}

std::string DefaultUsed(const NumberKey& k) {
  return "  Setting Out Of Range: " + std::string(k.name) + " (Default Used)";
}

// What a value the key may not hold reads as: its default; the longest wait
// for a protective delay stored above its range; no port for a port beyond
// the list, which would otherwise poll COM1.
OneKeyRead Unusable(const NumberKey& k, const std::string& stored) {
  const bool above = !stored.empty() && std::isdigit(static_cast<unsigned char>(stored[0])) &&
                     voltaris::LeadingInteger(stored) > k.high;
  if (k.holdsAtTop && above) {
    return {k.high, {"  Setting Out Of Range: " + std::string(k.name) + " (Longest Used)"}};
  }
  if (&k == &key::kComboPort) return {-1, {"  Setting Out Of Range: ComboPort (No Port Used)"}};
  return {k.fallback, {DefaultUsed(k)}};
}

}  // namespace

// Each language's shipped file holds every key that must be there, each in
// its range, so that a fresh install records nothing.
TEST(NumberKeys, EveryOneIsInTheTableAndEveryShippedFileHoldsThemAllInRange) {
  size_t listed = 0;
  for (const NumberKey* k : voltaris::kNumberKeys) {
    bool found = false;
    for (const KeyReader& r : kReaders) found = found || r.key == k;
    EXPECT_TRUE(found) << k->name;
    ++listed;
  }
  EXPECT_EQ(listed + 4, std::size(kReaders));  // and the network server's two and the network UPS's two
  int shippedFiles = 0;
  for (const auto& entry : std::filesystem::directory_iterator(VOLTARIS_CONFIG_DIR)) {
    if (entry.path().filename().string().rfind("UpsConfigure.default", 0) != 0) continue;
    ++shippedFiles;
    TempFolder dir;
    dir.Write(ConfigFile::kFileName, WholeFile(entry.path().string()));
    ConfigFile file(dir.path());
    std::vector<std::string> events;
    file.SetEventSink([&events](const std::string& text) { events.push_back(text); });
    for (const KeyReader& r : kReaders) {
      EXPECT_TRUE(r.key->Accepts(r.key->fallback)) << r.key->name;
      if (!r.key->optional) {
        EXPECT_EQ(r.read(file), voltaris::LeadingInteger(file.ReadString(r.key->section, r.key->name)));
      }
    }
    EXPECT_TRUE(events.empty()) << entry.path() << ": " << events.front();
  }
  EXPECT_GE(shippedFiles, 1);
}

// A negative first warning never opened the mains-failure window, a zero
// schedule warning never shut down, a zero interval wrote a history row
// every 10 ms: no value the file holds may do that.
TEST(NumberKeys, AnUnusableValueReadsAsTheDefaultAndIsRecordedOnce) {
  for (const KeyReader& r : kReaders) {
    for (const std::string bad : {"-5", "0", "", "abc", "99999999999", " ", "-99999999999"}) {
      const OneKeyRead got = ReadWith(r, bad);
      if (bad == "0" && r.key->low == 0) {  // a port, a parity, no wait: 0 means something there
        EXPECT_EQ(got.value, 0) << r.key->name;
        EXPECT_TRUE(got.events.empty()) << r.key->name;
        continue;
      }
      const OneKeyRead want = Unusable(*r.key, bad);
      EXPECT_EQ(got.value, want.value) << r.key->name << "='" << bad << "'";
      EXPECT_EQ(got.events, want.events) << r.key->name << "='" << bad << "'";
    }
  }
}

TEST(NumberKeys, BothSidesOfEveryLimit) {
  for (const KeyReader& r : kReaders) {
    const NumberKey& k = *r.key;
    for (const int inside : {k.low, k.high}) {
      const OneKeyRead got = ReadWith(r, std::to_string(inside));
      EXPECT_EQ(got.value, inside) << k.name;
      EXPECT_TRUE(got.events.empty()) << k.name << "=" << inside;
    }
    for (const int outside : {k.low - 1, k.high + 1}) {
      const OneKeyRead got = ReadWith(r, std::to_string(outside));
      const OneKeyRead want = Unusable(k, std::to_string(outside));
      EXPECT_EQ(got.value, want.value) << k.name << "=" << outside;
      EXPECT_EQ(got.events, want.events) << k.name << "=" << outside;
    }
  }
  EXPECT_EQ(ReadWith(kReaders[1], "4800").value, 4800);  // ComboRate: only its three rates
  EXPECT_EQ(ReadWith(kReaders[1], "3000").value, 2400);
  EXPECT_EQ(ReadWith(kReaders[6], "7 seconds").value, 7);  // what follows a number never mattered
}

// Once per key and stored value in a run: the schedule reads every second.
TEST(NumberKeys, EachWrongValueIsRecordedOncePerRun) {
  TempFolder dir;
  dir.Write(ConfigFile::kFileName, ShippedDefaults());
  ConfigFile file(dir.path());
  std::vector<std::string> events;
  ASSERT_FALSE(file.WriteString("AlarmMessage", "ShutTimeMessage", "0"));
  ASSERT_FALSE(file.WriteString("AlarmMessage", "CutACTimeMessage", ""));
  for (int i = 0; i < 3; ++i) voltaris::ReadWarningTimes(file.Snapshot());
  file.SetEventSink([&events](const std::string& text) { events.push_back(text); });  // the waiting ones come now
  EXPECT_EQ(events, (std::vector<std::string>{DefaultUsed(key::kCutAcTime), DefaultUsed(key::kShutTime)}));
  ASSERT_FALSE(file.WriteString("AlarmMessage", "ShutTimeMessage", "-1"));
  voltaris::ReadWarningTimes(file);
  ASSERT_FALSE(file.WriteString("AlarmMessage", "ShutTimeMessage", "0"));
  voltaris::ReadWarningTimes(file);
  EXPECT_EQ(events.size(), 3u);  // "-1" is new; "0" was told
  ASSERT_FALSE(file.WriteString("AlarmMessage", "CutACTimeMessage", "12"));
  EXPECT_EQ(voltaris::ReadWarningTimes(file).cutAcSeconds, 12);
  EXPECT_EQ(events.size(), 3u);
}

// ---- Files an editor saved ---------------------------------------------------

namespace {

// UTF-16 little-endian bytes of a UTF-8 text (the test's texts have no
// character beyond U+FFFF but the one spelled out as its surrogates).
std::string Utf16Le(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    unsigned code = c;
    size_t n = 1;
    if (c >= 0xE0) {
      code = (c & 0x0F) << 12 | (utf8[i + 1] & 0x3F) << 6 | (utf8[i + 2] & 0x3F);
      n = 3;
    } else if (c >= 0xC0) {
      code = (c & 0x1F) << 6 | (utf8[i + 1] & 0x3F);
      n = 2;
    }
    out += static_cast<char>(code & 0xFF);
    out += static_cast<char>(code >> 8);
    i += n;
  }
  return out;
}

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

// ---- The encodings themselves ------------------------------------------------

TEST(TextEncoding, AFileWithoutAMarkIsUtf8OnlyWhenWellFormedAndNotAllAscii) {
  using voltaris::TextEncoding;
  const struct {
    const char* bytes;
    TextEncoding encoding;
  } files[] = {
      {"AcNormalMessage=Alimentation r\xc3\xa9tablie\r\n", TextEncoding::Utf8WithoutBom},
      {"AcInterruptlMessage=Coupure secteur\xc2\xa0!", TextEncoding::Utf8WithoutBom},
      {"; \xf0\x9f\x98\x8b", TextEncoding::Utf8WithoutBom},
      {"", TextEncoding::SingleByte},
      {"ComboPort=2\r\n", TextEncoding::SingleByte},
      {"AcNormalMessage=Alimentation r\xe9tablie\r\n", TextEncoding::SingleByte},
      {"AcInterruptlMessage=Coupure secteur\xa0!", TextEncoding::SingleByte},
      {"r\xc3\xa9tablie, syst\xe8me", TextEncoding::SingleByte},  // well formed up to one byte
      {"fin \xc3", TextEncoding::SingleByte},                      // cut short
      {"\xc0\xa9", TextEncoding::SingleByte},                      // a longer form than needed
      // Both sides of the surrogates, and of the last character there is.
      {"\xed\x9f\xbf", TextEncoding::Utf8WithoutBom},
      {"\xed\xa0\x80", TextEncoding::SingleByte},
      {"\xed\xbf\xbf", TextEncoding::SingleByte},
      {"\xee\x80\x80", TextEncoding::Utf8WithoutBom},
      {"\xf4\x8f\xbf\xbf", TextEncoding::Utf8WithoutBom},
      {"\xf4\x90\x80\x80", TextEncoding::SingleByte},
  };
  for (const auto& file : files) {
    const voltaris::DecodedText decoded = voltaris::DecodeFileText(file.bytes);
    EXPECT_EQ(decoded.encoding, file.encoding) << file.bytes;
    EXPECT_EQ(decoded.text, file.bytes);
    EXPECT_EQ(voltaris::EncodeFileText(decoded), file.bytes);
  }
}

// Every byte to the character Windows gives it, and back to the same byte:
// the five bytes Windows-1252 leaves undefined stand for the control
// characters of their number.
TEST(TextEncoding, EveryWindows1252ByteGoesToUnicodeAndBack) {
  // 0x80..0x9F in UTF-8; the five undefined ones are the two-byte C2 forms.
  const char* high[32] = {
      "\xe2\x82\xac", "\xc2\x81",     "\xe2\x80\x9a", "\xc6\x92",     "\xe2\x80\x9e", "\xe2\x80\xa6", "\xe2\x80\xa0",
      "\xe2\x80\xa1", "\xcb\x86",     "\xe2\x80\xb0", "\xc5\xa0",     "\xe2\x80\xb9", "\xc5\x92",     "\xc2\x8d",
      "\xc5\xbd",     "\xc2\x8f",     "\xc2\x90",     "\xe2\x80\x98", "\xe2\x80\x99", "\xe2\x80\x9c", "\xe2\x80\x9d",
      "\xe2\x80\xa2", "\xe2\x80\x93", "\xe2\x80\x94", "\xcb\x9c",     "\xe2\x84\xa2", "\xc5\xa1",     "\xe2\x80\xba",
      "\xc5\x93",     "\xc2\x9d",     "\xc5\xbe",     "\xc5\xb8"};
  const auto utf8 = [&high](unsigned byte) -> std::string {
    if (byte < 0x80) return std::string(1, static_cast<char>(byte));
    if (byte < 0xA0) return high[byte - 0x80];
    return {static_cast<char>(0xC0 | (byte >> 6)), static_cast<char>(0x80 | (byte & 0x3F))};  // U+00A0..U+00FF
  };
  std::string all, allUtf8;
  for (unsigned byte = 0; byte < 256; ++byte) {
    const std::string single(1, static_cast<char>(byte));
    const std::string unicode = utf8(byte);
    EXPECT_EQ(voltaris::Utf8FromWindows1252(single), unicode) << "byte " << byte;
    EXPECT_EQ(voltaris::Windows1252FromUtf8(unicode), single) << "byte " << byte;
    all += single;
    allUtf8 += unicode;
  }
  EXPECT_EQ(voltaris::Utf8FromWindows1252(all), allUtf8);
  EXPECT_EQ(voltaris::Windows1252FromUtf8(allUtf8), all);
  // The French no-break space before "!" and ":"; the narrow one and a Greek
  // letter Windows-1252 lacks.
  EXPECT_EQ(voltaris::Windows1252FromUtf8("Coupure secteur\xc2\xa0!"), "Coupure secteur\xa0!");
  EXPECT_EQ(voltaris::Windows1252FromUtf8("Batterie\xe2\x80\xaf: \xce\xa9"), "Batterie?: ?");
}

// A UTF-16 file of an odd number of bytes: its last byte, half a unit, is
// kept through a read and a write, at the end of the file.
TEST(TextEncoding, TheOddLastByteOfAUtf16FileIsKept) {
  const std::string before = "[AlarmMessage]\r\nAcNormalMessage=Alimentation r\xc3\xa9tablie\r\n";
  const std::string bytes = "\xFF\xFE" + Utf16Le(before) + "\x0a";
  const voltaris::DecodedText decoded = voltaris::DecodeFileText(bytes);
  EXPECT_EQ(decoded.text, before);
  EXPECT_EQ(decoded.oddTail, "\x0a");
  EXPECT_EQ(voltaris::EncodeFileText(decoded), bytes);

  TempFolder dir;
  dir.Write(ConfigFile::kFileName, bytes);
  ConfigFile file(dir.path());
  ASSERT_FALSE(file.WriteString("AlarmMessage", "ShutDownMessage", "Fermeture du syst\xe8me"));
  EXPECT_EQ(dir.Read(ConfigFile::kFileName),
            "\xFF\xFE" + Utf16Le(before + "ShutDownMessage=Fermeture du syst\xc3\xa8me\r\n") + "\x0a");
  EXPECT_EQ(voltaris::ReadAlarmMessages(file).acRestored, "Alimentation r\xe9tablie");
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

// The shutdown on the runtime estimate: off unless asked for; its margin in
// range or its default, from both sides of the range.
TEST(RuntimeSettings, OffByDefaultAndTheMarginInItsRange) {
  voltaris::testing::TestFolder folder{"voltaris-runtime"};
  ConfigFile config{folder.path()};
  auto with = [&](const std::string& keys) {
    std::ofstream(folder.path() + "/UpsConfigure.ini") << "[Runtime]\n" << keys;
    return voltaris::ReadRuntimeSettings(config);
  };
  EXPECT_FALSE(with("").shutdownOnRuntime);
  EXPECT_EQ(with("").marginMinutes, 3);
  EXPECT_TRUE(with("ShutdownOnRuntime=1\n").shutdownOnRuntime);
  EXPECT_EQ(with("RuntimeMarginMinutes=1\n").marginMinutes, 1);
  EXPECT_EQ(with("RuntimeMarginMinutes=0\n").marginMinutes, 3);
  EXPECT_EQ(with("RuntimeMarginMinutes=60\n").marginMinutes, 60);
  EXPECT_EQ(with("RuntimeMarginMinutes=61\n").marginMinutes, 3);
  EXPECT_EQ(with("RuntimeMarginMinutes=ten\n").marginMinutes, 3);
}
