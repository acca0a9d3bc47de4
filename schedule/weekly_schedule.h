// The weekly schedule as data: seven rows (1 Monday .. 7 Sunday), each a
// shutdown of the computer and the UPS at a time of day and, optionally, the
// UPS's restart later, and the switch-off-and-restore command its end sends.
// When a shutdown is due: scheduled_shutdown.h.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "base/local_clock.h"
#include "config/config_file.h"
#include "ups/ups_protocol.h"

namespace voltaris {

struct TimeOfDay {
  int hour = 0, minute = 0, second = 0;
  int Seconds() const { return hour * 3600 + minute * 60 + second; }
};

// Three numbers joined by `separator` ("22:5:0", "2008-1-15"), each read
// as its leading number; missing pieces are 0.
std::array<int, 3> SplitThreeNumbers(const std::string& text, char separator);

// "22:5:0": hour, minute, second; missing pieces are 0 ("None" reads as 0:0:0).
TimeOfDay ParseScheduleTime(const std::string& text);

struct WeeklyRow {
  bool shutdown = false;  // SchemaEveryRebootFlag<n> / SchemaEveryRebootTime<n>
  TimeOfDay shutdownAt;
  bool restart = false;   // SchemaEveryShutFlag<n> / SchemaEveryShutTime<n>
  TimeOfDay restartAt;
};
using WeeklySchedule = std::array<WeeklyRow, 7>;  // [0] is row 1, Monday

WeeklySchedule ReadWeeklySchedule(const ConfigFile& config);

// A time key's text: hour, minute and second without leading zeros ("22:5:0").
std::string ScheduleTimeText(TimeOfDay time);

// "Monday setting error!" .. "Sunday setting error!" for row 1..7.
std::string RowSettingError(int row);

// What a schedule dialog's OK did: the rows it refused, and the write that
// failed, which ended the save.
struct ScheduleSaveOutcome {
  std::vector<int> refusedRows;  // 1..7, in order
  std::vector<int> restartSpanRows;  // those of them refused for a restart the UPS cannot carry out
  FileError error;
};

// The dialog's OK. A row with its restart checked and its shutdown not is
// refused: its restart keys stay as they were. The restart keys of the other
// rows are written first (time, then flag), then every row's shutdown keys;
// an unchecked part's time is "None". Writing stops at the first failure.
ScheduleSaveOutcome SaveWeeklySchedule(const ConfigFile& config, const WeeklySchedule& shown);

// The row of a weekday (0 Sunday .. 6 Saturday): 1 Monday .. 7 Sunday.
int RowOfWeekday(int weekday);

// Minutes from the shutdown to the UPS's restart (seconds ignored): later the
// same day, or the restart time of the same weekday a week later (10080
// minutes), or 9999 when that is within 81 minutes of a week.
int ScheduleRestoreMinutes(TimeOfDay shutdown, TimeOfDay restart);

// The end step's command for row `row` (1..7). Serial: with a restart
// "S0" d "R" rrrr CR; without one "S0" d "R9999" CR, and on Friday "S0" d CR.
// Nothing when the row has neither part enabled.
std::optional<UpsControl> ScheduledSwitchOff(const WeeklyRow& entry, int row, int upsOffDelaySeconds);

}  // namespace voltaris
