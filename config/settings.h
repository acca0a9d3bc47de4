// Typed readers for every key of UpsConfigure.ini. Each reads the file at the
// moment of the call (there is no cache); an absent key reads as the value
// the file format gives it: 0, off, inactive or the empty text.
#pragma once

#include <optional>
#include <string>

#include "config/config_file.h"

namespace voltaris {

namespace section {
constexpr char kMscomm[] = "Mscomm";
constexpr char kDataRecord[] = "DataRecord";
constexpr char kAlarmMessage[] = "AlarmMessage";
constexpr char kSchema[] = "Schema";
}  // namespace section

// Link to the UPS (section Mscomm). The choice keys hold list positions.
struct LinkSettings {
  static constexpr int kUsbPort = 8;
  int comboPort = 0;                 // 0..7: COM1..COM8, 8: USB
  std::optional<int> comboRate;      // 2400, 4800 or 9600; nothing for any other value
  int comboCheck = 0;                // parity code: 0 none, 1 odd, 2 even
  int comboData = 0;                 // data bits - 4
  int comboStop = 0;                 // stop-bit code: 0 one, 1 one and a half, 2 two
};
LinkSettings ReadLinkSettings(const ConfigFile& file);

// History recording (section DataRecord).
struct RecordingSettings {
  bool enabled = false;     // HistoryZiLiao parses as 1
  int intervalSeconds = 0;  // HistoryTimerDelay
};
RecordingSettings ReadRecordingSettings(const ConfigFile& file);

// Warning times (section AlarmMessage), each in the unit its key stores.
struct WarningTimes {
  int cutAcSeconds = 0;          // CutACTimeMessage
  int scheduleWarningMinutes = 0;// ShutTimeMessage
  int repeatWarningSeconds = 0;  // ShutAlarmTimeMessage
  int batteryMinutes = 0;        // BatteryTime
  int batteryLowMinutes = 0;     // BatteryEndTime
  int upsOffDelaySeconds = 0;    // BefoShutDownTime
  int timedTestMinutes = 0;      // SpecialTimeTest
};
WarningTimes ReadWarningTimes(const ConfigFile& file);

// Message texts (section AlarmMessage); the empty text when absent.
struct AlarmMessages {
  std::string normal, acFail, acRestored, batteryLow, batteryRestored, shutdown, shutdownCancelled;
};
AlarmMessages ReadAlarmMessages(const ConfigFile& file);

// One schedule entry (section Schema). `day` is 1..7.
struct WeeklyEntry {
  bool shutActive = false;   // SchemaEveryShutFlag<day>
  std::string shutTime;      // SchemaEveryShutTime<day>: a time of day or "None"
  bool rebootActive = false; // SchemaEveryRebootFlag<day>
  std::string rebootTime;    // SchemaEveryRebootTime<day>
};
WeeklyEntry ReadWeeklyEntry(const ConfigFile& file, int day);

struct SpecialEntry {
  bool shutActive = false;     // SchemaSpecialShutFlag<n>
  std::string shutTime;        // SchemaSpecialShutTime<n>
  std::string shutDate;        // SchemaSpecialShutYear<n>
  bool rebootActive = false;   // SchemaSpecialRebootFlag<n>
  std::string rebootTime;      // SchemaSpecialRebootTime<n>
  std::string rebootDate;      // SchemaSpecialRebootYear<n>
};
SpecialEntry ReadSpecialEntry(const ConfigFile& file, int entry);

// Helpers shared by the readers and the dialogs.
int ReadInteger(const ConfigFile& file, const char* sectionName, const std::string& key);
bool ReadFlag(const ConfigFile& file, const char* sectionName, const std::string& key);

}  // namespace voltaris
