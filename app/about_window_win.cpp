#include "app/about_window_win.h"

#include "gui/dialog_win.h"
#include "gui/paint_win.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr UINT_PTR kAboutTimer = 2024;
constexpr int kWidth = 344, kHeight = 206;

}  // namespace

void AboutWindow::Open() { OpenFrom<AboutWindow>(instance_, owner_, IDD_ABOUT); }

void AboutWindow::OnInit(HWND hwnd) {
  ticks_ = 0;
  SetClientSize(hwnd, kWidth, kHeight);
  SetTimer(hwnd, kAboutTimer, 1000, nullptr);
}

void AboutWindow::OnTick() {
  if (++ticks_ >= kTicksShown) Close();
}

void AboutWindow::Close() {
  KillTimer(hwnd_, kAboutTimer);
  ticks_ = 0;
  Destroy();
}

INT_PTR AboutWindow::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_PAINT: PaintBitmaps(hwnd_, instance_, {{IDB_SPLASH, 0, 0}}); return TRUE;
    case WM_TIMER:
      if (wParam == kAboutTimer) OnTick();
      return TRUE;
    case WM_LBUTTONDOWN:  // it has no caption: a click closes it
    case WM_CLOSE: Close(); return TRUE;
    default: return FALSE;
  }
}

}  // namespace voltaris
