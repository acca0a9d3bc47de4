#include "config/settings.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "base/number_text.h"
#include "i18n/catalogue.h"

namespace voltaris {

int ReadInteger(const ConfigFile& file, const char* sectionName, const std::string& key) {
  return LeadingInteger(file.ReadString(sectionName, key));
}

bool ReadFlag(const ConfigFile& file, const char* sectionName, const std::string& key) {
  return ReadInteger(file, sectionName, key) == 1;
}

std::optional<int> StoredNumber(const std::string& text) {
  const size_t sign = text.find_first_not_of(" \t");
  if (sign == std::string::npos) return std::nullopt;
  const size_t digit = text[sign] == '-' || text[sign] == '+' ? sign + 1 : sign;
  if (digit >= text.size() || !std::isdigit(static_cast<unsigned char>(text[digit]))) return std::nullopt;
  return LeadingInteger(text);  // held at the 32-bit limits: out of every range
}

bool NumberKey::Accepts(int value) const {
  if (value < low || value > high) return false;
  return std::all_of(only.begin(), only.end(), [](int v) { return v == 0; }) ||
         std::find(only.begin(), only.end(), value) != only.end();
}

const std::array<const NumberKey*, 13> kNumberKeys = {
    &key::kComboPort,      &key::kComboRate,     &key::kComboCheck,     &key::kComboData,  &key::kComboStop,
    &key::kHistoryTimerDelay, &key::kCutAcTime,  &key::kShutTime,       &key::kShutAlarmTime, &key::kBatteryTime,
    &key::kBatteryEndTime, &key::kBefoShutDownTime, &key::kSpecialTimeTest};

int ReadNumber(const ConfigFile& file, const NumberKey& key) {
  return ReadNumber(file, key, key.fallback, Text::SettingDefaultUsed);
}

int ReadNumber(const ConfigFile& file, const NumberKey& key, int outOfRange, Text used) {
  const std::optional<std::string> stored = file.ReadValue(key.section, key.name);
  const std::string where = std::string(key.section) + "/" + key.name;
  if (!stored) {
    if (!key.optional) {
      file.NoteNotUsed(where, "", Tr(Text::SettingMissingEvent) + std::string(key.name) + Tr(Text::SettingDefaultUsed));
    }
    return key.fallback;
  }
  const std::optional<int> value = StoredNumber(*stored);
  if (value && key.Accepts(*value)) return *value;
  const bool top = value && *value > key.high && key.holdsAtTop;
  // "=" tells a blank value from an absent key, each noted once.
  file.NoteNotUsed(where, "=" + *stored,
                   Tr(Text::SettingOutOfRangeEvent) + std::string(key.name) + Tr(top ? Text::SettingLongestUsed : used));
  return top ? key.high : outOfRange;
}

std::optional<int> TypedNumber(const NumberKey& key, const std::string& text) {
  constexpr size_t kMostDigits = 9;  // beyond every range, and within an int
  if (text.empty() || text.size() > kMostDigits ||
      !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
    return std::nullopt;
  }
  const int value = LeadingInteger(text);
  return key.Accepts(value) ? std::optional<int>(value) : std::nullopt;
}

std::string RangeMessage(const std::string& fieldLabel, const NumberKey& key) {
  return fieldLabel + Tr(Text::FieldRangeFrom) + std::to_string(key.low) + Tr(Text::FieldRangeTo) +
         std::to_string(key.high) + Tr(Text::FieldRangeEnd);
}

LinkSettings ReadLinkSettings(const ConfigFile& file) {
  LinkSettings s;
  // Polling COM1 in place of a port the list does not hold would write to
  // whatever device is there; the dialog shows no port either.
  s.comboPort = ReadNumber(file, key::kComboPort, LinkSettings::kNoPort, Text::SettingNoPortUsed);
  s.comboRate = ReadNumber(file, key::kComboRate);
  s.comboCheck = ReadNumber(file, key::kComboCheck);
  s.comboData = ReadNumber(file, key::kComboData);
  s.comboStop = ReadNumber(file, key::kComboStop);
  return s;
}

bool IsShareableName(const std::string& name) {
  if (name.empty() || name.size() > 64) return false;
  for (const unsigned char c : name) {
    if (!std::isalnum(c) && c != '-' && c != '_' && c != '.') return false;
  }
  return true;
}

bool IsHost(const std::string& host) {
  constexpr size_t kLongestName = 253;
  if (host.empty() || host.size() > kLongestName) return false;
  for (const unsigned char c : host) {
    if (!std::isalnum(c) && std::string_view("-._:%").find(static_cast<char>(c)) == std::string_view::npos) {
      return false;
    }
  }
  return true;
}

namespace {

// A text key that must be of a kind: a value of another kind reads as the
// fallback and is recorded once, as a number out of its range is.
std::string ReadText(const ConfigFile& file, const char* sectionName, const char* name,
                     bool (*fits)(const std::string&), const std::string& fallback) {
  const std::string stored = file.ReadString(sectionName, name);
  if (stored.empty()) return fallback;
  if (fits(stored)) return stored;
  file.NoteNotUsed(std::string(sectionName) + "/" + name, "=" + stored,
                   Tr(Text::SettingOutOfRangeEvent) + std::string(name) + Tr(Text::SettingDefaultUsed));
  return fallback;
}

}  // namespace

NetworkUpsSettings ReadNetworkUpsSettings(const ConfigFile& file) {
  NetworkUpsSettings s;
  s.host = ReadText(file, section::kNetworkUps, "Host", IsHost, "");
  s.port = ReadNumber(file, key::kNetworkUpsPort);
  s.upsName = ReadText(file, section::kNetworkUps, "UpsName", IsShareableName, s.upsName);
  s.user = file.ReadString(section::kNetworkUps, "User");
  s.password = file.ReadString(section::kNetworkUps, "Password");
  s.deadTimeSeconds = ReadNumber(file, key::kDeadTime);
  return s;
}

RecordingSettings ReadRecordingSettings(const ConfigFile& file) {
  return {ReadFlag(file, section::kDataRecord, "HistoryZiLiao"), ReadNumber(file, key::kHistoryTimerDelay)};
}

RuntimeSettings ReadRuntimeSettings(const ConfigFile& file) {
  return {ReadFlag(file, section::kRuntime, "ShutdownOnRuntime"), ReadNumber(file, key::kRuntimeMargin),
          ReadNumber(file, key::kWeakBattery)};
}

WarningTimes ReadWarningTimes(const ConfigFile& file) {
  WarningTimes t;
  t.cutAcSeconds = ReadNumber(file, key::kCutAcTime);
  t.scheduleWarningMinutes = ReadNumber(file, key::kShutTime);
  t.repeatWarningSeconds = ReadNumber(file, key::kShutAlarmTime);
  t.batteryMinutes = ReadNumber(file, key::kBatteryTime);
  t.batteryLowMinutes = ReadNumber(file, key::kBatteryEndTime);
  t.upsOffDelaySeconds = ReadNumber(file, key::kBefoShutDownTime);
  t.timedTestMinutes = ReadNumber(file, key::kSpecialTimeTest);
  return t;
}

AlarmMessages ReadAlarmMessages(const ConfigFile& file) {
  const auto read = [&file](const char* key) { return file.ReadString(section::kAlarmMessage, key); };
  AlarmMessages m;
  m.normal = read("NormalMessage");
  m.acFail = read("AcInterruptlMessage");  // the key's spelling, as existing files have it
  m.acRestored = read("AcNormalMessage");
  m.batteryLow = read("BatteryLowMessage");
  m.batteryRestored = read("BatteryNormalMessage");
  m.shutdown = read("ShutDownMessage");
  m.shutdownCancelled = read("ShutDownCancelMessage");
  return m;
}

WeeklyEntry ReadWeeklyEntry(const ConfigFile& file, int day) {
  const std::string n = std::to_string(day);
  WeeklyEntry e;
  e.shutActive = ReadFlag(file, section::kSchema, "SchemaEveryShutFlag" + n);
  e.shutTime = file.ReadString(section::kSchema, "SchemaEveryShutTime" + n);
  e.rebootActive = ReadFlag(file, section::kSchema, "SchemaEveryRebootFlag" + n);
  e.rebootTime = file.ReadString(section::kSchema, "SchemaEveryRebootTime" + n);
  return e;
}

SpecialEntry ReadSpecialEntry(const ConfigFile& file, int entry) {
  const std::string n = std::to_string(entry);
  SpecialEntry e;
  e.shutActive = ReadFlag(file, section::kSchema, "SchemaSpecialShutFlag" + n);
  e.shutTime = file.ReadString(section::kSchema, "SchemaSpecialShutTime" + n);
  e.shutDate = file.ReadString(section::kSchema, "SchemaSpecialShutYear" + n);
  e.rebootActive = ReadFlag(file, section::kSchema, "SchemaSpecialRebootFlag" + n);
  e.rebootTime = file.ReadString(section::kSchema, "SchemaSpecialRebootTime" + n);
  e.rebootDate = file.ReadString(section::kSchema, "SchemaSpecialRebootYear" + n);
  return e;
}

}  // namespace voltaris
