// The two picture button bars of the main window, "pic" on the left and
// "pic1" along the top (which holds the clock panel). A press is handed to
// the main window as a BarAction.
#pragma once

#include <windows.h>

#include "app/button_bars.h"
#include "app/clock_panel_win.h"

namespace voltaris {

class BarListener {
 public:
  virtual ~BarListener() = default;
  virtual void OnBarAction(BarAction action) = 0;
  virtual TopBarState TopBarNow() const = 0;
};

// One bar's window: whom it tells of a press, and in the top bar the clock.
struct ButtonBar {
  HWND hwnd = nullptr;
  BarListener* listener = nullptr;

  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  bool IsTop() const;
  std::optional<BarAction> ZoneAt(int x, int y) const;
  LRESULT OnCreate(HINSTANCE instance);
  LRESULT OnPaint();
  LRESULT OnPress(int x, int y);

  ClockPanel clock_;
};

// The bars the main window keeps.
class ButtonBars {
 public:
  // Creates both bars in `main` (ids 12 and 13), the clock panel in the top one.
  bool Create(HINSTANCE instance, HWND main, BarListener& listener);

 private:
  ButtonBar left_, top_;
};

bool RegisterButtonBars(HINSTANCE instance);

}  // namespace voltaris
