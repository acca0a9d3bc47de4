#include "config/settings.h"

#include "base/number_text.h"

namespace voltaris {

int ReadInteger(const ConfigFile& file, const char* sectionName, const std::string& key) {
  return LeadingInteger(file.ReadString(sectionName, key));
}

bool ReadFlag(const ConfigFile& file, const char* sectionName, const std::string& key) {
  return ReadInteger(file, sectionName, key) == 1;
}

LinkSettings ReadLinkSettings(const ConfigFile& file) {
  LinkSettings s;
  s.comboPort = ReadInteger(file, section::kMscomm, "ComboPort");
  const int rate = ReadInteger(file, section::kMscomm, "ComboRate");
  if (rate == 2400 || rate == 4800 || rate == 9600) s.comboRate = rate;
  s.comboCheck = ReadInteger(file, section::kMscomm, "ComboCheck");
  s.comboData = ReadInteger(file, section::kMscomm, "ComboData");
  s.comboStop = ReadInteger(file, section::kMscomm, "ComboStop");
  return s;
}

RecordingSettings ReadRecordingSettings(const ConfigFile& file) {
  return {ReadFlag(file, section::kDataRecord, "HistoryZiLiao"),
          ReadInteger(file, section::kDataRecord, "HistoryTimerDelay")};
}

WarningTimes ReadWarningTimes(const ConfigFile& file) {
  const auto read = [&file](const char* key) { return ReadInteger(file, section::kAlarmMessage, key); };
  WarningTimes t;
  t.cutAcSeconds = read("CutACTimeMessage");
  t.scheduleWarningMinutes = read("ShutTimeMessage");
  t.repeatWarningSeconds = read("ShutAlarmTimeMessage");
  t.batteryMinutes = read("BatteryTime");
  t.batteryLowMinutes = read("BatteryEndTime");
  t.upsOffDelaySeconds = read("BefoShutDownTime");
  t.timedTestMinutes = read("SpecialTimeTest");
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
