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

// Two or three whole numbers of 1 to `mostDigits` digits each, joined by
// `separator` ("22:5:0", "2008-1-15"); nothing for any other text. A third
// piece missing reads as 0.
std::optional<std::array<int, 3>> SplitNumbers(const std::string& text, char separator, size_t mostDigits);

bool IsTimeOfDay(TimeOfDay time);

// A time on the 24-hour clock, H:MM or H:MM:SS (one or two digits each, as
// "22:5:0" is written); nothing for any other text ("10:00 PM", "24:00",
// "7", "None"), which is never guessed at.
std::optional<TimeOfDay> ParseScheduleTime(const std::string& text);

struct WeeklyRow {
  bool shutdown = false;  // SchemaEveryRebootFlag<n> / SchemaEveryRebootTime<n>
  TimeOfDay shutdownAt;
  bool restart = false;   // SchemaEveryShutFlag<n> / SchemaEveryShutTime<n>
  TimeOfDay restartAt;
  // A ticked part's stored time could not be read: that part reads as not
  // ticked, and the row does not fire at all.
  bool damaged = false;
};
using WeeklySchedule = std::array<WeeklyRow, 7>;  // [0] is row 1, Monday

// A ticked part whose time is not a time of day is recorded in the event log
// (once per key and value in a run) and makes its row damaged.
WeeklySchedule ReadWeeklySchedule(const ConfigFile& config);

// A ticked part of a schedule row whose stored time or date cannot be read:
// the event log is told once, naming the key.
void NoteUnreadableSchedule(const ConfigFile& config, const std::string& key, const std::string& stored);

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
// refused: its restart keys stay as they were. So is a row with a checked
// part whose time is no time of day, and its shutdown keys too. The restart
// keys of the other rows are written first (time, then flag), then the
// shutdown keys; an unchecked part's time is "None". Writing stops at the
// first failure.
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
