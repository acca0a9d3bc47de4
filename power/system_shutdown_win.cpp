#include "power/system_shutdown_win.h"

#include <windows.h>

#include <string>

#include "base/wide_text_win.h"

namespace voltaris {

static_assert(kShutdownMajorPower == SHTDN_REASON_MAJOR_POWER, "reason codes as Windows defines them");
static_assert(kShutdownMinorEnvironment == SHTDN_REASON_MINOR_ENVIRONMENT, "reason codes as Windows defines them");
static_assert(kShutdownFlagPlanned == SHTDN_REASON_FLAG_PLANNED, "reason codes as Windows defines them");

bool EnableShutdownRight() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
  SetLastError(0);
  AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  // ERROR_NOT_ALL_ASSIGNED also lands here: the account may not shut down.
  const bool mayShutDown = GetLastError() == 0;
  CloseHandle(token);
  return mayShutDown;
}

bool ShutdownSystem(const ShutdownRequest& request) {
  if (!EnableShutdownRight()) return false;
  std::wstring why = WideFromWindows1252(Tr(request.why));
  // No grace of Windows' own: the count-down was the grace. Applications
  // are closed without asking, as a flat battery would not ask them.
  return InitiateSystemShutdownExW(nullptr, why.data(), 0, TRUE, FALSE, request.reasonCode) != FALSE;
}

bool ForceSystemShutdown(const ShutdownRequest& request) {
  // Under way, only late in telling this program: nothing to add to it.
  if (GetSystemMetrics(SM_SHUTTINGDOWN)) return true;
  return EnableShutdownRight() && ExitWindowsEx(EWX_SHUTDOWN | EWX_FORCE, request.reasonCode) != FALSE;
}

}  // namespace voltaris
