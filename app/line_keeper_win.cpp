#include "app/line_keeper_win.h"

#include <sddl.h>

#include <initializer_list>

namespace voltaris {
namespace {

constexpr char kLineName[] = "Global\\VoltarisLine";
constexpr char kStandDownName[] = "Global\\VoltarisStandDown";
constexpr char kServiceBusyName[] = "Global\\VoltarisServiceBusy";
constexpr char kDesktopHoldsName[] = "Global\\VoltarisDesktopHolds";

// The system and administrators hold all rights; interactive users may wait
// on the objects and set them, which is all the hand-over needs.
constexpr char kSharedAccess[] = "D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;GRGWGX;;;IU)";

HANDLE CreateOrOpenMutex(SECURITY_ATTRIBUTES* security, bool forService) {
  if (!forService) {
    if (HANDLE existing = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kLineName)) return existing;
  }
  return CreateMutexA(security, FALSE, kLineName);
}

HANDLE CreateOrOpenEvent(SECURITY_ATTRIBUTES* security, bool forService, bool manualReset, const char* name) {
  if (!forService) {
    if (HANDLE existing = OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, name)) return existing;
  }
  return CreateEventA(security, manualReset, FALSE, name);
}

void CloseIfOpen(HANDLE& handle) {
  if (handle) CloseHandle(handle);
  handle = nullptr;
}

}  // namespace

bool IsSet(HANDLE event) { return event && WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

LineObjects::~LineObjects() {
  for (HANDLE* handle : {&line, &standDown, &serviceBusy, &desktopHolds}) CloseIfOpen(*handle);
}

bool LineObjects::Open(bool forService) {
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (forService &&
      ConvertStringSecurityDescriptorToSecurityDescriptorA(kSharedAccess, SDDL_REVISION_1, &descriptor, nullptr)) {
    security.lpSecurityDescriptor = descriptor;
  }
  line = CreateOrOpenMutex(&security, forService);
  standDown = CreateOrOpenEvent(&security, forService, false, kStandDownName);
  serviceBusy = CreateOrOpenEvent(&security, forService, true, kServiceBusyName);
  desktopHolds = CreateOrOpenEvent(&security, forService, true, kDesktopHoldsName);
  if (descriptor) LocalFree(descriptor);
  return line && standDown && serviceBusy && desktopHolds;
}

bool DesktopLineKeeper::Start(HWND window, UINT message) {
  window_ = window;
  message_ = message;
  quit_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (quit_) thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  if (thread_) return true;
  Post(DesktopLine::Holding);  // no thread to wait with: monitor as a program without a service does
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
  if (!objects_.Open(false)) {
    Post(DesktopLine::Holding);  // no objects, so no service: the line is ours
    return;
  }
  const DWORD taken = WaitForSingleObject(objects_.line, 0);
  if (taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED && !WaitForTheService()) return;
  SetEvent(objects_.desktopHolds);
  Post(DesktopLine::Holding);
  WaitForSingleObject(quit_, INFINITE);
  ResetEvent(objects_.desktopHolds);
  ReleaseMutex(objects_.line);
}

// The service holds the line: it is asked to let go, and the window is told
// whether it is busy with a power event or silent beyond its bound.
bool DesktopLineKeeper::WaitForTheService() {
  SetEvent(objects_.standDown);
  DesktopHandOver handOver;
  DesktopLine told = handOver.Line();
  Post(told);
  const HANDLE waits[] = {objects_.line, quit_};
  for (;;) {
    const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, kLookMs);
    if (woke == WAIT_OBJECT_0 || woke == WAIT_ABANDONED_0) return true;
    if (woke != WAIT_TIMEOUT) return false;  // the program ends
    const DesktopLine now = handOver.OnWaited(kLookMs, IsSet(objects_.serviceBusy));
    if (now != told) Post(now);
    told = now;
  }
}

}  // namespace voltaris
