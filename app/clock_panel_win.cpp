#include "app/clock_panel_win.h"

#include "app/clock_texts.h"
#include "base/local_clock.h"
#include "gui/paint_win.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr UINT_PTR kClockTimer = 1124;
constexpr COLORREF kRed = 255;
constexpr COLORREF kPanelGrey = 0xE0E0E0;

void Paint(HWND panel) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(panel, &ps);
  DrawBitmapAt(dc, InstanceOf(panel), IDB_PANEL_BACK, 0, 0);
  const ClockTexts texts = ClockTextsOf(SystemLocalClock().Now());
  SetTextColor(dc, kRed);
  SetBkColor(dc, kPanelGrey);
  TextOutA(dc, 8, 12, texts.date.c_str(), static_cast<int>(texts.date.size()));
  TextOutA(dc, 25, 30, texts.weekday.c_str(), static_cast<int>(texts.weekday.size()));
  TextOutA(dc, 60, 50, texts.time.c_str(), static_cast<int>(texts.time.size()));
  EndPaint(panel, &ps);
}

INT_PTR CALLBACK ClockProcedure(HWND panel, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: SetTimer(panel, kClockTimer, 1000, nullptr); return TRUE;
    case WM_TIMER: InvalidateRect(panel, nullptr, FALSE); return TRUE;
    case WM_PAINT: Paint(panel); return TRUE;
    case WM_DESTROY: KillTimer(panel, kClockTimer); return FALSE;
    default: return FALSE;
  }
}

}  // namespace

HWND CreateClockPanel(HINSTANCE instance, HWND topBar) {
  HWND panel = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_CLOCK_PANEL), topBar, ClockProcedure, 0);
  if (panel == nullptr) return nullptr;
  MoveWindow(panel, 488, 4, 150, 100, FALSE);
  ShowWindow(panel, SW_SHOW);
  return panel;
}

}  // namespace voltaris
