// The main window of class "Voltaris": hidden at start, lives behind the tray icon.
#pragma once

#include <windows.h>

namespace voltaris {

bool RegisterMainWindowClass(HINSTANCE instance);
HWND CreateMainWindow(HINSTANCE instance);

}  // namespace voltaris
