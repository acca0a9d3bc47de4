#include "app/event_log_win.h"

#include "base/text_ends.h"
#include "base/wide_text_win.h"

namespace voltaris {

namespace {

constexpr char kSource[] = "Voltaris";
constexpr char kSourceKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Voltaris";

WORD TypeOf(EventLogLevel level) {
  switch (level) {
    case EventLogLevel::Warning: return EVENTLOG_WARNING_TYPE;
    case EventLogLevel::Error: return EVENTLOG_ERROR_TYPE;
    default: return EVENTLOG_INFORMATION_TYPE;
  }
}

}  // namespace

WindowsEventLog::WindowsEventLog() : source_(RegisterEventSourceA(nullptr, kSource)) {}

WindowsEventLog::~WindowsEventLog() {
  if (source_) DeregisterEventSource(source_);
}

// The row as the records have it, less the blanks the tables indent it with.
void WindowsEventLog::Write(const EventLogEntry& entry, const std::string& text) {
  if (!source_) return;
  const std::wstring wide = WideFromWindows1252(std::string(WithoutEndBlanks(text)));
  const wchar_t* strings[] = {wide.c_str()};
  ReportEventW(source_, TypeOf(entry.level), 0, entry.id, nullptr, 1, 0, strings, nullptr);
}

DWORD RegisterEventLogSource(const std::string& program) {
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSourceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
  status = RegSetValueExA(key, "EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(program.c_str()),
                          static_cast<DWORD>(program.size() + 1));
  if (status == ERROR_SUCCESS) {
    status = RegSetValueExA(key, "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types), sizeof types);
  }
  RegCloseKey(key);
  return static_cast<DWORD>(status);
}

DWORD RemoveEventLogSource() {
  const LSTATUS status = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSourceKey);
  return status == ERROR_FILE_NOT_FOUND ? 0 : static_cast<DWORD>(status);
}

}  // namespace voltaris
