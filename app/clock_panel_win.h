// The clock panel in the top button bar: date, weekday and time, in red,
// renewed every second by its own timer while the window can be seen.
#pragma once

#include <windows.h>

#include "gui/dialog_win.h"

namespace voltaris {

class ClockPanel : public KeptDialog {
 public:
  // Creates the panel (template 175) in the top bar at (488,4), 150 x 100.
  bool Create(HINSTANCE instance, HWND topBar);

 private:
  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  void OnInit(HWND panel);
  void OnDestroy();
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void Tick();

  bool asleep_ = false;  // the timer stopped while the window was hidden
};

}  // namespace voltaris
