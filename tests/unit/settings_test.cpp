// The program's settings as read from the file: defaults, ranges, what the
// event log is told.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/number_text.h"
#include "config/config_file.h"
#include "config/settings.h"
#include "net/network_settings.h"
#include "tests/unit/config_folder.h"

using voltaris::ConfigFile;
using voltaris::testing::ShippedDefaults;
using voltaris::testing::WholeFile;
using voltaris::testing::TempFolder;

namespace {

using voltaris::NumberKey;
namespace key = voltaris::key;


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
