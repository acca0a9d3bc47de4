#include "schedule/date_schedule.h"

#include <algorithm>
#include <utility>

#include "config/settings.h"
#include "i18n/catalogue.h"
#include "schedule/scheduled_shutdown.h"

namespace voltaris {

CalendarDate ParseScheduleDate(const std::string& text) {
  const std::array<int, 3> p = SplitThreeNumbers(text, '-');
  return {p[0], p[1], p[2]};
}

std::string ScheduleDateText(CalendarDate date) {
  return std::to_string(date.year) + "-" + std::to_string(date.month) + "-" + std::to_string(date.day);
}

SpecialSchedule ReadSpecialSchedule(const ConfigFile& config) {
  SpecialSchedule schedule;
  for (int row = 1; row <= 7; ++row) {
    const SpecialEntry keys = ReadSpecialEntry(config, row);
    SpecialRow& r = schedule[static_cast<size_t>(row - 1)];
    r.shutdown = {keys.rebootActive, ParseScheduleDate(keys.rebootDate), ParseScheduleTime(keys.rebootTime)};
    r.restart = {keys.shutActive, ParseScheduleDate(keys.shutDate), ParseScheduleTime(keys.shutTime)};
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

ScheduleSaveOutcome SaveSpecialSchedule(const ConfigFile& config, const SpecialSchedule& shown) {
  ScheduleSaveOutcome outcome;
  for (int row = 1; row <= 7; ++row) {
    const SpecialRow& r = shown[static_cast<size_t>(row - 1)];
    if (r.restart.enabled && !r.shutdown.enabled) {
      outcome.refusedRows.push_back(row);
      continue;
    }
    // The UPS counts its restart in whole minutes after the shutdown, 1 to 9999.
    if (r.restart.enabled && !SpecialRestartFits(r)) {
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
