// Entry point: one copy per machine, the hidden main window, the message loop.
#include <windows.h>

#include "app/main_window_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // A second copy shows nothing and leaves at once. The handle stays open for
  // the life of the process: it is what marks this copy as the running one.
  HANDLE mutex = CreateMutexA(nullptr, TRUE, "Voltaris");
  if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return 0;
  }
  if (!voltaris::RegisterMainWindowClass(instance)) return 0;
  HWND main = voltaris::CreateMainWindow(instance);
  if (main == nullptr) return 0;

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
