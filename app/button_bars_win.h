// The two picture button bars of the main window, "pic" on the left and
// "pic1" along the top (which holds the clock panel). A press is handed to
// the main window as a BarAction.
#pragma once

#include <windows.h>

#include "app/button_bars.h"

namespace voltaris {

class BarListener {
 public:
  virtual ~BarListener() = default;
  virtual void OnBarAction(BarAction action) = 0;
  virtual TopBarState TopBarNow() const = 0;
};

bool RegisterButtonBars(HINSTANCE instance);
// Creates both bars in `main` (ids 12 and 13), the clock panel in the top one.
bool CreateButtonBars(HINSTANCE instance, HWND main, BarListener& listener);

}  // namespace voltaris
