// The main window of class "Voltaris": hidden at start, lives behind the tray icon.
#pragma once

#include <windows.h>

namespace voltaris {

bool RegisterMainWindowClass(HINSTANCE instance);
HWND CreateMainWindow(HINSTANCE instance);
// The window's menu, for the message loop's accelerators and the engine.
HMENU MainMenu();

}  // namespace voltaris
