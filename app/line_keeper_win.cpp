#include "app/line_keeper_win.h"

#include <tlhelp32.h>

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

// The service manager writes a service's key as it installs it and takes
// it away only once it is deleted: no key is no service. Asking the
// registry costs one call; asking the manager, a conversation over its pipe,
// which a copy looking every ten seconds would hold each time.
bool NoServiceKey() {
  const std::string path = std::string("SYSTEM\\CurrentControlSet\\Services\\") + kServiceName;
  HKEY key = nullptr;
  const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key);
  if (opened == ERROR_SUCCESS) RegCloseKey(key);
  return opened == ERROR_FILE_NOT_FOUND;
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

// Only the registry's or the service manager's word that there is none
// counts as none: a question refused must not let a second reader beside
// the service.
bool ServiceInstalled() {
  if (NoServiceKey()) return false;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return true;
  SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_QUERY_STATUS);
  const DWORD error = service ? 0 : GetLastError();
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return error != ERROR_SERVICE_DOES_NOT_EXIST;
}

bool IsServiceMonitor(DWORD process) {
  const DWORD service = ServiceProcessId();
  return service != 0 && process != 0 && ParentOf(process) == service;
}

bool HandStartedMayRead() {
  if (ServiceInstalled()) return false;
  static LineHold line;  // kept: the line is held until the process ends
  return line.TryTake();
}

}  // namespace voltaris
