// The main window of class "Voltaris": hidden at start, lives behind the tray icon.
#pragma once

#include <windows.h>

namespace voltaris {

bool RegisterMainWindowClass(HINSTANCE instance);
// `headless`: no window, tray or box shown; `serviceMonitor`: the service's
// own monitoring (its child), which serves its users' windows.
HWND CreateMainWindow(HINSTANCE instance, bool headless = false, bool serviceMonitor = false);
// The window's menu, for the message loop's accelerators and the engine.
HMENU MainMenu();

}  // namespace voltaris
