#include "app/line_keeper_win.h"

#include "app/service_win.h"

#include <sddl.h>
#include <tlhelp32.h>

#include <initializer_list>

namespace voltaris {
namespace {

constexpr char kLineName[] = "Global\\VoltarisLine";
constexpr char kDesktopAsksName[] = "Global\\VoltarisDesktopAsks";
constexpr char kServiceBusyName[] = "Global\\VoltarisServiceBusy";
constexpr char kDesktopHoldsName[] = "Global\\VoltarisDesktopHolds";

// The system and administrators hold all rights; interactive users may wait
// on the objects and set them, which is all the hand-over needs.
constexpr char kSharedAccess[] = "D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;GRGWGX;;;IU)";

// A desktop program opens what exists first; the service creates, and gives
// objects that existed already (a desktop program started first made them,
// with its user's rights) the rights every logged-on user needs.
HANDLE Shared(HANDLE created, bool forService, PSECURITY_DESCRIPTOR descriptor) {
  if (created && forService && descriptor && GetLastError() == ERROR_ALREADY_EXISTS) {
    SetKernelObjectSecurity(created, DACL_SECURITY_INFORMATION, descriptor);
  }
  return created;
}

HANDLE SharedMutex(SECURITY_ATTRIBUTES* security, bool forService) {
  if (!forService) {
    if (HANDLE existing = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kLineName)) return existing;
  }
  return Shared(CreateMutexA(security, FALSE, kLineName), forService, security->lpSecurityDescriptor);
}

HANDLE SharedEvent(SECURITY_ATTRIBUTES* security, bool forService, const char* name) {
  if (!forService) {
    if (HANDLE existing = OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, name)) return existing;
  }
  return Shared(CreateEventA(security, TRUE, FALSE, name), forService, security->lpSecurityDescriptor);
}

void CloseIfOpen(HANDLE& handle) {
  if (handle) CloseHandle(handle);
  handle = nullptr;
}

}  // namespace

bool IsSet(HANDLE event) { return event && WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

LineObjects::~LineObjects() {
  for (HANDLE* handle : {&line, &desktopAsks, &serviceBusy, &desktopHolds}) CloseIfOpen(*handle);
}

bool LineObjects::Open(bool forService) {
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (ConvertStringSecurityDescriptorToSecurityDescriptorA(kSharedAccess, SDDL_REVISION_1, &descriptor, nullptr)) {
    security.lpSecurityDescriptor = descriptor;
  }
  line = SharedMutex(&security, forService);
  desktopAsks = SharedEvent(&security, forService, kDesktopAsksName);
  serviceBusy = SharedEvent(&security, forService, kServiceBusyName);
  desktopHolds = SharedEvent(&security, forService, kDesktopHoldsName);
  if (descriptor) LocalFree(descriptor);
  return line && desktopAsks && serviceBusy && desktopHolds;
}

bool ServiceInstalled() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return false;
  SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_QUERY_STATUS);
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return service != nullptr;
}

namespace {

DWORD ParentProcessId() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
  }
  CloseHandle(snapshot);
  return parent;
}

}  // namespace

bool HeadlessMayRead() {
  const DWORD service = ServiceProcessId();
  if (service != 0 && ParentProcessId() == service) return true;
  static LineObjects objects;  // kept: the line is held until the process ends
  if (!objects.line && !objects.Open(false)) return false;
  const DWORD taken = WaitForSingleObject(objects.line, 0);
  return taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED;
}

bool DesktopLineKeeper::Start(HWND window, UINT message) {
  window_ = window;
  message_ = message;
  quit_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (quit_) thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  if (thread_) return true;
  // No thread to wait with: monitor as a program without a service does,
  // unless a service may be reading the line.
  Post(ServiceInstalled() ? DesktopLine::ServiceSilent : DesktopLine::Holding);
  return false;
}

void DesktopLineKeeper::Release() {
  if (!thread_) return;
  SetEvent(quit_);
  WaitForSingleObject(thread_, 2000);
  CloseIfOpen(thread_);
  CloseIfOpen(quit_);
}

DWORD WINAPI DesktopLineKeeper::Run(void* self) {
  static_cast<DesktopLineKeeper*>(self)->Keep();
  return 0;
}

// A mutex belongs to the thread that took it: this thread takes it, holds
// it for the program's life and lets it go. A program that dies lets it go
// too (abandoned), and the service takes over.
void DesktopLineKeeper::Keep() {
  if (!OpenObjects()) return;
  const DWORD taken = WaitForSingleObject(objects_.line, 0);
  if (taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED && !WaitForTheService()) return;
  ResetEvent(objects_.desktopAsks);
  SetEvent(objects_.desktopHolds);
  Post(DesktopLine::Holding);
  WaitForSingleObject(quit_, INFINITE);
  ResetEvent(objects_.desktopHolds);
  ReleaseMutex(objects_.line);
}

// Objects that cannot be had while the service is installed leave the line
// closed (the service may be reading it); without a service it is ours.
bool DesktopLineKeeper::OpenObjects() {
  while (!objects_.Open(false)) {
    if (!ServiceInstalled()) {
      Post(DesktopLine::Holding);
      return false;
    }
    Post(DesktopLine::ServiceSilent);
    if (WaitForSingleObject(quit_, 1000) != WAIT_TIMEOUT) return false;
  }
  return true;
}

// The service holds the line: it is asked to let go (again at every look,
// so that no reset of the request on its side loses it), and the window is
// told whether it is busy with a power event or silent beyond its bound. A
// program that ends while it asks takes its request back.
bool DesktopLineKeeper::WaitForTheService() {
  DesktopHandOver handOver;
  DesktopLine told = handOver.Line();
  Post(told);
  const HANDLE waits[] = {quit_, objects_.line};
  for (;;) {
    SetEvent(objects_.desktopAsks);
    const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, kLookMs);
    if (woke == WAIT_OBJECT_0 + 1 || woke == WAIT_ABANDONED_0 + 1) return true;
    if (woke != WAIT_TIMEOUT) {  // the program ends
      ResetEvent(objects_.desktopAsks);
      return false;
    }
    const DesktopLine now = handOver.OnWaited(kLookMs, IsSet(objects_.serviceBusy));
    if (now != told) Post(now);
    told = now;
  }
}

}  // namespace voltaris
