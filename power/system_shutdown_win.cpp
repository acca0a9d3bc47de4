#include "power/system_shutdown_win.h"

#include <windows.h>

namespace voltaris {

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

bool ShutdownSystem() {
  return EnableShutdownRight() && ExitWindowsEx(EWX_SHUTDOWN | EWX_FORCE, 0);
}

}  // namespace voltaris
