// The clock panel in the top button bar: date, weekday and time, in red,
// renewed every second by its own timer.
#pragma once

#include <windows.h>

namespace voltaris {

// Creates the panel (template 175) in the top bar at (488,4), 150 x 100.
HWND CreateClockPanel(HINSTANCE instance, HWND topBar);

}  // namespace voltaris
