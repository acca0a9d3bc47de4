#include "schedule/schedule_dialog_win.h"

#include <algorithm>
#include <string>

#include "gui/paint_win.h"
#include "i18n/catalogue.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr int kPaneWidth = 70, kBoxHeight = 22;

}  // namespace

void ScheduleDialog::Open() { OpenFrom<ScheduleDialog>(instance_, owner_, layout_.templateId); }

void ScheduleDialog::OnInit(HWND hwnd) {
  if (layout_.caption != Text::Count) SetWindowTextA(hwnd, Tr(layout_.caption));
  SendMessageA(hwnd, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadIconA(instance_, MAKEINTRESOURCEA(IDI_SCHEDULE))));
  SetClientSize(hwnd, layout_.width, layout_.height);
  sidePane_.Create(hwnd, instance_, "pic14", WS_EX_CLIENTEDGE, 0, 0, kPaneWidth, layout_.paneHeight, layout_.paneId);
  CreateRowControls();
  ShowStoredSchedule();
  labelFont_ = CreateLabelFont(layout_.labelFontHeight);
}

void ScheduleDialog::MakeControl(const char* cls, DWORD style, int x, int y, int width, int id) {
  CreateControl(hwnd_, instance_, cls, "", WS_TABSTOP | style, x, y, width, kBoxHeight, id);
}

void ScheduleDialog::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  DrawBitmapAt(dc, instance_, IDB_PANEL_BACK, 0, 0);
  DrawBitmapAt(dc, instance_, IDB_OK, layout_.okPicture);
  DrawBitmapAt(dc, instance_, IDB_CANCEL, layout_.cancelPicture);
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old = SelectObject(dc, labelFont_);
  const std::string title = Tr(layout_.shutdownTitleText);
  const size_t lineBreak = title.find('\n');
  const std::string firstLine = title.substr(0, lineBreak);
  TextOutA(dc, layout_.shutdownTitle.x, layout_.shutdownTitle.y, firstLine.c_str(), static_cast<int>(firstLine.size()));
  if (lineBreak != std::string::npos) {
    const std::string second = title.substr(lineBreak + 1);
    TextOutA(dc, layout_.shutdownTitle.x, layout_.shutdownTitle.y + layout_.labelFontHeight, second.c_str(),
             static_cast<int>(second.size()));
  }
  const char* restart = Tr(Text::UpsRestart);
  TextOutA(dc, layout_.restartTitle.x, layout_.restartTitle.y, restart, lstrlenA(restart));
  for (int i = 0; i < 7; ++i) {
    const char* label = Tr(static_cast<Text>(static_cast<int>(layout_.firstRowLabel) + i));
    TextOutA(dc, layout_.rowLabelX, layout_.rowLabelY[i], label, lstrlenA(label));
  }
  if (upsServed_ && upsServed_()) {
    RECT note{layout_.rowLabelX, layout_.okPicture.y + 4, layout_.okPicture.x - 10, layout_.height - 4};
    DrawTextA(dc, Tr(Text::ScheduleServedUpsNote), -1, &note, DT_WORDBREAK | DT_NOPREFIX);
  }
  SelectObject(dc, old);
  EndPaint(hwnd_, &ps);
}

void ScheduleDialog::OnPress(int x, int y) {
  if (layout_.ok.Contains(x, y)) {
    OnOk();
  } else if (layout_.cancel.Contains(x, y)) {
    Destroy();
  }
}

INT_PTR ScheduleDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_PAINT: Paint(); return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnCheckBox(LOWORD(wParam));
      return TRUE;
    case WM_SETCURSOR: return HandOverZones(hwnd_, wParam, lParam, {layout_.ok, layout_.cancel});
    case WM_LBUTTONDOWN: OnPress(x, y); return TRUE;
    case WM_CLOSE: Destroy(); return TRUE;
    default: return FALSE;
  }
}

void ShowPickerTime(HWND picker, TimeOfDay time) {
  SYSTEMTIME at;
  GetLocalTime(&at);
  at.wHour = static_cast<WORD>(time.hour);
  at.wMinute = static_cast<WORD>(time.minute);
  at.wSecond = static_cast<WORD>(time.second);
  at.wMilliseconds = 0;
  SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&at));
}

TimeOfDay PickerTime(HWND picker) {
  SYSTEMTIME at = {};
  SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&at));
  return {at.wHour, at.wMinute, at.wSecond};
}

void ShowPickerDate(HWND picker, CalendarDate date) {
  SYSTEMTIME at = {};
  at.wYear = static_cast<WORD>(date.year);
  at.wMonth = static_cast<WORD>(date.month);
  at.wDay = static_cast<WORD>(date.day);
  SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&at));
}

CalendarDate PickerDate(HWND picker) {
  SYSTEMTIME at = {};
  SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&at));
  return {at.wYear, at.wMonth, at.wDay};
}

void TickPart(HWND dialog, int boxId, std::initializer_list<int> pickerIds, bool ticked) {
  CheckDlgButton(dialog, boxId, ticked ? BST_CHECKED : BST_UNCHECKED);
  for (int id : pickerIds) EnableWindow(GetDlgItem(dialog, id), ticked);
}

bool ReportScheduleSave(HWND dialog, const ScheduleSaveOutcome& outcome, std::string (*rowError)(int),
                        const char* notSaved) {
  if (SaidNotSaved(dialog, outcome.error, notSaved)) return false;
  for (int row : outcome.refusedRows) {
    std::string text = rowError(row);
    const auto& span = outcome.restartSpanRows;
    if (std::find(span.begin(), span.end(), row) != span.end()) text += "\n\n" + std::string(Tr(Text::RestartSpanHint));
    MessageBoxA(dialog, text.c_str(), "Voltaris", MB_OK | MB_ICONERROR);
  }
  return outcome.refusedRows.empty();
}

}  // namespace voltaris
