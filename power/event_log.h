// What goes to Windows' Application log under the Voltaris source: the rows
// an administrator looks for there (the service's start and stop, the
// mains, a low battery, each shutdown with its reason, a refused or failed
// shutdown, a refused command, login or setting, a command not run), each
// under an id of its own. Other rows stay in the program's own tables only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "i18n/catalogue.h"

namespace voltaris {

enum class EventLogLevel { Information, Warning, Error };

struct EventLogEntry {
  uint32_t id = 0;
  EventLogLevel level = EventLogLevel::Information;
};

struct EventLogRow {
  Text row;  // the recorded text, or its beginning when a detail follows
  EventLogEntry entry;
};

// The one list of logged rows and their ids (res/event_messages.mc has a
// message for each).
const EventLogRow* EventLogRows(size_t* count);
// The system shutdown, written with the sentence that says why.
constexpr EventLogEntry kSystemShutdownEntry{20, EventLogLevel::Warning};
// The service's own: its monitoring program could not start, or ended by
// itself (nothing watches the UPS until it runs again).
constexpr EventLogEntry kMonitorNotStartedEntry{50, EventLogLevel::Error};
constexpr EventLogEntry kMonitorEndedEntry{51, EventLogLevel::Error};
// Voltaris.exe /headless started while another program reads the UPS.
constexpr EventLogEntry kHeadlessRefusedEntry{52, EventLogLevel::Warning};
// A user's window asked the service for what the account may not do.
constexpr EventLogEntry kRequestRefusedEntry{53, EventLogLevel::Warning};
// The channel to users' windows could not be opened: they show nothing.
constexpr EventLogEntry kWindowChannelEntry{54, EventLogLevel::Error};
// The service's folder was refused: its settings and records stay in the program's.
constexpr EventLogEntry kServiceFolderEntry{55, EventLogLevel::Error};
// Every entry written other than for a row.
constexpr EventLogEntry kOwnEntries[] = {kSystemShutdownEntry, kMonitorNotStartedEntry, kMonitorEndedEntry,
                                        kHeadlessRefusedEntry, kRequestRefusedEntry,    kWindowChannelEntry,
                                        kServiceFolderEntry};

// None when the row is not one the log takes.
std::optional<EventLogEntry> EventLogEntryForRow(const std::string& row);

// Where the entries go: Windows' log, or a test's list.
class EventLogPort {
 public:
  virtual ~EventLogPort() = default;
  virtual void Write(const EventLogEntry& entry, const std::string& text) = 0;
};

// A recorded row, written when it is one the log takes.
void LogRow(EventLogPort& log, const std::string& row);

}  // namespace voltaris
