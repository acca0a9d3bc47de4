// The "StartUp" splash: the start-up picture for about three seconds.
#pragma once

#include <windows.h>

namespace voltaris {

bool RegisterSplashClass(HINSTANCE instance);
HWND CreateSplash(HINSTANCE instance, HWND owner);

// Moves a window, keeping its size and Z order, to the middle of the work area.
void CentreWindow(HWND window);

}  // namespace voltaris
