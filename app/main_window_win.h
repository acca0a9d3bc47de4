// The main window of class "Voltaris": hidden at start, lives behind the tray icon.
#pragma once

#include <windows.h>

namespace voltaris {

bool RegisterMainWindowClass(HINSTANCE instance);
// `headless`: the service's monitoring, with no window, tray or box shown.
HWND CreateMainWindow(HINSTANCE instance, bool headless = false);
// The window's menu, for the message loop's accelerators and the engine.
HMENU MainMenu();

}  // namespace voltaris
