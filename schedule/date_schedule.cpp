#include "schedule/date_schedule.h"

#include <algorithm>
#include <utility>

#include "config/settings.h"
#include "i18n/catalogue.h"
#include "schedule/scheduled_shutdown.h"

namespace voltaris {

std::optional<CalendarDate> ParseScheduleDate(const std::string& text) {
  constexpr size_t kYearDigits = 4;
  const auto p = SplitNumbers(text, '-', kYearDigits);
  if (!p || (*p)[2] == 0) return std::nullopt;  // a day is needed: "2009-1" is no date
  return CalendarDate{(*p)[0], (*p)[1], (*p)[2]};
}

std::string ScheduleDateText(CalendarDate date) {
  return std::to_string(date.year) + "-" + std::to_string(date.month) + "-" + std::to_string(date.day);
}

namespace {

// A part as the row reads it: ticked only with a date that exists and a
// time of day; anything else is noted, naming the key it is in.
SpecialPart ReadPart(const ConfigFile& config, const std::string& keyStart, int row, bool ticked,
                     const std::string& storedDate, const std::string& storedTime, bool& damaged) {
  if (!ticked) return {};
  const std::string n = std::to_string(row);
  const auto date = ParseScheduleDate(storedDate);
  const auto time = ParseScheduleTime(storedTime);
  const bool dateExists = date && DayNumber(*date);
  if (!dateExists) NoteUnreadableSchedule(config, keyStart + "Year" + n, storedDate);
  if (!time) NoteUnreadableSchedule(config, keyStart + "Time" + n, storedTime);
  if (!dateExists || !time) {
    damaged = true;
    return {};
  }
  return {true, *date, *time};
}

}  // namespace

SpecialSchedule ReadSpecialSchedule(const ConfigFile& config) {
  SpecialSchedule schedule;
  for (int row = 1; row <= 7; ++row) {
    const SpecialEntry keys = ReadSpecialEntry(config, row);
    SpecialRow& r = schedule[static_cast<size_t>(row - 1)];
    r.shutdown = ReadPart(config, "SchemaSpecialReboot", row, keys.rebootActive, keys.rebootDate, keys.rebootTime,
                          r.damaged);
    r.restart = ReadPart(config, "SchemaSpecialShut", row, keys.shutActive, keys.shutDate, keys.shutTime, r.damaged);
  }
  return schedule;
}

std::string SpecialRowSettingError(int row) {
  return Tr(static_cast<Text>(static_cast<int>(Text::Event1SettingError) + std::clamp(row, 1, 7) - 1));
}

namespace {

// The keys' middle word: "Reboot" keys hold the shutdown, "Shut" keys the
// UPS's restart.
constexpr char kShutdown[] = "Reboot";
constexpr char kRestart[] = "Shut";

std::string Key(const char* part, const char* field, int row) {
  return std::string("SchemaSpecial") + part + field + std::to_string(row);
}

FileError WriteChecked(const ConfigFile& config, const char* part, int row, const SpecialPart& shown) {
  return config.WriteInOrder(section::kSchema, {{Key(part, "Time", row), ScheduleTimeText(shown.time)},
                                                {Key(part, "Flag", row), "1"},
                                                {Key(part, "Year", row), ScheduleDateText(shown.date)}});
}

FileError WriteUnchecked(const ConfigFile& config, const char* part, int row) {
  return config.WriteInOrder(
      section::kSchema,
      {{Key(part, "Year", row), "None"}, {Key(part, "Time", row), "None"}, {Key(part, "Flag", row), "0"}});
}

FileError SaveRow(const ConfigFile& config, int row, const SpecialRow& shown) {
  if (shown.shutdown.enabled && shown.restart.enabled) {
    if (FileError e = WriteChecked(config, kRestart, row, shown.restart)) return e;
    return WriteChecked(config, kShutdown, row, shown.shutdown);
  }
  const FileError e = shown.shutdown.enabled ? WriteChecked(config, kShutdown, row, shown.shutdown)
                                             : WriteUnchecked(config, kShutdown, row);
  return e ? e : WriteUnchecked(config, kRestart, row);
}

}  // namespace

ScheduleSaveOutcome SaveSpecialSchedule(const ConfigFile& config, const SpecialSchedule& shown,
                                        const LocalClock& clock) {
  ScheduleSaveOutcome outcome;
  for (int row = 1; row <= 7; ++row) {
    const SpecialRow& r = shown[static_cast<size_t>(row - 1)];
    const auto exists = [](const SpecialPart& p) { return !p.enabled || (DayNumber(p.date) && IsTimeOfDay(p.time)); };
    if ((r.restart.enabled && !r.shutdown.enabled) || !exists(r.shutdown) || !exists(r.restart)) {
      outcome.refusedRows.push_back(row);
      continue;
    }
    // The UPS counts its restart in whole real minutes after the shutdown, 1
    // to 9999, across a change of the clock too.
    if (r.restart.enabled && !SpecialRestartFits(r, clock)) {
      outcome.refusedRows.push_back(row);
      outcome.restartSpanRows.push_back(row);
      continue;
    }
    outcome.error = SaveRow(config, row, r);
    if (outcome.error) break;
  }
  return outcome;
}

}  // namespace voltaris
