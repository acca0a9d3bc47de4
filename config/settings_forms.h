// The two settings dialogs as data: what their lists, pages and fields show
// of UpsConfigure.ini, their defaults, and what OK writes, in its order.
// Only the page on display is saved; a failed write is returned, so that the
// dialog can stay open with the user's values.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "config/config_file.h"
#include "config/settings.h"
#include "i18n/catalogue.h"

namespace voltaris {

// ---- "UPS  Setting Configure" -----------------------------------------------

// List positions: an absent or blank key shows its default, as the link
// reads it; a stored value that is not one of the list's shows none (-1).
struct LinkChoice {
  static constexpr int kUsb = LinkSettings::kUsbPort;  // "COM1".."COM8", then "USB",
  static constexpr int kNetwork = LinkSettings::kNetworkUps;  // then "Network UPS"
  int port = -1, rate = -1, parity = -1, dataBits = -1, stopBits = -1;
};
constexpr const char* kRateChoices[] = {"2400", "4800", "9600"};
constexpr const char* kOffDelayChoices[] = {"60", "120", "180", "240", "300", "360", "420", "480", "540", "600"};

LinkChoice ReadLinkChoice(const ConfigFile& config);

// The controls a port choice can use: the line's lists for a COM port (and
// while none is chosen), the network fields for a network UPS; USB uses
// neither. The others are greyed.
struct LinkControls {
  bool serialLists = false;
  bool networkFields = false;
};
LinkControls ControlsFor(int port);

// The network UPS's fields (section NetworkUps) as stored; an absent or
// blank key shows its default, as it is read; a stored value the program
// does not take shows as it is, for OK to refuse until it is mended.
struct NetworkUpsFields {
  std::string host, port, upsName, user, password, deadTime;
};
NetworkUpsFields ReadNetworkUpsFields(const ConfigFile& config);

enum class SettingsPage { Link, Recording, Warning, Battery };

// The page bar's icons (its own pixels, bounds inclusive).
std::optional<SettingsPage> PageIconAt(int x, int y);

// A number field of a page: its label and unit as the page shows them, and
// its key, whose range the field's up-down control and OK keep to.
struct NumberField {
  Text label;
  Text unit;
  const NumberKey& key;
};
inline constexpr NumberField kIntervalField{Text::LabelSetInterval, Text::UnitSeconds, key::kHistoryTimerDelay};
inline constexpr NumberField kFirstWarningField{Text::LabelFirstWarning, Text::UnitSeconds, key::kCutAcTime};
inline constexpr NumberField kScheduleWarningField{Text::LabelScheduleWarning, Text::UnitMinutes, key::kShutTime};
inline constexpr NumberField kPeriodField{Text::LabelPeriodWarning, Text::UnitSeconds, key::kShutAlarmTime};
inline constexpr NumberField kLifeField{Text::LabelBatteryLife, Text::UnitMinutes, key::kBatteryTime};
inline constexpr NumberField kLowLifeField{Text::LabelLowBatteryLife, Text::UnitMinutes, key::kBatteryEndTime};

// The fields show the stored texts; an absent or blank key shows its
// default, as it is read; a stored value out of its range shows as it is,
// for OK to refuse until it is mended.
struct RecordingPage {
  bool enabled = false;   // HistoryZiLiao
  std::string interval;   // HistoryTimerDelay, seconds
};
struct WarningPage {
  std::string firstWarning;     // CutACTimeMessage, seconds
  std::string scheduleWarning;  // ShutTimeMessage, minutes
  std::string period;           // ShutAlarmTimeMessage, seconds
};
struct BatteryPage {
  std::string life;     // BatteryTime, minutes
  std::string lowLife;  // BatteryEndTime, minutes
  int offDelay = -1;    // BefoShutDownTime as a position of kOffDelayChoices
};

RecordingPage ReadRecordingPage(const ConfigFile& config);
WarningPage ReadWarningPage(const ConfigFile& config);
BatteryPage ReadBatteryPage(const ConfigFile& config);
// Default fills the page's numbers; the recording box stays as it is.
constexpr char kDefaultInterval[] = "5";
WarningPage DefaultWarningPage();
BatteryPage DefaultBatteryPage();

struct ShownSettings {
  LinkChoice link;
  NetworkUpsFields network;  // used while the network UPS is chosen
  SettingsPage page = SettingsPage::Link;  // the page on display
  RecordingPage recording;
  WarningPage warning;
  BatteryPage battery;
};

// What OK says when a number field of the page on display holds a value its
// key may not (the first such field, with its range), or, with the network
// UPS chosen, when one of its fields holds what the program would not read
// back; nothing when all fit. The host, UPS name and user are taken without
// the blanks at their ends.
std::optional<std::string> RefusalOf(const ShownSettings& shown);

// OK: the page on display's keys, then, with the network UPS chosen, Host,
// Port, UpsName, User, Password and DeadTime of NetworkUps, then ComboPort,
// ComboData, ComboStop, ComboCheck and, when a rate is chosen, ComboRate.
// Nothing is written while RefusalOf has something to say (it is returned as
// the failure).
FileError SaveSettings(const ConfigFile& config, const ShownSettings& shown);

// ---- "Alarm Message" -----------------------------------------------------------

constexpr int kAlarmTexts = 7;
using AlarmTexts = std::array<std::string, kAlarmTexts>;
// NormalMessage, AcInterruptlMessage, AcNormalMessage, BatteryLowMessage,
// BatteryNormalMessage, ShutDownMessage, ShutDownCancelMessage.
extern const std::array<const char*, kAlarmTexts> kAlarmTextKeys;
constexpr size_t kAlarmTextMax = 99;

AlarmTexts ReadAlarmTexts(const ConfigFile& config);
AlarmTexts DefaultAlarmTexts();
// Each text cut to 99 characters, written in the order of the keys.
FileError SaveAlarmTexts(const ConfigFile& config, const AlarmTexts& shown);

}  // namespace voltaris
