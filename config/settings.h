// Typed readers for every key of UpsConfigure.ini. Each reads the file at the
// moment of the call (there is no cache). A number key that is absent, blank,
// not a number or out of its range reads as its default, and the event log
// says so once (a setting that silently read as 0 or -5 switched protection
// off); an absent flag reads as off, an absent text as the empty text.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "config/config_file.h"
#include "i18n/catalogue.h"

namespace voltaris {

namespace section {
constexpr char kMscomm[] = "Mscomm";
constexpr char kDataRecord[] = "DataRecord";
constexpr char kAlarmMessage[] = "AlarmMessage";
constexpr char kSchema[] = "Schema";
constexpr char kRuntime[] = "Runtime";
constexpr char kNetworkUps[] = "NetworkUps";
}  // namespace section

// A number key: where it is, the values it may hold, and the value read in
// their place. The documented table of them is config/README.md.
struct NumberKey {
  const char* section;
  const char* name;
  int low, high;            // the values it may hold, both included
  int fallback;             // its default
  std::array<int, 3> only;  // when not all 0: the only values of low..high it may hold
  bool optional;            // absent is normal (a key few files have): no event for it
  // A protective delay stored above its range reads as its longest, not as
  // its default: a longer wait is what its user asked for.
  bool holdsAtTop = false;
  bool Accepts(int value) const;
};

namespace key {
// The defaults are those of the shipped UpsConfigure.default.ini.
inline constexpr NumberKey kComboPort{section::kMscomm, "ComboPort", 0, 9, 0, {}, false};  // COM1..COM8, USB, network
inline constexpr NumberKey kComboRate{section::kMscomm, "ComboRate", 2400, 9600, 2400, {2400, 4800, 9600}, false};
inline constexpr NumberKey kComboCheck{section::kMscomm, "ComboCheck", 0, 2, 0, {}, false};  // none, odd, even
inline constexpr NumberKey kComboData{section::kMscomm, "ComboData", 0, 4, 4, {}, false};    // 4..8 data bits
inline constexpr NumberKey kComboStop{section::kMscomm, "ComboStop", 0, 2, 0, {}, false};    // 1, 1.5, 2
inline constexpr NumberKey kHistoryTimerDelay{section::kDataRecord, "HistoryTimerDelay", 1, 60, 5, {}, false};
inline constexpr NumberKey kCutAcTime{section::kAlarmMessage, "CutACTimeMessage", 1, 50, 5, {}, false};
inline constexpr NumberKey kShutTime{section::kAlarmMessage, "ShutTimeMessage", 1, 120, 1, {}, false};
inline constexpr NumberKey kShutAlarmTime{section::kAlarmMessage, "ShutAlarmTimeMessage", 1, 60, 10, {}, false};
inline constexpr NumberKey kBatteryTime{section::kAlarmMessage, "BatteryTime", 1, 100, 5, {}, false};
inline constexpr NumberKey kBatteryEndTime{section::kAlarmMessage, "BatteryEndTime", 1, 10, 1, {}, false};
inline constexpr NumberKey kBefoShutDownTime{section::kAlarmMessage, "BefoShutDownTime", 60, 600, 60, {}, false, true};
// Written only once a timed self-test has been asked for.
inline constexpr NumberKey kSpecialTimeTest{section::kAlarmMessage, "SpecialTimeTest", 1, 99, 1, {}, true};
// Few files have it: the shutdown on the runtime estimate is off unless asked for.
inline constexpr NumberKey kRuntimeMargin{section::kRuntime, "RuntimeMarginMinutes", 1, 60, 3, {}, true};
inline constexpr NumberKey kWeakBattery{section::kRuntime, "WeakBatteryPercent", 10, 95, 60, {}, true};
// Only files that follow a UPS over the network have them.
inline constexpr NumberKey kNetworkUpsPort{section::kNetworkUps, "Port", 1, 65535, 3493, {}, true};
inline constexpr NumberKey kDeadTime{section::kNetworkUps, "DeadTime", 5, 600, 15, {}, true};
}  // namespace key

// Every number key of the sections above, in the order of the file.
extern const std::array<const NumberKey*, 13> kNumberKeys;

// The key's value, or its default for a value it may not hold; the default
// taken for an absent (unless optional), blank, wordy or out-of-range value
// is recorded in the event log, once per key and value in a run.
int ReadNumber(const ConfigFile& file, const NumberKey& key);
// The same, with `outOfRange` for a value stored but not valid, recorded as
// `used` says (a port beyond the list is no port).
int ReadNumber(const ConfigFile& file, const NumberKey& key, int outOfRange, Text used);

// A number typed in a dialog: digits only, and a value the key may hold.
std::optional<int> TypedNumber(const NumberKey& key, const std::string& text);
// What a dialog says when it refuses a number: the field as it labels it,
// and the range ("First Warning Time After AC Fail: please enter a whole
// number from 1 to 50.").
std::string RangeMessage(const std::string& fieldLabel, const NumberKey& key);

// Link to the UPS (section Mscomm). The choice keys hold list positions.
struct LinkSettings {
  static constexpr int kUsbPort = 8;
  static constexpr int kNetworkUps = 9;  // section NetworkUps says which
  static constexpr int kNoPort = -1;
  int comboPort = 0;             // 0..7: COM1..COM8, 8: USB, 9: network
  std::optional<int> comboRate;  // 2400, 4800 or 9600 (its default for any other stored value)
  int comboCheck = 0;            // parity code: 0 none, 1 odd, 2 even
  int comboData = 4;             // data bits - 4
  int comboStop = 0;             // stop-bit code: 0 one, 1 one and a half, 2 two
};
LinkSettings ReadLinkSettings(const ConfigFile& file);

// History recording (section DataRecord).
struct RecordingSettings {
  bool enabled = false;     // HistoryZiLiao parses as 1
  int intervalSeconds = 5;  // HistoryTimerDelay
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

// The shutdown on the battery's estimated runtime (section Runtime): while
// on battery, when the estimate falls below the margin, as well as at the
// end of BatteryTime and on battery low. Off unless ShutdownOnRuntime=1, as
// it was before the estimate existed.
struct RuntimeSettings {
  bool shutdownOnRuntime = false;  // ShutdownOnRuntime
  int marginMinutes = 3;           // RuntimeMarginMinutes
  int weakBatteryPercent = 60;     // WeakBatteryPercent: health below it is told once
};
RuntimeSettings ReadRuntimeSettings(const ConfigFile& file);

// A UPS followed over the network, served by another computer (section
// NetworkUps, read when ComboPort=9).
struct NetworkUpsSettings {
  std::string host;             // Host: a name, or an IPv4 or IPv6 address (no brackets); empty: none
  int port = key::kNetworkUpsPort.fallback;  // Port
  std::string upsName = "ups";  // UpsName: the UPS's name on that server
  std::string user, password;   // User, Password: no user, no login (the server does not count this computer)
  int deadTimeSeconds = key::kDeadTime.fallback;  // DeadTime: on battery and silent this long counts as battery low
};
inline bool operator==(const NetworkUpsSettings& a, const NetworkUpsSettings& b) {
  return a.host == b.host && a.port == b.port && a.upsName == b.upsName && a.user == b.user &&
         a.password == b.password && a.deadTimeSeconds == b.deadTimeSeconds;
}
NetworkUpsSettings ReadNetworkUpsSettings(const ConfigFile& file);

// A name a client can send as one word: letters, digits and "-_.", at most 64.
bool IsShareableName(const std::string& name);
// What a resolver takes as a host: the characters of names and of IPv4 and
// IPv6 addresses (with a zone after "%"), at most 253. Blanks, quotes or
// brackets mean the line was typed wrong.
bool IsHost(const std::string& host);

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
// The leading whole number of a stored text (blanks, a sign, digits; what
// follows is ignored, as it always was); nothing when it has no digits.
std::optional<int> StoredNumber(const std::string& text);

}  // namespace voltaris
