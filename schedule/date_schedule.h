// The special-date schedule as data: seven numbered rows, each an optional
// shutdown of the computer and the UPS at a date and time, and an optional
// restart of the UPS at another. The scheduled shutdown acts on them beside
// the weekly rows (scheduled_shutdown.h).
#pragma once

#include <array>
#include <optional>
#include <string>

#include "base/local_clock.h"
#include "config/config_file.h"
#include "schedule/weekly_schedule.h"

namespace voltaris {

struct CalendarDate {
  int year = 0, month = 0, day = 0;
};

// "2008-1-15": year, month and day, each whole digits; nothing for any
// other text ("None", "2009", "15/1/2008"). Whether the date exists is
// DayNumber's to say.
std::optional<CalendarDate> ParseScheduleDate(const std::string& text);
// A date key's text: year, month and day without leading zeros ("2008-1-15").
std::string ScheduleDateText(CalendarDate date);

struct SpecialPart {
  bool enabled = false;
  CalendarDate date;
  TimeOfDay time;
};
struct SpecialRow {
  SpecialPart shutdown;  // SchemaSpecialRebootFlag<n>, ...Year<n>, ...Time<n>
  SpecialPart restart;   // SchemaSpecialShutFlag<n>, ...Year<n>, ...Time<n>
  // A ticked part's stored date or time could not be read: that part reads
  // as not ticked, and the row does not fire at all.
  bool damaged = false;
};
using SpecialSchedule = std::array<SpecialRow, 7>;  // [0] is row 1

// A ticked part whose date or time cannot be read (a date that does not
// exist included) is recorded in the event log, once, and damages its row.
SpecialSchedule ReadSpecialSchedule(const ConfigFile& config);

// "Event1 setting error!" .. "Event7 setting error!" for row 1..7.
std::string SpecialRowSettingError(int row);

// The dialog's OK, row by row. A row with its restart checked and its
// shutdown not is refused and nothing of it is written; so is a row with a
// checked part whose date or time does not exist, and one whose restart
// does not come 1 to 9999 whole minutes after its shutdown, in real minutes
// of `clock` as the UPS counts them (SpecialRestartFits). Otherwise a checked
// part is written as time, flag "1", date (the restart first when both are
// checked), and an unchecked part as date "None", time "None", flag "0"
// (the shutdown first). Writing stops at the first failure.
ScheduleSaveOutcome SaveSpecialSchedule(const ConfigFile& config, const SpecialSchedule& shown,
                                        const LocalClock& clock);

}  // namespace voltaris
