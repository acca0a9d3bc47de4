#include "power/timed_test_dialog_win.h"

#include <commctrl.h>

#include <string>

#include "config/settings.h"
#include "gui/dialog_win.h"
#include "gui/paint_win.h"
#include "i18n/catalogue.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr int kClientWidth = 350, kClientHeight = 180;
constexpr int kMinutesEdit = 1097, kMinutesUpDown = 201;


}  // namespace

void TimedTestDialog::Open() {
  if (OpenFrom<TimedTestDialog>(instance_, owner_, IDD_TIMED_TEST_SETTINGS)) tests_->OnTimedSettingsOpened();
}

void TimedTestDialog::OnInit(HWND hwnd) {
  SetWindowTextA(hwnd, Tr(Text::CaptionSpecialTimeSelfTest));
  SetClientSize(hwnd, kClientWidth, kClientHeight);
  HWND edit = GetDlgItem(hwnd, kMinutesEdit);
  MoveWindow(edit, 140, 50, 60, 24, TRUE);
  const NumberKey& key = key::kSpecialTimeTest;
  const int minutes = ReadNumber(*config_, key);
  CreateUpDownControl(WS_CHILD | WS_VISIBLE | WS_BORDER | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS, 0, 0, 0,
                      0, hwnd, kMinutesUpDown, instance_, edit, key.high, key.low, minutes);
  SetDlgItemInt(hwnd, kMinutesEdit, static_cast<UINT>(minutes), FALSE);
  labelFont_ = CreateLabelFont(16);
}

void TimedTestDialog::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  DrawBitmapAt(dc, instance_, IDB_PANEL_BACK, 0, 0);
  DrawBitmapAt(dc, instance_, IDB_OK, skin::kTimedTestOkAt);
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old = SelectObject(dc, labelFont_);
  const char* title = Tr(Text::SelfTestTitle);
  TextOutA(dc, 35, 55, title, lstrlenA(title));
  const char* minutes = Tr(Text::UnitMinutes);
  TextOutA(dc, 230, 55, minutes, lstrlenA(minutes));
  const HotZone& ok = skin::kTimedTestOk;
  RECT label{ok.left - 6, ok.bottom + 2, ok.right + 7, ok.bottom + 20};
  DrawTextA(dc, Tr(Text::ButtonOk), -1, &label, DT_CENTER | DT_SINGLELINE);
  SelectObject(dc, old);
  EndPaint(hwnd_, &ps);
}

void TimedTestDialog::OnOk() {
  char text[21] = "";
  GetDlgItemTextA(hwnd_, kMinutesEdit, text, sizeof text);
  // Not saved: the user's value stays on screen.
  const FileError saved = startElsewhere_ ? tests_->SaveTimedMinutes(text) : tests_->OnTimedSettingsOk(text);
  if (SaidNotSaved(hwnd_, saved, Tr(Text::MinutesNotSaved))) return;
  Destroy();
  if (startElsewhere_) startElsewhere_();
}

void TimedTestDialog::Close() {
  Destroy();
  tests_->OnTimedSettingsClosed();
}

INT_PTR TimedTestDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_PAINT: Paint(); return TRUE;
    case WM_SETCURSOR: return HandOverZones(hwnd_, wParam, lParam, {skin::kTimedTestOk});
    case WM_LBUTTONDOWN:
      if (skin::kTimedTestOk.Contains(x, y)) OnOk();
      return TRUE;
    case WM_CLOSE: Close(); return TRUE;
    default: return FALSE;
  }
}

}  // namespace voltaris
