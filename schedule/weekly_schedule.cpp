#include "schedule/weekly_schedule.h"

#include <algorithm>
#include <cctype>

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

std::optional<std::array<int, 3>> SplitNumbers(const std::string& text, char separator, size_t mostDigits) {
  std::array<int, 3> pieces{};
  size_t count = 0, at = 0;
  for (;;) {
    const size_t end = std::min(text.find(separator, at), text.size());
    const std::string piece = text.substr(at, end - at);
    if (count == pieces.size() || piece.empty() || piece.size() > mostDigits ||
        !std::all_of(piece.begin(), piece.end(), [](unsigned char c) { return std::isdigit(c); })) {
      return std::nullopt;
    }
    pieces[count++] = LeadingInteger(piece);
    if (end == text.size()) break;
    at = end + 1;
  }
  if (count < 2) return std::nullopt;
  return pieces;
}

bool IsTimeOfDay(TimeOfDay t) {
  return t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 && t.second < 60;
}

std::optional<TimeOfDay> ParseScheduleTime(const std::string& text) {
  const auto p = SplitNumbers(text, ':', 2);
  if (!p) return std::nullopt;
  const TimeOfDay time{(*p)[0], (*p)[1], (*p)[2]};
  return IsTimeOfDay(time) ? std::optional<TimeOfDay>(time) : std::nullopt;
}

void NoteUnreadableSchedule(const ConfigFile& config, const std::string& key, const std::string& stored) {
  config.NoteNotUsed(std::string(section::kSchema) + "/" + key, stored,
                     Tr(Text::ScheduleSettingNotValidEvent) + key + Tr(Text::ScheduleRowNotUsed));
}

namespace {

// A part as the row reads it: ticked only with a time that can be read;
// one that cannot is noted and damages the row.
void ReadPart(const ConfigFile& config, const std::string& key, bool ticked, const std::string& stored, bool& enabled,
              TimeOfDay& at, bool& damaged) {
  if (!ticked) return;
  const auto time = ParseScheduleTime(stored);
  if (!time) {
    NoteUnreadableSchedule(config, key, stored);
    damaged = true;
    return;
  }
  enabled = true;
  at = *time;
}

}  // namespace

// "10:00 PM" once read as 10:00 in the morning: a time that is not plainly
// one of the 24-hour clock now keeps its whole row from firing, and says so.
WeeklySchedule ReadWeeklySchedule(const ConfigFile& config) {
  WeeklySchedule schedule;
  for (int row = 1; row <= 7; ++row) {
    const WeeklyEntry keys = ReadWeeklyEntry(config, row);
    const std::string n = std::to_string(row);
    WeeklyRow& r = schedule[static_cast<size_t>(row - 1)];
    ReadPart(config, "SchemaEveryRebootTime" + n, keys.rebootActive, keys.rebootTime, r.shutdown, r.shutdownAt,
             r.damaged);
    ReadPart(config, "SchemaEveryShutTime" + n, keys.shutActive, keys.shutTime, r.restart, r.restartAt, r.damaged);
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
  const auto timesFit = [](const WeeklyRow& r) {
    return (!r.shutdown || IsTimeOfDay(r.shutdownAt)) && (!r.restart || IsTimeOfDay(r.restartAt));
  };
  for (int row = 1; row <= 7; ++row) {
    const WeeklyRow& r = shown[static_cast<size_t>(row - 1)];
    if ((r.restart && !r.shutdown) || !timesFit(r)) {
      outcome.refusedRows.push_back(row);
      continue;
    }
    outcome.error = WritePart(config, "Shut", row, r.restart, r.restartAt);
    if (outcome.error) return outcome;
  }
  for (int row = 1; row <= 7; ++row) {
    const WeeklyRow& r = shown[static_cast<size_t>(row - 1)];
    if (!timesFit(r)) continue;
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
