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

}  // namespace

bool ClockPanel::Create(HINSTANCE instance, HWND topBar) {
  if (!CreateFrom<ClockPanel>(instance, topBar, IDD_CLOCK_PANEL)) return false;
  MoveWindow(hwnd_, 488, 4, 150, 100, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  return true;
}

void ClockPanel::OnInit(HWND panel) { SetTimer(panel, kClockTimer, 1000, nullptr); }

// Nobody sees the clock while the window is behind the tray icon or
// minimised: its timer stops, and the paint that comes when the window is shown starts it again.
void ClockPanel::Tick() {
  if (IsSeen(hwnd_)) {
    InvalidateRect(hwnd_, nullptr, FALSE);
  } else if (KillTimer(hwnd_, kClockTimer)) {
    asleep_ = true;
  }
}

void ClockPanel::OnDestroy() { KillTimer(hwnd_, kClockTimer); }

void ClockPanel::Paint() {
  if (asleep_ && SetTimer(hwnd_, kClockTimer, 1000, nullptr)) asleep_ = false;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  DrawBitmapAt(dc, InstanceOf(hwnd_), IDB_PANEL_BACK, 0, 0);
  const ClockTexts texts = ClockTextsOf(SystemLocalClock().Now());
  SetTextColor(dc, kRed);
  SetBkColor(dc, kPanelGrey);
  TextOutA(dc, 8, 12, texts.date.c_str(), static_cast<int>(texts.date.size()));
  TextOutA(dc, 25, 30, texts.weekday.c_str(), static_cast<int>(texts.weekday.size()));
  TextOutA(dc, 60, 50, texts.time.c_str(), static_cast<int>(texts.time.size()));
  EndPaint(hwnd_, &ps);
}

INT_PTR ClockPanel::OnMessage(UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_TIMER: Tick(); return TRUE;
    case WM_PAINT: Paint(); return TRUE;
    default: return FALSE;
  }
}

}  // namespace voltaris
