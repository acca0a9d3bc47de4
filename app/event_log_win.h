// Windows' Application log, under the source "Voltaris": registered at the
// service's installation (the program holds the message table), written by
// the service's monitoring, removed with the service.
#pragma once

#include <windows.h>

#include <string>

#include "power/event_log.h"

namespace voltaris {

class WindowsEventLog final : public EventLogPort {
 public:
  WindowsEventLog();
  ~WindowsEventLog() override;
  WindowsEventLog(const WindowsEventLog&) = delete;
  WindowsEventLog& operator=(const WindowsEventLog&) = delete;
  void Write(const EventLogEntry& entry, const std::string& text) override;

 private:
  HANDLE source_ = nullptr;
};

// The source names `program` as its message file. A Windows error, or 0.
DWORD RegisterEventLogSource(const std::string& program);
DWORD RemoveEventLogSource();

}  // namespace voltaris
