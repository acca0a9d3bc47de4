#include "app/line_keeper_win.h"

#include <sddl.h>
#include <tlhelp32.h>

#include "app/service_win.h"

namespace voltaris {
namespace {

constexpr char kLineName[] = "Global\\VoltarisLine";
constexpr char kServiceAccess[] = "D:(A;;GA;;;SY)(A;;GA;;;BA)";

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
  // Refused: the service's, which only administrators may open, and it is reading.
  if (!line_) return held_ = GetLastError() != ERROR_ACCESS_DENIED;
  held_ = Took(WaitForSingleObject(line_, 0));
  return held_;
}

bool LineHold::TakeForService(HANDLE stop) {
  if (!line_) {
    SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorA(kServiceAccess, SDDL_REVISION_1, &descriptor, nullptr)) {
      security.lpSecurityDescriptor = descriptor;
    }
    line_ = CreateMutexA(&security, FALSE, kLineName);
    // Made before by a program of a user's: from now on the administrators' only.
    if (line_ && descriptor && GetLastError() == ERROR_ALREADY_EXISTS) {
      SetKernelObjectSecurity(line_, DACL_SECURITY_INFORMATION, descriptor);
    }
    if (descriptor) LocalFree(descriptor);
  }
  if (!line_) return false;
  const HANDLE waits[] = {stop, line_};
  const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  held_ = woke == WAIT_OBJECT_0 + 1 || woke == WAIT_ABANDONED_0 + 1;
  return held_;
}

void LineHold::Release() {
  if (held_ && line_) ReleaseMutex(line_);
  held_ = false;
  if (line_) CloseHandle(line_);
  line_ = nullptr;
}

bool ServiceInstalled() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return false;
  SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_QUERY_STATUS);
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return service != nullptr;
}

bool IsServiceMonitor(DWORD process) {
  const DWORD service = ServiceProcessId();
  return service != 0 && process != 0 && ParentOf(process) == service;
}

bool HeadlessMayRead() {
  if (IsServiceMonitor(GetCurrentProcessId())) return true;
  static LineHold line;  // kept: the line is held until the process ends
  return line.TryTake();
}

}  // namespace voltaris
