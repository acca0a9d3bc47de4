#include "config/alarm_dialog_win.h"

#include <string>

#include "gui/paint_win.h"
#include "i18n/catalogue.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr int kFrameWidth = 580, kFrameHeight = 380;
constexpr int kPageWidth = 500, kPageHeight = 320;
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
  SetWindowTextA(hwnd, Tr(Text::CaptionAlarmMessage));
  labelFont_ = CreateLabelFont(15);
  fieldBrush_ = CreateSolidBrush(kWhite);
  SetClientSize(hwnd, kFrameWidth, kFrameHeight);
  sidePane_.Create(hwnd, instance_, "pic6", WS_EX_CLIENTEDGE, 0, 0, 70, 370);
  strip_.Create(hwnd, instance_, "pic7", 0, 68, 0, 512, 60);
  CreatePage();
}

void AlarmDialog::CreatePage() {
  HWND page = page_.Create(instance_, hwnd_, IDD_ALARM_MESSAGE_PAGE);
  if (!page) return;
  for (int i = 0; i < kAlarmTexts; ++i) {
    CreateControl(page, instance_, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kFieldX, kLabels[i].y - 3, kFieldWidth,
                  kFieldHeight, kFirstField + i, WS_EX_CLIENTEDGE);
  }
  MoveWindow(page, skin::kAlarmPageAt.x, skin::kAlarmPageAt.y, kPageWidth, kPageHeight, FALSE);
  ShowTexts(ReadAlarmTexts(*config_));
  ShowWindow(page, SW_SHOW);
}

void AlarmDialog::ShowTexts(const AlarmTexts& texts) {
  for (int i = 0; i < kAlarmTexts; ++i) {
    SetDlgItemTextA(page_.Handle(), kFirstField + i, texts[static_cast<size_t>(i)].c_str());
  }
}

void AlarmDialog::OnOk() {
  AlarmTexts shown;
  for (int i = 0; i < kAlarmTexts; ++i) {
    const HWND field = GetDlgItem(page_.Handle(), kFirstField + i);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(field)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(field, text.data(), static_cast<int>(text.size()))));
    shown[static_cast<size_t>(i)] = text;
  }
  if (SaidNotSaved(hwnd_, SaveAlarmTexts(*config_, shown),
                   std::string(Tr(Text::MessagesNotSaved)) + Tr(Text::WritableFolderHint))) {
    return;
  }
  Destroy();
}

void AlarmDialog::OnPress(int x, int y) {
  if (skin::kAlarmOk.Contains(x, y)) {
    OnOk();
  } else if (skin::kAlarmCancel.Contains(x, y)) {
    Destroy();
  } else if (skin::kAlarmDefault.Contains(x, y)) {
    ShowTexts(DefaultAlarmTexts());
  }
}

void AlarmDialog::PaintPage() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(page_.Handle(), &ps);
  // the frame's picture, seen through
  DrawBitmapAt(dc, instance_, IDB_ALARM_BACK, -skin::kAlarmPageAt.x, -skin::kAlarmPageAt.y);
  DrawBitmapAt(dc, instance_, IDB_ALARM_OK, skin::kAlarmOkAt);
  DrawBitmapAt(dc, instance_, IDB_ALARM_CANCEL, skin::kAlarmCancelAt);
  DrawBitmapAt(dc, instance_, IDB_ALARM_DEFAULT, skin::kAlarmDefaultAt);
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old = SelectObject(dc, labelFont_);
  for (const FieldLabel& label : kLabels) {
    const char* text = Tr(label.text);
    TextOutA(dc, kLabelX, label.y, text, lstrlenA(text));
  }
  SelectObject(dc, old);
  EndPaint(page_.Handle(), &ps);
}

void AlarmDialog::OnDestroy() {
  DeleteObject(fieldBrush_);
  fieldBrush_ = nullptr;
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
    case WM_SETCURSOR:
      return HandOverZones(page_.Handle(), wParam, lParam, {skin::kAlarmOk, skin::kAlarmCancel, skin::kAlarmDefault});
    case WM_LBUTTONDOWN: OnPress(x, y); return TRUE;
    default: return FALSE;
  }
}

}  // namespace voltaris
