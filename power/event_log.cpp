#include "power/event_log.h"

#include <iterator>

#include "base/text_ends.h"

namespace voltaris {

namespace {

using Level = EventLogLevel;

const EventLogRow kRows[] = {
    {Text::ServiceStartEvent, {1, Level::Information}},
    {Text::ServiceStopEvent, {2, Level::Information}},
    {Text::AcFailEvent, {10, Level::Warning}},
    {Text::AcRestoreEvent, {11, Level::Information}},
    {Text::BatteryLowEvent, {12, Level::Warning}},
    {Text::RuntimeLowEvent, {13, Level::Warning}},
    {Text::ServerForcedShutdownEvent, {14, Level::Warning}},
    {Text::ShutdownRefusedEvent, {21, Level::Error}},
    {Text::ShutdownNotCarriedOutEvent, {22, Level::Error}},
    {Text::SelfTestCommandNotSentEvent, {30, Level::Warning}},
    {Text::SwitchOffCommandNotSentEvent, {30, Level::Error}},
    {Text::SwitchOffMayHaveBeenSentEvent, {33, Level::Warning}},
    {Text::NetworkUpsAccessDenied, {31, Level::Error}},
    {Text::NetworkUpsUnknownName, {31, Level::Error}},
    {Text::NetworkUpsWrongLogin, {31, Level::Error}},
    {Text::NetworkUpsLoginRefused, {31, Level::Error}},
    {Text::SettingOutOfRangeEvent, {32, Level::Warning}},
    {Text::SettingMissingEvent, {32, Level::Warning}},
    {Text::ScheduleSettingNotValidEvent, {32, Level::Warning}},
    {Text::BatteryWeakEvent, {15, Level::Warning}},
    {Text::CommandNotStartedEvent, {40, Level::Error}},
    {Text::CommandTooLongEvent, {40, Level::Error}},
    {Text::CommandTooManyEvent, {40, Level::Error}},
    {Text::CommandOverTimeEvent, {40, Level::Warning}},
};

}  // namespace

const EventLogRow* EventLogRows(size_t* count) {
  *count = std::size(kRows);
  return kRows;
}

// Rows that carry a detail (the setting, the command) begin with their text.
std::optional<EventLogEntry> EventLogEntryForRow(const std::string& row) {
  for (const EventLogRow& each : kRows) {
    if (StartsWith(row, Tr(each.row))) return each.entry;
  }
  return std::nullopt;
}

void LogRow(EventLogPort& log, const std::string& row) {
  if (const std::optional<EventLogEntry> entry = EventLogEntryForRow(row)) log.Write(*entry, row);
}

}  // namespace voltaris
