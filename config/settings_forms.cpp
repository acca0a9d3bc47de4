#include "config/settings_forms.h"

#include <iterator>

#include "base/number_text.h"
#include "config/settings.h"
#include "i18n/catalogue.h"

namespace voltaris {
namespace {

// A stored list position, if it is one of the list's (an absent key reads
// as 0, as everywhere in the settings).
int Position(const ConfigFile& config, const char* key, int count) {
  const int value = LeadingInteger(config.ReadString(section::kMscomm, key));
  return value >= 0 && value < count ? value : -1;
}

// The position of a stored text among the choices, or -1.
template <size_t N>
int ChoiceOf(const std::string& text, const char* const (&choices)[N]) {
  for (size_t i = 0; i < N; ++i) {
    if (text == choices[i]) return static_cast<int>(i);
  }
  return -1;
}

std::string Alarm(const ConfigFile& config, const char* key) { return config.ReadString(section::kAlarmMessage, key); }

FileError SavePage(const ConfigFile& config, const ShownSettings& shown) {
  switch (shown.page) {
    case SettingsPage::Recording:
      return config.WriteInOrder(section::kDataRecord, {{"HistoryZiLiao", shown.recording.enabled ? "1" : "0"},
                                                        {"HistoryTimerDelay", shown.recording.interval.substr(0, 19)}});
    case SettingsPage::Warning:
      return config.WriteInOrder(section::kAlarmMessage, {{"CutACTimeMessage", shown.warning.firstWarning},
                                                          {"ShutTimeMessage", shown.warning.scheduleWarning},
                                                          {"ShutAlarmTimeMessage", shown.warning.period}});
    case SettingsPage::Battery: {
      // A stored delay the list does not offer is kept while nothing is chosen.
      const int delay = shown.battery.offDelay;
      const std::string offDelay = delay >= 0 && delay < 10 ? kOffDelayChoices[delay] : Alarm(config, "BefoShutDownTime");
      return config.WriteInOrder(section::kAlarmMessage, {{"BatteryTime", shown.battery.life},
                                                          {"BatteryEndTime", shown.battery.lowLife},
                                                          {"BefoShutDownTime", offDelay}});
    }
    case SettingsPage::Link:
      break;
  }
  return {};
}

}  // namespace

std::optional<SettingsPage> PageIconAt(int x, int y) {
  static constexpr struct {
    HotZone area;
    SettingsPage page;
  } kIcons[] = {
      {{18, 7, 53, 39}, SettingsPage::Link},
      {{98, 8, 127, 37}, SettingsPage::Recording},
      {{164, 8, 194, 43}, SettingsPage::Warning},
      {{226, 9, 259, 37}, SettingsPage::Battery},
  };
  for (const auto& icon : kIcons) {
    if (icon.area.Contains(x, y)) return icon.page;
  }
  return std::nullopt;
}

LinkChoice ReadLinkChoice(const ConfigFile& config) {
  LinkChoice c;
  c.port = Position(config, "ComboPort", LinkChoice::kUsb + 1);
  c.rate = ChoiceOf(config.ReadString(section::kMscomm, "ComboRate"), kRateChoices);
  c.parity = Position(config, "ComboCheck", 3);
  c.dataBits = Position(config, "ComboData", 5);
  c.stopBits = Position(config, "ComboStop", 3);
  return c;
}

RecordingPage ReadRecordingPage(const ConfigFile& config) {
  return {config.ReadString(section::kDataRecord, "HistoryZiLiao") == "1",
          config.ReadString(section::kDataRecord, "HistoryTimerDelay")};
}

WarningPage ReadWarningPage(const ConfigFile& config) {
  return {Alarm(config, "CutACTimeMessage"), Alarm(config, "ShutTimeMessage"), Alarm(config, "ShutAlarmTimeMessage")};
}

BatteryPage ReadBatteryPage(const ConfigFile& config) {
  return {Alarm(config, "BatteryTime"), Alarm(config, "BatteryEndTime"),
          ChoiceOf(Alarm(config, "BefoShutDownTime"), kOffDelayChoices)};
}

WarningPage DefaultWarningPage() { return {"5", "1", "10"}; }
BatteryPage DefaultBatteryPage() { return {"5", "1", 0}; }

FileError SaveSettings(const ConfigFile& config, const ShownSettings& shown) {
  if (FileError e = SavePage(config, shown)) return e;
  // A list left without a choice keeps its stored value: no position
  // outside a list is ever written.
  const LinkChoice& c = shown.link;
  for (const auto& [key, position] : {std::pair{"ComboPort", c.port}, std::pair{"ComboData", c.dataBits},
                                      std::pair{"ComboStop", c.stopBits}, std::pair{"ComboCheck", c.parity}}) {
    if (position < 0) continue;
    if (FileError e = config.WriteString(section::kMscomm, key, std::to_string(position))) return e;
  }
  if (c.rate < 0 || c.rate >= static_cast<int>(std::size(kRateChoices))) return {};
  return config.WriteString(section::kMscomm, "ComboRate", kRateChoices[c.rate]);
}

const std::array<const char*, kAlarmTexts> kAlarmTextKeys = {
    "NormalMessage",        "AcInterruptlMessage", "AcNormalMessage",      "BatteryLowMessage",
    "BatteryNormalMessage", "ShutDownMessage",     "ShutDownCancelMessage"};

AlarmTexts ReadAlarmTexts(const ConfigFile& config) {
  AlarmTexts texts;
  for (size_t i = 0; i < texts.size(); ++i) texts[i] = Alarm(config, kAlarmTextKeys[i]);
  return texts;
}

AlarmTexts DefaultAlarmTexts() {
  return {Tr(Text::DefaultNormalMessage),      Tr(Text::DefaultAcFailWarning),   Tr(Text::DefaultAcRestored),
          Tr(Text::DefaultLowBatteryWarning),  Tr(Text::DefaultLowBatteryRestored), Tr(Text::DefaultShutdownWarning),
          Tr(Text::DefaultCancelShutdown)};
}

FileError SaveAlarmTexts(const ConfigFile& config, const AlarmTexts& shown) {
  for (size_t i = 0; i < shown.size(); ++i) {
    if (FileError e = config.WriteString(section::kAlarmMessage, kAlarmTextKeys[i],
                                         shown[i].substr(0, kAlarmTextMax))) {
      return e;
    }
  }
  return {};
}

}  // namespace voltaris
