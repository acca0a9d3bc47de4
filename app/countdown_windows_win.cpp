#include "app/countdown_windows_win.h"

#include "gui/dialog_win.h"
#include "gui/paint_win.h"
#include "i18n/catalogue.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr UINT_PTR kTriangleTimer = 1;
constexpr UINT kTriangleShowMs = 500;
constexpr int kWidth = 333, kHeight = 256;
constexpr RECT kTriangleArea{skin::kTriangleAt.x, skin::kTriangleAt.y, skin::kTriangleAt.x + 38,
                             skin::kTriangleAt.y + 43};
constexpr int kRuntimeLineY = 120;  // the battery's estimate, under the count line
constexpr COLORREF kLightBlue = RGB(214, 232, 248);

bool IsManual(CountdownWindow w) { return w == CountdownWindow::Manual; }
int TemplateOf(CountdownWindow w) {
  switch (w) {
    case CountdownWindow::Manual: return IDD_MANUAL_COUNTDOWN;
    case CountdownWindow::Schedule: return IDD_SCHEDULE_COUNTDOWN;
    case CountdownWindow::TenSecondTest: return IDD_TEN_SECOND_TEST;
    case CountdownWindow::UntilLowTest: return IDD_UNTIL_LOW_TEST;
    case CountdownWindow::TimedTest: return IDD_TIMED_TEST;
    default: return IDD_POWER_COUNTDOWN;
  }
}
int BackgroundOf(CountdownWindow w) {
  if (w == CountdownWindow::TenSecondTest) return IDB_SELFTEST_BACK;
  return IsManual(w) ? IDB_MANUAL_COUNTDOWN : IDB_POWER_COUNTDOWN;
}
HotZone OkZoneOf(CountdownWindow w) { return IsManual(w) ? skin::kManualOk : skin::kCountdownOk; }


// What a window's picture writes, to tell whether it must be drawn again.
std::string LinesOf(const CountdownPicture& p) {
  return p.markLine + "\n" + p.alarmLine + "\n" + p.normalLine + "\n" + p.runtimeLine + "\n" + CountLine(p);
}

void TextAt(HDC dc, int x, int y, const std::string& text) {
  TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

// The button pictures carry no words: they are written here, in the build's language.
void LabelZone(HDC dc, const HotZone& zone, const char* label) {
  RECT r{zone.left, zone.bottom + 2, zone.right + 1, zone.bottom + 16};
  DrawTextA(dc, label, -1, &r, DT_CENTER | DT_SINGLELINE | DT_NOCLIP);
}

}  // namespace

void CountdownWindows::Open(CountdownWindow window) {
  Slot& slot = SlotOf(window);
  if (slot.IsOpen()) return;
  slot = Slot{};
  slot.windows = this;
  slot.which = window;
  // No owner: a minimised main window would hide the windows it owns.
  if (!slot.Create(instance_, TemplateOf(window))) return;
  if (window == CountdownWindow::Drill) SetWindowTextA(slot.Handle(), Tr(Text::DrillCaption));
  SetWindowPos(slot.Handle(), HWND_TOPMOST, GetSystemMetrics(SM_CXSCREEN) / 2 - 161,
               GetSystemMetrics(SM_CYSCREEN) / 2 - 128, kWidth, kHeight, SWP_SHOWWINDOW);
}

void CountdownWindows::CloseAll() {
  for (size_t window = 0; window < kCountdownWindowCount; ++window) Close(static_cast<CountdownWindow>(window));
}

void CountdownWindows::Close(CountdownWindow window) {
  Slot& slot = SlotOf(window);
  if (slot.IsOpen()) slot.Close();
}

// The triangle shows now and goes after half a second; the lines are drawn afresh.
void CountdownWindows::Blink(CountdownWindow window, Triangle triangle) {
  Slot& slot = SlotOf(window);
  if (!slot.IsOpen()) return;
  slot.triangle = triangle;
  slot.triangleShown = true;
  InvalidateRect(slot.Handle(), nullptr, FALSE);
  SetTimer(slot.Handle(), kTriangleTimer, kTriangleShowMs, nullptr);
}

void CountdownWindows::OnTriangleTimer(Slot& slot) {
  KillTimer(slot.Handle(), kTriangleTimer);
  slot.triangleShown = false;
  InvalidateRect(slot.Handle(), &kTriangleArea, FALSE);
}

CountdownPicture CountdownWindows::PictureOf(CountdownWindow window) const {
  if (mirroring_) return mirrored_[static_cast<size_t>(window)].value_or(CountdownPicture{});
  switch (window) {
    case CountdownWindow::MainsFail: return mainsFail_->Picture();
    case CountdownWindow::BatteryLow: return batteryLow_->Picture();
    case CountdownWindow::Manual: return manual_->Picture();
    case CountdownWindow::Schedule: return schedule_->Picture();
    case CountdownWindow::TenSecondTest:
    case CountdownWindow::UntilLowTest:
    case CountdownWindow::TimedTest: return selfTests_->Picture(window);
    case CountdownWindow::Drill: return drill_->Picture();
  }
  return {};
}

// Drawn off-screen and copied, so nothing flickers.
void CountdownWindows::Paint(Slot& slot) {
  OffscreenPaint paint(slot.Handle());
  HDC dc = paint.Dc();
  HBRUSH blue = CreateSolidBrush(kLightBlue);
  FillRect(dc, &paint.Client(), blue);
  DeleteObject(blue);
  DrawBitmapAt(dc, instance_, BackgroundOf(slot.which), 0, 0);
  if (slot.triangleShown) {
    DrawBitmapAt(dc, instance_, slot.triangle == Triangle::Red ? IDB_RED_TRIANGLE : IDB_YELLOW_TRIANGLE,
                 skin::kTriangleAt);
  }
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(slot.Handle(), WM_GETFONT, 0, 0)));
  SetBkMode(dc, TRANSPARENT);
  const CountdownPicture picture = PictureOf(slot.which);
  if (!picture.markLine.empty()) TextAt(dc, 40, 60, picture.markLine);
  if (!picture.alarmLine.empty()) TextAt(dc, picture.alarmX, 80, picture.alarmLine);
  if (picture.showCount) TextAt(dc, picture.countX, 100, CountLine(picture));
  if (!picture.runtimeLine.empty()) TextAt(dc, picture.countX, kRuntimeLineY, picture.runtimeLine);
  if (!picture.normalLine.empty()) TextAt(dc, 40, 100, picture.normalLine);
  LabelZone(dc, OkZoneOf(slot.which), Tr(Text::ButtonOk));
  if (IsManual(slot.which)) LabelZone(dc, skin::kManualCancel, Tr(Text::ButtonCancel));
  SelectObject(dc, oldFont);
}

void CountdownWindows::OnMouseMove(Slot& slot, int x, int y) {
  slot.overOk = OkZoneOf(slot.which).Contains(x, y);
  slot.overCancel = IsManual(slot.which) && skin::kManualCancel.Contains(x, y);
}

void CountdownWindows::Mirror(const std::vector<ShownCountdown>& shown) {
  mirroring_ = true;
  std::array<const CountdownPicture*, kCountdownWindowCount> now{};
  for (const ShownCountdown& one : shown) now[static_cast<size_t>(one.which)] = &one.picture;
  for (size_t i = 0; i < kCountdownWindowCount; ++i) {
    const CountdownWindow window = static_cast<CountdownWindow>(i);
    if (!now[i]) {
      mirrored_[i].reset();
      dismissed_[i] = false;
      Close(window);
      continue;
    }
    const bool ticked = !mirrored_[i] || mirrored_[i]->seconds != now[i]->seconds;
    const bool redrawn = ticked || LinesOf(*mirrored_[i]) != LinesOf(*now[i]);
    mirrored_[i] = *now[i];
    if (dismissed_[i]) continue;
    Open(window);
    if (ticked) {
      Blink(window, Triangle::Red);
    } else if (redrawn) {
      InvalidateRect(SlotOf(window).Handle(), nullptr, FALSE);
    }
  }
}

// OK hides the window here only; Cancel of a shutdown or a test goes to the service.
void CountdownWindows::OnMirroredClick(Slot& slot) {
  const CountdownWindow window = slot.which;
  if (slot.overOk) {
    dismissed_[static_cast<size_t>(window)] = true;
    Close(window);
  } else if (slot.overCancel && cancel_) {
    cancel_(window);
  }
}

// The count-down closes the window itself: nothing of the slot is used after.
void CountdownWindows::OnClick(Slot& slot, int x, int y) {
  OnMouseMove(slot, x, y);
  if (mirroring_) return OnMirroredClick(slot);
  switch (slot.which) {
    case CountdownWindow::MainsFail:
      if (slot.overOk) mainsFail_->OnOk();
      else mainsFail_->OnPressOutsideOk();
      break;
    case CountdownWindow::BatteryLow:
      if (slot.overOk) batteryLow_->OnOk();
      break;
    case CountdownWindow::Manual:
      if (slot.overOk) manual_->OnOk();
      else if (slot.overCancel) manual_->Cancel();
      break;
    case CountdownWindow::Schedule:
      if (slot.overOk) schedule_->OnOk();
      break;
    case CountdownWindow::TenSecondTest:
    case CountdownWindow::UntilLowTest:
    case CountdownWindow::TimedTest:
      if (slot.overOk) selfTests_->OnOk(slot.which);
      break;
    case CountdownWindow::Drill:
      if (slot.overOk) drill_->OnOk();
      break;
  }
}

INT_PTR CountdownWindows::Slot::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_PAINT: windows->Paint(*this); return TRUE;
    case WM_ERASEBKGND: return TRUE;  // the paint covers everything
    case WM_TIMER:
      if (wParam == kTriangleTimer) windows->OnTriangleTimer(*this);
      return TRUE;
    case WM_MOUSEMOVE: windows->OnMouseMove(*this, x, y); return TRUE;
    case WM_SETCURSOR: return overOk || overCancel ? ShowHandCursor(hwnd_) : FALSE;
    case WM_LBUTTONDOWN: windows->OnClick(*this, x, y); return TRUE;
    default: return FALSE;
  }
}

}  // namespace voltaris
