// The About window: the program's picture for about four seconds, or until
// closed by hand.
#pragma once

#include <windows.h>

#include "gui/dialog_win.h"

namespace voltaris {

class AboutWindow : public SkinnedDialog {
 public:
  static constexpr int kTicksShown = 4;
  void Attach(HINSTANCE instance, HWND owner) {
    instance_ = instance;
    owner_ = owner;
  }
  // Command 40019: opens the window unless it is open.
  void Open();

 private:
  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  void OnInit(HWND hwnd);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnTick();
  void Close();

  HINSTANCE instance_ = nullptr;
  HWND owner_ = nullptr;
  int ticks_ = 0;
};

}  // namespace voltaris
