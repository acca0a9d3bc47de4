#include "config/alarm_dialog_win.h"

#include <string>

#include "gui/paint_win.h"
#include "i18n/catalogue.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr int kFrameWidth = 580, kFrameHeight = 380;
constexpr int kPageX = 70, kPageY = 59, kPageWidth = 500, kPageHeight = 320;
constexpr int kFirstField = 1032;  // 1032..1038, in the order of the keys
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct FieldLabel {
  Text text;
  int y;
};
constexpr FieldLabel kLabels[kAlarmTexts] = {
    {Text::LabelNormalMessage, 30},      {Text::LabelAcFailWarning, 60},   {Text::LabelAcRestored, 95},
    {Text::LabelLowBatteryWarning, 130}, {Text::LabelLowBatteryRestored, 160}, {Text::LabelShutdownWarning, 195},
    {Text::LabelCancelShutdown, 230},
};
constexpr int kLabelX = 20, kFieldX = 180, kFieldWidth = 300, kFieldHeight = 22;

}  // namespace

void AlarmDialog::Open() { OpenFrom<AlarmDialog>(instance_, owner_, IDD_ALARM_MESSAGE); }

void AlarmDialog::OnInit(HWND hwnd) {
  hwnd_ = hwnd;
  SetWindowTextA(hwnd, Tr(Text::CaptionAlarmMessage));
  labelFont_ = CreateLabelFont(15);
  fieldBrush_ = CreateSolidBrush(kWhite);
  SetClientSize(hwnd, kFrameWidth, kFrameHeight);
  CreateWindowExA(WS_EX_CLIENTEDGE, "pic6", "", WS_CHILD | WS_VISIBLE, 0, 0, 70, 370, hwnd, nullptr, instance_,
                  nullptr);
  CreateWindowExA(0, "pic7", "", WS_CHILD | WS_VISIBLE, 68, 0, 512, 60, hwnd, nullptr, instance_, nullptr);
  CreatePage();
}

void AlarmDialog::CreatePage() {
  page_ = CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_ALARM_MESSAGE_PAGE), hwnd_, PageProcedure,
                             reinterpret_cast<LPARAM>(this));
  if (!page_) return;
  for (int i = 0; i < kAlarmTexts; ++i) {
    CreateControl(page_, instance_, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kFieldX, kLabels[i].y - 3, kFieldWidth,
                  kFieldHeight, kFirstField + i, WS_EX_CLIENTEDGE);
  }
  MoveWindow(page_, kPageX, kPageY, kPageWidth, kPageHeight, FALSE);
  ShowTexts(ReadAlarmTexts(*config_));
  ShowWindow(page_, SW_SHOW);
}

void AlarmDialog::ShowTexts(const AlarmTexts& texts) {
  for (int i = 0; i < kAlarmTexts; ++i) SetDlgItemTextA(page_, kFirstField + i, texts[static_cast<size_t>(i)].c_str());
}

void AlarmDialog::OnOk() {
  AlarmTexts shown;
  for (int i = 0; i < kAlarmTexts; ++i) {
    const HWND field = GetDlgItem(page_, kFirstField + i);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(field)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(field, text.data(), static_cast<int>(text.size()))));
    shown[static_cast<size_t>(i)] = text;
  }
  if (SaidNotSaved(hwnd_, SaveAlarmTexts(*config_, shown),
                   std::string("The messages were not saved.") + kWritableFolderHint)) {
    return;
  }
  Destroy();
}

void AlarmDialog::OnPress(int x, int y) {
  if (kAlarmOkZone.Contains(x, y)) {
    OnOk();
  } else if (kAlarmCancelZone.Contains(x, y)) {
    Destroy();
  } else if (kAlarmDefaultZone.Contains(x, y)) {
    ShowTexts(DefaultAlarmTexts());
  }
}

void AlarmDialog::PaintPage() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(page_, &ps);
  DrawBitmapAt(dc, instance_, IDB_ALARM_BACK, -kPageX, -kPageY);  // the frame's picture, seen through
  DrawBitmapAt(dc, instance_, IDB_ALARM_OK, 335, 255);
  DrawBitmapAt(dc, instance_, IDB_ALARM_CANCEL, 390, 253);
  DrawBitmapAt(dc, instance_, IDB_ALARM_DEFAULT, 440, 257);
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old = SelectObject(dc, labelFont_);
  for (const FieldLabel& label : kLabels) {
    const char* text = Tr(label.text);
    TextOutA(dc, kLabelX, label.y, text, lstrlenA(text));
  }
  SelectObject(dc, old);
  EndPaint(page_, &ps);
}

void AlarmDialog::OnDestroy() {
  DeleteObject(fieldBrush_);
  fieldBrush_ = nullptr;
  page_ = nullptr;
  SkinnedDialog::OnDestroy();
}

INT_PTR AlarmDialog::OnMessage(UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_PAINT: PaintBitmaps(hwnd_, instance_, {{IDB_ALARM_BACK, 0, 0}}); return TRUE;
    case WM_CLOSE: Destroy(); return TRUE;
    default: return FALSE;
  }
}

INT_PTR AlarmDialog::OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_PAINT: PaintPage(); return TRUE;
    case WM_CTLCOLOREDIT:
      SetTextColor(reinterpret_cast<HDC>(wParam), kBlue);
      SetBkColor(reinterpret_cast<HDC>(wParam), kWhite);
      return reinterpret_cast<INT_PTR>(fieldBrush_);
    case WM_SETCURSOR: return HandOverZones(page_, wParam, lParam, {kAlarmOkZone, kAlarmCancelZone, kAlarmDefaultZone});
    case WM_LBUTTONDOWN: OnPress(x, y); return TRUE;
    default: return FALSE;
  }
}

INT_PTR CALLBACK AlarmDialog::PageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(page, DWLP_USER, lParam);
    return TRUE;
  }
  auto* self = reinterpret_cast<AlarmDialog*>(GetWindowLongPtrA(page, DWLP_USER));
  if (self == nullptr || self->page_ != page) return FALSE;
  return self->OnPageMessage(message, wParam, lParam);
}

}  // namespace voltaris
