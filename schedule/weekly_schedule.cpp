#include "schedule/weekly_schedule.h"

#include <algorithm>

#include "base/number_text.h"
#include "config/settings.h"
#include "i18n/catalogue.h"
#include "ups/ups_protocol.h"

namespace voltaris {
namespace {

constexpr int kFriday = 5;
constexpr int kMinutesPerWeek = 10080;
constexpr int kMaxRestore = 9999;

}  // namespace

std::array<int, 3> SplitThreeNumbers(const std::string& text, char separator) {
  std::array<int, 3> pieces{};
  size_t at = 0;
  for (int& piece : pieces) {
    const size_t end = text.find(separator, at);
    piece = LeadingInteger(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return pieces;
}

TimeOfDay ParseScheduleTime(const std::string& text) {
  const std::array<int, 3> p = SplitThreeNumbers(text, ':');
  return {p[0], p[1], p[2]};
}

WeeklySchedule ReadWeeklySchedule(const ConfigFile& config) {
  WeeklySchedule schedule;
  for (int row = 1; row <= 7; ++row) {
    const WeeklyEntry keys = ReadWeeklyEntry(config, row);
    WeeklyRow& r = schedule[static_cast<size_t>(row - 1)];
    r.shutdown = keys.rebootActive;
    r.shutdownAt = ParseScheduleTime(keys.rebootTime);
    r.restart = keys.shutActive;
    r.restartAt = ParseScheduleTime(keys.shutTime);
  }
  return schedule;
}

std::string ScheduleTimeText(TimeOfDay time) {
  return std::to_string(time.hour) + ":" + std::to_string(time.minute) + ":" + std::to_string(time.second);
}

std::string RowSettingError(int row) {
  return Tr(static_cast<Text>(static_cast<int>(Text::MondaySettingError) + std::clamp(row, 1, 7) - 1));
}

namespace {

// One part of a row: its time key, then its flag.
FileError WritePart(const ConfigFile& config, const std::string& name, int row, bool enabled, TimeOfDay time) {
  const std::string n = std::to_string(row);
  return config.WriteInOrder(section::kSchema,
                             {{"SchemaEvery" + name + "Time" + n, enabled ? ScheduleTimeText(time) : "None"},
                              {"SchemaEvery" + name + "Flag" + n, enabled ? "1" : "0"}});
}

}  // namespace

ScheduleSaveOutcome SaveWeeklySchedule(const ConfigFile& config, const WeeklySchedule& shown) {
  ScheduleSaveOutcome outcome;
  for (int row = 1; row <= 7; ++row) {
    const WeeklyRow& r = shown[static_cast<size_t>(row - 1)];
    if (r.restart && !r.shutdown) {
      outcome.refusedRows.push_back(row);
      continue;
    }
    outcome.error = WritePart(config, "Shut", row, r.restart, r.restartAt);
    if (outcome.error) return outcome;
  }
  for (int row = 1; row <= 7; ++row) {
    const WeeklyRow& r = shown[static_cast<size_t>(row - 1)];
    outcome.error = WritePart(config, "Reboot", row, r.shutdown, r.shutdownAt);
    if (outcome.error) return outcome;
  }
  return outcome;
}

int RowOfWeekday(int weekday) { return weekday == 0 ? 7 : weekday; }

int ScheduleRestoreMinutes(TimeOfDay shutdown, TimeOfDay restart) {
  const int a = shutdown.hour * 60 + shutdown.minute;
  const int b = restart.hour * 60 + restart.minute;
  if (b > a) return b - a;
  const int l = a - b;
  return l > 81 ? kMinutesPerWeek - l : kMaxRestore;
}

// Without a restart the link library is told "stay off" (its own form), also
// on Friday, where the serial form carries no restore part at all.
std::optional<UpsControl> ScheduledSwitchOff(const WeeklyRow& entry, int row, int upsOffDelaySeconds) {
  if (entry.restart) {
    const int restore = ScheduleRestoreMinutes(entry.shutdownAt, entry.restartAt);
    return SwitchOffControl(upsOffDelaySeconds, restore, restore);
  }
  if (!entry.shutdown) return std::nullopt;
  if (row == kFriday) return SwitchOffControl(upsOffDelaySeconds, std::nullopt, std::nullopt);
  return SwitchOffControl(upsOffDelaySeconds, kMaxRestore, std::nullopt);
}

}  // namespace voltaris
