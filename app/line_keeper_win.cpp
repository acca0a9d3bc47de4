#include "app/line_keeper_win.h"

#include <tlhelp32.h>

#include <optional>

#include "app/service_win.h"

namespace voltaris {
namespace {

constexpr char kLineName[] = "Global\\VoltarisLine";

bool Took(DWORD waited) { return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED; }

// The parent of `process`, or 0 when it cannot be told.
DWORD ParentOf(DWORD process) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == process) parent = entry.th32ParentProcessID;
  }
  CloseHandle(snapshot);
  return parent;
}

}  // namespace

bool LineHold::TryTake() {
  if (held_) return true;
  if (!line_) line_ = OpenMutexA(SYNCHRONIZE, FALSE, kLineName);
  if (!line_) line_ = CreateMutexA(nullptr, FALSE, kLineName);
  held_ = !line_ || Took(WaitForSingleObject(line_, 0));
  return held_;
}

void LineHold::Release() {
  if (held_ && line_) ReleaseMutex(line_);
  held_ = false;
  if (line_) CloseHandle(line_);
  line_ = nullptr;
}

// Only the service manager's word that there is none counts as none: a
// question it refuses must not let a second reader beside the service.
bool ServiceInstalled() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return true;
  SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_QUERY_STATUS);
  const DWORD error = service ? 0 : GetLastError();
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return error != ERROR_SERVICE_DOES_NOT_EXIST;
}

namespace {

// When `process` began, or nothing when this account may not ask.
std::optional<ULONGLONG> CreatedAt(DWORD process) {
  HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
  if (!handle) return std::nullopt;
  FILETIME created, exited, kernel, user;
  const BOOL known = GetProcessTimes(handle, &created, &exited, &kernel, &user);
  CloseHandle(handle);
  if (!known) return std::nullopt;
  return (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

// A process whose parent ended before the service began names the
// service's id as its parent only because the id was given again: a child
// never begins before its parent.
bool BeganBefore(DWORD child, DWORD parent) {
  const auto childAt = CreatedAt(child), parentAt = CreatedAt(parent);
  return childAt && parentAt && *childAt < *parentAt;
}

}  // namespace

bool IsServiceMonitor(DWORD process) {
  const DWORD service = ServiceProcessId();
  return service != 0 && process != 0 && ParentOf(process) == service && !BeganBefore(process, service);
}

bool HandStartedMayRead() {
  if (ServiceInstalled()) return false;
  static LineHold line;  // kept: the line is held until the process ends
  return line.TryTake();
}

}  // namespace voltaris
