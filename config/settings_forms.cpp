#include "config/settings_forms.h"

#include <iterator>

#include "base/text_ends.h"
#include "i18n/catalogue.h"
#include "res/skin_layout.h"

namespace voltaris {
namespace {

// The stored text of a number key; its default for an absent or blank one,
// which the program reads as that default.
std::string Shown(const ConfigFile& config, const NumberKey& key) {
  const std::string stored = config.ReadString(key.section, key.name);
  return stored.empty() ? std::to_string(key.fallback) : stored;
}

// A stored list position, if it is one of the list's.
int Position(const ConfigFile& config, const NumberKey& key) {
  const std::optional<int> value = StoredNumber(Shown(config, key));
  return value && key.Accepts(*value) ? *value : -1;
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

std::optional<std::string> Refusal(std::initializer_list<std::pair<const NumberField*, const std::string*>> fields) {
  for (const auto& [field, text] : fields) {
    if (!TypedNumber(field->key, *text)) return RangeMessage(Tr(field->label), field->key);
  }
  return std::nullopt;
}

// A typed text as the file reads it back: the blanks at its ends go.
std::string Trimmed(const std::string& text) { return std::string(WithoutEndBlanks(text)); }

// A label as a refusal names its field: without its colon.
std::string FieldName(Text label) {
  std::string name = Tr(label);
  while (!name.empty() && (name.back() == ':' || name.back() == ' ')) name.pop_back();
  return name;
}

// The first field, in the order the dialog shows them, that the program
// would not read back as it was typed.
std::optional<std::string> NetworkRefusal(const NetworkUpsFields& f) {
  if (!IsHost(Trimmed(f.host))) return FieldName(Text::LabelHost) + Tr(Text::FieldHostWanted);
  if (!TypedNumber(key::kNetworkUpsPort, f.port)) {
    return RangeMessage(FieldName(Text::LabelNetworkPort), key::kNetworkUpsPort);
  }
  if (!IsShareableName(Trimmed(f.upsName))) return FieldName(Text::LabelUpsName) + Tr(Text::FieldNameWanted);
  // A password is sent as typed: blanks the file would drop would fail the login.
  if (Trimmed(f.password) != f.password) return FieldName(Text::LabelPassword) + Tr(Text::FieldNoEndBlanks);
  if (!TypedNumber(key::kDeadTime, f.deadTime)) return RangeMessage(FieldName(Text::LabelDeadTime), key::kDeadTime);
  return std::nullopt;
}

std::optional<std::string> PageRefusal(const ShownSettings& shown) {
  switch (shown.page) {
    case SettingsPage::Recording: return Refusal({{&kIntervalField, &shown.recording.interval}});
    case SettingsPage::Warning:
      return Refusal({{&kFirstWarningField, &shown.warning.firstWarning},
                      {&kScheduleWarningField, &shown.warning.scheduleWarning},
                      {&kPeriodField, &shown.warning.period}});
    case SettingsPage::Battery:
      return Refusal({{&kLifeField, &shown.battery.life}, {&kLowLifeField, &shown.battery.lowLife}});
    case SettingsPage::Link: break;
  }
  return std::nullopt;
}

FileError SaveNetworkUps(const ConfigFile& config, const NetworkUpsFields& f) {
  return config.WriteInOrder(section::kNetworkUps, {{"Host", Trimmed(f.host)},
                                                    {key::kNetworkUpsPort.name, f.port},
                                                    {"UpsName", Trimmed(f.upsName)},
                                                    {"User", Trimmed(f.user)},
                                                    {"Password", f.password},
                                                    {key::kDeadTime.name, f.deadTime}});
}

FileError SavePage(const ConfigFile& config, const ShownSettings& shown) {
  switch (shown.page) {
    case SettingsPage::Recording:
      return config.WriteInOrder(section::kDataRecord, {{"HistoryZiLiao", shown.recording.enabled ? "1" : "0"},
                                                        {"HistoryTimerDelay", shown.recording.interval}});
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
      {skin::kPageLink, SettingsPage::Link},
      {skin::kPageRecording, SettingsPage::Recording},
      {skin::kPageWarning, SettingsPage::Warning},
      {skin::kPageBattery, SettingsPage::Battery},
  };
  for (const auto& icon : kIcons) {
    if (icon.area.Contains(x, y)) return icon.page;
  }
  return std::nullopt;
}

LinkChoice ReadLinkChoice(const ConfigFile& config) {
  LinkChoice c;
  c.port = Position(config, key::kComboPort);
  c.rate = ChoiceOf(Shown(config, key::kComboRate), kRateChoices);
  c.parity = Position(config, key::kComboCheck);
  c.dataBits = Position(config, key::kComboData);
  c.stopBits = Position(config, key::kComboStop);
  return c;
}

LinkControls ControlsFor(int port) {
  return {port != LinkChoice::kUsb && port != LinkChoice::kNetwork, port == LinkChoice::kNetwork};
}

NetworkUpsFields ReadNetworkUpsFields(const ConfigFile& config) {
  const auto stored = [&config](const char* name) { return config.ReadString(section::kNetworkUps, name); };
  const std::string upsName = stored("UpsName");
  return {stored("Host"),
          Shown(config, key::kNetworkUpsPort),
          upsName.empty() ? NetworkUpsSettings().upsName : upsName,
          stored("User"),
          stored("Password"),
          Shown(config, key::kDeadTime)};
}

RecordingPage ReadRecordingPage(const ConfigFile& config) {
  return {config.ReadString(section::kDataRecord, "HistoryZiLiao") == "1", Shown(config, key::kHistoryTimerDelay)};
}

WarningPage ReadWarningPage(const ConfigFile& config) {
  return {Shown(config, key::kCutAcTime), Shown(config, key::kShutTime), Shown(config, key::kShutAlarmTime)};
}

BatteryPage ReadBatteryPage(const ConfigFile& config) {
  return {Shown(config, key::kBatteryTime), Shown(config, key::kBatteryEndTime),
          ChoiceOf(Shown(config, key::kBefoShutDownTime), kOffDelayChoices)};
}

WarningPage DefaultWarningPage() { return {"5", "1", "10"}; }
BatteryPage DefaultBatteryPage() { return {"5", "1", 0}; }

std::optional<std::string> RefusalOf(const ShownSettings& shown) {
  if (auto refusal = PageRefusal(shown)) return refusal;
  if (!ControlsFor(shown.link.port).networkFields) return std::nullopt;
  return NetworkRefusal(shown.network);
}

FileError SaveSettings(const ConfigFile& config, const ShownSettings& shown) {
  if (const auto refusal = RefusalOf(shown)) return {22, *refusal};
  if (FileError e = SavePage(config, shown)) return e;
  // The server's keys before the port that sends the program there: a
  // write that fails between them leaves the link as it was.
  if (ControlsFor(shown.link.port).networkFields) {
    if (FileError e = SaveNetworkUps(config, shown.network)) return e;
  }
  // A list left without a choice keeps its stored value: no position
  // outside a list is ever written.
  const LinkChoice& c = shown.link;
  ConfigFile::KeyValues keys;
  for (const auto& [key, position] : {std::pair{"ComboPort", c.port}, std::pair{"ComboData", c.dataBits},
                                      std::pair{"ComboStop", c.stopBits}, std::pair{"ComboCheck", c.parity}}) {
    if (position >= 0) keys.emplace_back(key, std::to_string(position));
  }
  if (c.rate >= 0 && c.rate < static_cast<int>(std::size(kRateChoices))) keys.emplace_back("ComboRate", kRateChoices[c.rate]);
  return config.WriteInOrder(section::kMscomm, keys);
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
  ConfigFile::KeyValues keys;
  for (size_t i = 0; i < shown.size(); ++i) keys.emplace_back(kAlarmTextKeys[i], shown[i].substr(0, kAlarmTextMax));
  return config.WriteInOrder(section::kAlarmMessage, keys);
}

}  // namespace voltaris
