// The settings dialogs as data: what they show of the file, and what OK
// writes, in which order.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "config/settings_forms.h"
#include "i18n/catalogue.h"
#include "res/skin_layout.h"
#include "tests/unit/test_folder.h"

using namespace voltaris;

namespace {

// The keys of a file in the order they stand (new keys go to the end of
// their section, so a fresh file shows the order of the writes).
std::string KeyOrder(const std::string& path) {
  std::ifstream in(path);
  std::string line, keys;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '[') continue;
    keys += line.substr(0, line.find('=')) + " ";
  }
  return keys;
}

struct Settings {
  voltaris::testing::TestFolder dir;
  ConfigFile config{dir.path()};
  void Write(const char* section, const char* key, const std::string& value) {
    ASSERT_FALSE(config.WriteString(section, key, value));
  }
  std::string Read(const char* section, const char* key) { return config.ReadString(section, key); }
  std::string Keys() { return KeyOrder(config.PathOf(ConfigFile::kFileName)); }
};

}  // namespace

TEST(SettingsDialog, ListsShowTheStoredPositionsOrNothing) {
  Settings s;
  s.Write("Mscomm", "ComboPort", "8");
  s.Write("Mscomm", "ComboRate", "19200");
  s.Write("Mscomm", "ComboCheck", "2");
  s.Write("Mscomm", "ComboData", "4");
  s.Write("Mscomm", "ComboStop", "3");
  const LinkChoice c = ReadLinkChoice(s.config);
  EXPECT_EQ(c.port, LinkChoice::kUsb);
  EXPECT_EQ(c.rate, -1);  // not one of the three rates
  EXPECT_EQ(c.parity, 2);
  EXPECT_EQ(c.dataBits, 4);
  EXPECT_EQ(c.stopBits, -1);  // past the list's end
  s.Write("Mscomm", "ComboRate", "4800");
  s.Write("Mscomm", "ComboPort", "9");
  EXPECT_EQ(ReadLinkChoice(s.config).rate, 1);
  EXPECT_EQ(ReadLinkChoice(s.config).port, LinkChoice::kNetwork);
  s.Write("Mscomm", "ComboPort", "10");
  EXPECT_EQ(ReadLinkChoice(s.config).port, -1);
  s.Write("AlarmMessage", "BefoShutDownTime", "90");
  EXPECT_EQ(ReadBatteryPage(s.config).offDelay, -1);
  s.Write("AlarmMessage", "BefoShutDownTime", "600");
  EXPECT_EQ(ReadBatteryPage(s.config).offDelay, 9);
}

// With nothing stored the lists show COM1 at 2400 bit/s, no parity, 8 data
// bits, one stop bit, as the link reads them; a list left without a choice
// is not written.
TEST(SettingsDialog, NothingStoredShowsTheDefaultsAndNoPositionIsWrittenAsMinusOne) {
  Settings s;
  const LinkChoice c = ReadLinkChoice(s.config);
  EXPECT_EQ(c.port, 0);
  EXPECT_EQ(c.parity, 0);
  EXPECT_EQ(c.dataBits, 4);
  EXPECT_EQ(c.stopBits, 0);
  EXPECT_EQ(c.rate, 0);
  s.Write("Mscomm", "ComboRate", "");
  EXPECT_EQ(ReadLinkChoice(s.config).rate, 0);  // blank reads as the default too
  s.Write("Mscomm", "ComboStop", "7");
  ShownSettings shown;
  shown.link = ReadLinkChoice(s.config);
  ASSERT_FALSE(SaveSettings(s.config, shown));
  EXPECT_EQ(s.Read("Mscomm", "ComboStop"), "7");
  EXPECT_EQ(s.Read("Mscomm", "ComboPort"), "0");
}

TEST(SettingsDialog, OkWritesThePageOnDisplayThenTheLinkInOrder) {
  Settings s;
  ShownSettings shown;
  shown.link = {1, 1, 0, 4, 0};  // COM2, 4800, none, 8 data bits, 1 stop bit
  shown.page = SettingsPage::Battery;
  shown.battery = {"7", "2", -1};
  shown.recording = {true, "30"};  // left for another page: not saved
  ASSERT_FALSE(SaveSettings(s.config, shown));
  EXPECT_EQ(s.Keys(), "BatteryTime BatteryEndTime BefoShutDownTime ComboPort ComboData ComboStop ComboCheck ComboRate ");
  EXPECT_EQ(s.Read("Mscomm", "ComboPort"), "1");
  EXPECT_EQ(s.Read("Mscomm", "ComboRate"), "4800");
  EXPECT_EQ(s.Read("Mscomm", "ComboData"), "4");
  EXPECT_EQ(s.Read("AlarmMessage", "BefoShutDownTime"), "");  // no entry chosen
  EXPECT_EQ(s.Read("DataRecord", "HistoryTimerDelay"), "");
}

TEST(SettingsDialog, ADelayTheListDoesNotOfferIsKeptWhenAnotherValueChanges) {
  Settings s;
  s.Write("AlarmMessage", "BefoShutDownTime", "90");
  ShownSettings shown;
  shown.link = ReadLinkChoice(s.config);
  shown.page = SettingsPage::Battery;
  shown.battery = ReadBatteryPage(s.config);
  ASSERT_EQ(shown.battery.offDelay, -1);
  shown.battery.life = "8";
  ASSERT_FALSE(SaveSettings(s.config, shown));
  EXPECT_EQ(s.Read("AlarmMessage", "BatteryTime"), "8");
  EXPECT_EQ(s.Read("AlarmMessage", "BefoShutDownTime"), "90");
}

TEST(SettingsDialog, NoRateChosenLeavesTheStoredRate) {
  Settings s;
  s.Write("Mscomm", "ComboRate", "19200");
  ShownSettings shown;
  shown.link = ReadLinkChoice(s.config);
  shown.link.port = 2;
  shown.page = SettingsPage::Recording;
  shown.recording = {true, "12345678901234567890123"};
  EXPECT_TRUE(SaveSettings(s.config, shown));  // out of its range: nothing written
  EXPECT_EQ(s.Read("DataRecord", "HistoryTimerDelay"), "");
  EXPECT_EQ(s.Read("Mscomm", "ComboPort"), "");
  shown.recording = {true, "60"};
  ASSERT_FALSE(SaveSettings(s.config, shown));
  EXPECT_EQ(s.Read("Mscomm", "ComboRate"), "19200");
  EXPECT_EQ(s.Read("DataRecord", "HistoryZiLiao"), "1");
  EXPECT_EQ(s.Read("DataRecord", "HistoryTimerDelay"), "60");
  shown.page = SettingsPage::Warning;
  shown.warning = DefaultWarningPage();
  ASSERT_FALSE(SaveSettings(s.config, shown));
  EXPECT_EQ(s.Read("AlarmMessage", "CutACTimeMessage") + s.Read("AlarmMessage", "ShutTimeMessage") +
                s.Read("AlarmMessage", "ShutAlarmTimeMessage"),
            "5110");
  const BatteryPage battery = DefaultBatteryPage();
  EXPECT_EQ(battery.life + battery.lowLife + kOffDelayChoices[battery.offDelay], "5160");
}

// ---- OK refuses a number out of its field's range -----------------------------

namespace {

// Each number field of the pages, with where the page keeps its text.
struct PageField {
  SettingsPage page;
  const NumberField* field;
  std::string* (*text)(ShownSettings&);
};
const PageField kPageFields[] = {
    {SettingsPage::Recording, &kIntervalField, [](ShownSettings& s) { return &s.recording.interval; }},
    {SettingsPage::Warning, &kFirstWarningField, [](ShownSettings& s) { return &s.warning.firstWarning; }},
    {SettingsPage::Warning, &kScheduleWarningField, [](ShownSettings& s) { return &s.warning.scheduleWarning; }},
    {SettingsPage::Warning, &kPeriodField, [](ShownSettings& s) { return &s.warning.period; }},
    {SettingsPage::Battery, &kLifeField, [](ShownSettings& s) { return &s.battery.life; }},
    {SettingsPage::Battery, &kLowLifeField, [](ShownSettings& s) { return &s.battery.lowLife; }},
};

// The page of the field, its other fields as Default fills them, and the
// field holding `text`.
ShownSettings PageWith(const PageField& f, const std::string& text) {
  ShownSettings shown;
  shown.link = {0, 0, 0, 4, 0};
  shown.page = f.page;
  shown.recording = {true, kDefaultInterval};
  shown.warning = DefaultWarningPage();
  shown.battery = DefaultBatteryPage();
  *f.text(shown) = text;
  return shown;
}

}  // namespace

// "-5" in "First Warning Time After AC Fail" was saved, and the mains-failure
// window never opened. OK now says which field and what it takes, and the
// dialog stays open with nothing written.
TEST(SettingsDialog, OkRefusesANumberOutOfItsFieldsRangeAndWritesNothing) {
  for (const PageField& f : kPageFields) {
    const NumberKey& k = f.field->key;
    const std::string said = std::string(English(f.field->label)) + ": please enter a whole number from " +
                             std::to_string(k.low) + " to " + std::to_string(k.high) + ".";
    const std::vector<std::string> refusedTexts = {"-5", "0",  "",   "abc", "99999999999", "5x", " 5", "+5",
                                                   std::to_string(k.low - 1), std::to_string(k.high + 1)};
    for (const std::string& refused : refusedTexts) {
      Settings s;
      const ShownSettings shown = PageWith(f, refused);
      EXPECT_EQ(RefusalOf(shown), said) << English(f.field->label) << " '" << refused << "'";
      const FileError error = SaveSettings(s.config, shown);
      EXPECT_EQ(error.message, said);
      EXPECT_EQ(s.Keys(), "") << English(f.field->label) << " '" << refused << "'";
    }
    for (const int taken : {k.low, k.high}) {
      Settings s;
      EXPECT_EQ(RefusalOf(PageWith(f, std::to_string(taken))), std::nullopt) << English(f.field->label) << " " << taken;
      ASSERT_FALSE(SaveSettings(s.config, PageWith(f, std::to_string(taken))));
      EXPECT_EQ(s.Read(k.section, k.name), std::to_string(taken));
    }
  }
  ShownSettings link;  // the link page has no number to refuse
  link.link = {0, 0, 0, 4, 0};
  EXPECT_EQ(RefusalOf(link), std::nullopt);
}

// A page shows what the program reads: the default where nothing (or a blank)
// is stored, a stored value out of range as it is, for OK to refuse.
TEST(SettingsDialog, PagesShowDefaultsForNothingStoredAndWrongValuesAsTheyAre) {
  Settings s;
  EXPECT_EQ(ReadRecordingPage(s.config).interval, "5");
  EXPECT_EQ(ReadWarningPage(s.config).firstWarning + "/" + ReadWarningPage(s.config).scheduleWarning + "/" +
                ReadWarningPage(s.config).period,
            "5/1/10");
  EXPECT_EQ(ReadBatteryPage(s.config).offDelay, 0);
  s.Write("AlarmMessage", "CutACTimeMessage", "-5");
  s.Write("AlarmMessage", "BatteryTime", "");
  EXPECT_EQ(ReadWarningPage(s.config).firstWarning, "-5");
  EXPECT_EQ(ReadBatteryPage(s.config).life, "5");
  ShownSettings shown;
  shown.link = ReadLinkChoice(s.config);
  shown.page = SettingsPage::Warning;
  shown.warning = ReadWarningPage(s.config);
  EXPECT_EQ(RefusalOf(shown), "First Warning Time After AC Fail: please enter a whole number from 1 to 50.");
}

// ---- The network UPS ---------------------------------------------------------------

// A link greys what it cannot carry: a network UPS has no line to set, a
// COM port or USB no server to reach.
TEST(SettingsDialog, EachPortChoiceEnablesWhatItsLinkCarries) {
  const struct {
    int port;
    LinkControls enabled;
  } kChoices[] = {{-1, {true, false}}, {0, {true, false}}, {7, {true, false}},
                  {LinkChoice::kUsb, {false, false}}, {LinkChoice::kNetwork, {false, true}}};
  for (const auto& c : kChoices) {
    EXPECT_EQ(ControlsFor(c.port).serialLists, c.enabled.serialLists) << c.port;
    EXPECT_EQ(ControlsFor(c.port).networkFields, c.enabled.networkFields) << c.port;
  }
}

TEST(SettingsDialog, NetworkFieldsShowTheDefaultsOrTheStoredTextsAsTheyAre) {
  Settings s;
  NetworkUpsFields f = ReadNetworkUpsFields(s.config);
  EXPECT_EQ(f.host + "|" + f.port + "|" + f.upsName + "|" + f.user + "|" + f.password + "|" + f.deadTime,
            "|3493|ups|||15");
  s.Write("NetworkUps", "Host", "my host");
  s.Write("NetworkUps", "Port", "0");
  s.Write("NetworkUps", "UpsName", "rack-1");
  s.Write("NetworkUps", "User", "monuser");
  s.Write("NetworkUps", "Password", "Kw7 rq2");
  s.Write("NetworkUps", "DeadTime", "");
  f = ReadNetworkUpsFields(s.config);
  EXPECT_EQ(f.host + "|" + f.port + "|" + f.upsName + "|" + f.user + "|" + f.password + "|" + f.deadTime,
            "my host|0|rack-1|monuser|Kw7 rq2|15");
}

namespace {

// The link page with the network UPS chosen and fields OK takes.
ShownSettings NetworkChosen() {
  ShownSettings shown;
  shown.link = {LinkChoice::kNetwork, 0, 0, 4, 0};
  shown.network = {"nas.office.lan", "3493", "ups", "monuser", "secret", "15"};
  return shown;
}

using NetworkText = std::string NetworkUpsFields::*;
struct NetworkRow {
  NetworkText field;
  std::string typed;
  std::string refusal;  // empty: taken
  std::string stored;   // what a taken text is written as
};

}  // namespace

// OK takes only what the program reads back as it was typed: a host a
// resolver takes, a port of 1..65535, a UPS name of one word, a password
// without blanks at its ends (the file drops them), a dead time of 5..600.
TEST(SettingsDialog, OkRefusesANetworkFieldTheProgramWouldNotReadBack) {
  const std::string host = "Host: please enter the name or the IPv4 or IPv6 address of the computer serving the UPS.";
  const std::string port = "Port: please enter a whole number from 1 to 65535.";
  const std::string name = "UPS name: please enter 1 to 64 letters, digits, dots, dashes or underscores.";
  const std::string password = "Password: please enter it without blanks at its beginning or end.";
  const std::string deadTime = "Dead time (s): please enter a whole number from 5 to 600.";
  const NetworkText H = &NetworkUpsFields::host, P = &NetworkUpsFields::port, N = &NetworkUpsFields::upsName,
                    U = &NetworkUpsFields::user, W = &NetworkUpsFields::password, D = &NetworkUpsFields::deadTime;
  const NetworkRow kRows[] = {
      {H, "", host, ""},
      {H, "   ", host, ""},
      {H, "my host", host, ""},
      {H, "[::1]", host, ""},
      {H, std::string(254, 'a'), host, ""},
      {H, " nas.office.lan ", "", "nas.office.lan"},
      {H, "fe80::1%3", "", "fe80::1%3"},
      {H, std::string(253, 'a'), "", std::string(253, 'a')},
      {P, "0", port, ""},
      {P, "65536", port, ""},
      {P, "", port, ""},
      {P, "34x", port, ""},
      {P, "1", "", "1"},
      {P, "65535", "", "65535"},
      {N, "", name, ""},
      {N, "rack 1", name, ""},
      {N, std::string(65, 'u'), name, ""},
      {N, std::string(64, 'u'), "", std::string(64, 'u')},
      {N, " rack-1 ", "", "rack-1"},
      {U, "  monuser ", "", "monuser"},
      {U, "", "", ""},  // no user: follows without logging in
      {W, " secret", password, ""},
      {W, "secret\t", password, ""},
      {W, "Kw7 rq2", "", "Kw7 rq2"},
      {D, "4", deadTime, ""},
      {D, "601", deadTime, ""},
      {D, "5", "", "5"},
      {D, "600", "", "600"},
  };
  for (const NetworkRow& row : kRows) {
    Settings s;
    ShownSettings shown = NetworkChosen();
    shown.network.*row.field = row.typed;
    const std::optional<std::string> refused = row.refusal.empty() ? std::nullopt : std::optional(row.refusal);
    EXPECT_EQ(RefusalOf(shown), refused) << "'" << row.typed << "'";
    if (refused) {
      EXPECT_EQ(SaveSettings(s.config, shown).message, *refused);
      EXPECT_EQ(s.Keys(), "") << "'" << row.typed << "'";
      continue;
    }
    ASSERT_FALSE(SaveSettings(s.config, shown)) << "'" << row.typed << "'";
    const NetworkUpsFields stored = ReadNetworkUpsFields(s.config);
    EXPECT_EQ(stored.*row.field, row.stored) << "'" << row.typed << "'";
    // What the link then reads is what was typed.
    const NetworkUpsSettings read = ReadNetworkUpsSettings(s.config);
    const std::string readBack = row.field == H ? read.host
                                 : row.field == P ? std::to_string(read.port)
                                 : row.field == N ? read.upsName
                                 : row.field == U ? read.user
                                 : row.field == W ? read.password
                                                  : std::to_string(read.deadTimeSeconds);
    EXPECT_EQ(readBack, row.stored) << "'" << row.typed << "'";
  }
}

TEST(SettingsDialog, OkWritesTheServerBeforeThePortThatLeadsThere) {
  Settings s;
  ShownSettings shown = NetworkChosen();
  shown.page = SettingsPage::Recording;
  shown.recording = {true, "30"};
  ASSERT_FALSE(SaveSettings(s.config, shown));
  EXPECT_EQ(s.Keys(),
            "HistoryZiLiao HistoryTimerDelay Host Port UpsName User Password DeadTime "
            "ComboPort ComboData ComboStop ComboCheck ComboRate ");
  EXPECT_EQ(s.Read("Mscomm", "ComboPort"), "9");
  EXPECT_EQ(ReadLinkSettings(s.config).comboPort, LinkSettings::kNetworkUps);
  const NetworkUpsSettings read = ReadNetworkUpsSettings(s.config);
  EXPECT_EQ(read.host + " " + std::to_string(read.port) + " " + read.upsName + " " + read.user + " " + read.password +
                " " + std::to_string(read.deadTimeSeconds),
            "nas.office.lan 3493 ups monuser secret 15");
  shown.page = SettingsPage::Warning;
  shown.warning = DefaultWarningPage();
  shown.warning.period = "0";  // the page's refusal comes first
  shown.network.host = "";
  EXPECT_EQ(RefusalOf(shown), "Period Warning Time: please enter a whole number from 1 to 60.");
}

// A COM port or USB neither refuses nor writes the network fields: a
// server typed once stays for the day the network UPS is chosen again.
TEST(SettingsDialog, AnotherLinkLeavesTheNetworkFieldsAsStored) {
  Settings s;
  s.Write("NetworkUps", "Host", "nas.office.lan");
  for (const int port : {0, LinkChoice::kUsb}) {
    ShownSettings shown = NetworkChosen();
    shown.link.port = port;
    shown.network = {"", "0", "", "", " x", "1"};
    EXPECT_EQ(RefusalOf(shown), std::nullopt) << port;
    ASSERT_FALSE(SaveSettings(s.config, shown));
    EXPECT_EQ(s.Read("Mscomm", "ComboPort"), std::to_string(port));
    EXPECT_EQ(s.Read("NetworkUps", "Host"), "nas.office.lan");
    EXPECT_EQ(s.Read("NetworkUps", "Port"), "");
  }
}

// The French build names its fields with its own words, without the colon
// its labels end with.
TEST(SettingsDialog, FrenchRefusalsNameTheFieldWithoutItsColon) {
  SetLanguage(Language::French);
  ShownSettings shown = NetworkChosen();
  shown.network.host = " ";
  const auto host = RefusalOf(shown);
  shown.network.host = "nas";
  shown.network.port = "65536";
  const auto port = RefusalOf(shown);
  shown.network.port = "3493";
  shown.network.deadTime = "4";
  const auto deadTime = RefusalOf(shown);
  SetLanguage(Language::English);
  EXPECT_EQ(host, "H\xf4te : entrez le nom ou l'adresse IPv4 ou IPv6 de l'ordinateur qui partage l'onduleur.");
  EXPECT_EQ(port, "Port : entrez un nombre entier de 1 \xe0 65535.");
  EXPECT_EQ(deadTime, "D\xe9lai de silence (s) : entrez un nombre entier de 5 \xe0 600.");
}

TEST(SettingsDialog, AFailedWriteIsReturned) {
  voltaris::testing::TestFolder dir;
  ConfigFile config(dir.path() + "/no-such-folder");
  ShownSettings shown;
  shown.link = {0, 0, 0, 4, 0};
  EXPECT_TRUE(SaveSettings(config, shown));
  EXPECT_TRUE(SaveAlarmTexts(config, DefaultAlarmTexts()));
}

TEST(AlarmDialog, DefaultsAndTheCutAndOrderOfOk) {
  Settings s;
  const AlarmTexts none = ReadAlarmTexts(s.config);
  for (const std::string& text : none) EXPECT_EQ(text, "");
  AlarmTexts shown = DefaultAlarmTexts();
  EXPECT_EQ(shown[0], "UPS is  Normal !");
  EXPECT_EQ(shown[1], "Attention!! AC  Failed");
  EXPECT_EQ(shown[3], "Attention!! UPS Battery Low");
  EXPECT_EQ(shown[6], "Shutdown Canceled");
  shown[2] = std::string(120, 'x');
  ASSERT_FALSE(SaveAlarmTexts(s.config, shown));
  EXPECT_EQ(s.Keys(),
            "NormalMessage AcInterruptlMessage AcNormalMessage BatteryLowMessage BatteryNormalMessage "
            "ShutDownMessage ShutDownCancelMessage ");
  EXPECT_EQ(s.Read("AlarmMessage", "AcNormalMessage"), std::string(99, 'x'));
  EXPECT_EQ(ReadAlarmTexts(s.config)[4], "UPS Battery Low Recovered");
}

// A fresh install of each build starts from the texts its own Default
// button gives; the two files differ in nothing else.
TEST(AlarmDialog, EachBuildShipsTheTextsOfItsDefaultButton) {
  const std::string shipped[] = {"UpsConfigure.default.ini", "UpsConfigure.default.fr.ini"};
  const Language languages[] = {Language::English, Language::French};
  std::string withoutTexts[2];
  for (int i = 0; i < 2; ++i) {
    const std::string path = std::string(VOLTARIS_CONFIG_DIR) + "/" + shipped[i];
    Settings s;
    std::ifstream in(path, std::ios::binary);
    std::ofstream(s.config.PathOf(ConfigFile::kFileName), std::ios::binary) << in.rdbuf();
    SetLanguage(languages[i]);
    EXPECT_EQ(ReadAlarmTexts(s.config), DefaultAlarmTexts()) << shipped[i];
    std::ifstream lines(path);
    for (std::string line; std::getline(lines, line);) {
      if (line.find("Message=") == std::string::npos || line.find("TimeMessage=") != std::string::npos) {
        withoutTexts[i] += line + "\n";
      }
    }
  }
  SetLanguage(Language::English);
  EXPECT_EQ(withoutTexts[0], withoutTexts[1]);
}

// Each icon answers with its page at its corners and with nothing a pixel
// beyond each side.
TEST(SettingsDialog, PageIconsIncludeTheirBounds) {
  const struct {
    HotZone zone;
    SettingsPage page;
  } kIcons[] = {{skin::kPageLink, SettingsPage::Link},
                {skin::kPageRecording, SettingsPage::Recording},
                {skin::kPageWarning, SettingsPage::Warning},
                {skin::kPageBattery, SettingsPage::Battery}};
  for (const auto& icon : kIcons) {
    SCOPED_TRACE(static_cast<int>(icon.page));
    const HotZone& z = icon.zone;
    EXPECT_EQ(PageIconAt(z.left, z.top), icon.page);
    EXPECT_EQ(PageIconAt(z.right, z.bottom), icon.page);
    EXPECT_EQ(PageIconAt(z.left - 1, z.top), std::nullopt);
    EXPECT_EQ(PageIconAt(z.right + 1, z.bottom), std::nullopt);
    EXPECT_EQ(PageIconAt(z.left, z.top - 1), std::nullopt);
    EXPECT_EQ(PageIconAt(z.right, z.bottom + 1), std::nullopt);
  }
}
