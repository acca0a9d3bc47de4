#include "schedule/weekly_schedule_dialog_win.h"

#include <commctrl.h>

#include <string>

#include "app/dialog_win.h"
#include "app/paint_win.h"
#include "app/resource_ids.h"
#include "schedule/countdown_ports.h"

namespace voltaris {
namespace {

constexpr int kClientWidth = 480, kClientHeight = 323;
constexpr int kPaneId = 60;
constexpr HotZone kOkZone{351, 261, 384, 289};
constexpr HotZone kCancelZone{426, 261, 451, 289};
constexpr char kPickerFormat[] = "   HH':'mm':'ss";

// The controls of a row (1 Monday .. 7 Sunday), by column.
struct RowControls {
  int shutdownBox, shutdownPicker, restartBox, restartPicker;
};
constexpr RowControls kRows[7] = {
    {1062, 1076, 1069, 1083}, {1063, 1077, 1070, 1055}, {1064, 1078, 1071, 1056}, {1065, 1079, 1072, 1057},
    {1066, 1080, 1073, 1058}, {1067, 1081, 1074, 1059}, {1068, 1082, 1075, 1060},
};
constexpr const char* kDayNames[7] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

constexpr int kFirstRowY = 46, kRowPitch = 30;
constexpr int kShutdownBoxX = 168, kRestartBoxX = 336, kBoxToPicker = 20;
constexpr int kPickerWidth = 110, kControlHeight = 22;

int PickerOf(int boxId) {
  for (const RowControls& row : kRows) {
    if (row.shutdownBox == boxId) return row.shutdownPicker;
    if (row.restartBox == boxId) return row.restartPicker;
  }
  return 0;
}

}  // namespace

void WeeklyScheduleDialog::Open() {
  if (hwnd_) return;
  CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_WEEKLY_SCHEDULE), nullptr, DialogProcedure<WeeklyScheduleDialog>,
                     reinterpret_cast<LPARAM>(this));
  if (hwnd_) ShowWindow(hwnd_, SW_SHOW);
}

void WeeklyScheduleDialog::OnInit(HWND hwnd) {
  hwnd_ = hwnd;
  SendMessageA(hwnd, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadIconA(instance_, MAKEINTRESOURCEA(IDI_SCHEDULE))));
  SetClientSize(hwnd, kClientWidth, kClientHeight);
  CreateWindowExA(WS_EX_CLIENTEDGE, "pic14", "", WS_CHILD | WS_VISIBLE, 0, 0, 70, 323, hwnd,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPaneId)), instance_, nullptr);
  CreateRowControls();
  ShowStoredSchedule();
  labelFont_ = CreateLabelFont(15);
}

void WeeklyScheduleDialog::CreateRowControls() {
  const auto make = [this](const char* cls, DWORD style, int x, int y, int width, int id) {
    CreateControl(hwnd_, instance_, cls, "", WS_TABSTOP | style, x, y, width, kControlHeight, id);
  };
  for (int i = 0; i < 7; ++i) {
    const RowControls& row = kRows[i];
    const int y = kFirstRowY + i * kRowPitch;
    make("BUTTON", BS_AUTOCHECKBOX, kShutdownBoxX, y, 16, row.shutdownBox);
    make(DATETIMEPICK_CLASSA, DTS_TIMEFORMAT, kShutdownBoxX + kBoxToPicker, y, kPickerWidth, row.shutdownPicker);
    make("BUTTON", BS_AUTOCHECKBOX, kRestartBoxX, y, 16, row.restartBox);
    make(DATETIMEPICK_CLASSA, DTS_TIMEFORMAT, kRestartBoxX + kBoxToPicker, y, kPickerWidth, row.restartPicker);
  }
}

namespace {

// Shows `time` of today in a picker, ticks its box and enables it, or
// clears the box and disables the picker.
void ShowPart(HWND dialog, int boxId, int pickerId, bool enabled, TimeOfDay time) {
  HWND picker = GetDlgItem(dialog, pickerId);
  SendMessageA(picker, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(kPickerFormat));
  if (enabled) {
    SYSTEMTIME at;
    GetLocalTime(&at);
    at.wHour = static_cast<WORD>(time.hour);
    at.wMinute = static_cast<WORD>(time.minute);
    at.wSecond = static_cast<WORD>(time.second);
    at.wMilliseconds = 0;
    SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&at));
  }
  CheckDlgButton(dialog, boxId, enabled ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(picker, enabled);
}

TimeOfDay PickerTime(HWND dialog, int pickerId) {
  SYSTEMTIME at = {};
  SendDlgItemMessageA(dialog, pickerId, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&at));
  return {at.wHour, at.wMinute, at.wSecond};
}

}  // namespace

void WeeklyScheduleDialog::ShowStoredSchedule() {
  const WeeklySchedule stored = ReadWeeklySchedule(config_->Snapshot());
  for (int i = 0; i < 7; ++i) {
    const WeeklyRow& r = stored[static_cast<size_t>(i)];
    ShowPart(hwnd_, kRows[i].shutdownBox, kRows[i].shutdownPicker, r.shutdown, r.shutdownAt);
    ShowPart(hwnd_, kRows[i].restartBox, kRows[i].restartPicker, r.restart, r.restartAt);
  }
}

WeeklySchedule WeeklyScheduleDialog::ShownSchedule() const {
  WeeklySchedule shown;
  for (int i = 0; i < 7; ++i) {
    WeeklyRow& r = shown[static_cast<size_t>(i)];
    r.shutdown = IsDlgButtonChecked(hwnd_, kRows[i].shutdownBox) == BST_CHECKED;
    r.shutdownAt = PickerTime(hwnd_, kRows[i].shutdownPicker);
    r.restart = IsDlgButtonChecked(hwnd_, kRows[i].restartBox) == BST_CHECKED;
    r.restartAt = PickerTime(hwnd_, kRows[i].restartPicker);
  }
  return shown;
}

void WeeklyScheduleDialog::OnCheckBox(int id) {
  const int picker = PickerOf(id);
  if (picker) EnableWindow(GetDlgItem(hwnd_, picker), IsDlgButtonChecked(hwnd_, id) == BST_CHECKED);
}

void WeeklyScheduleDialog::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  DrawBitmapAt(dc, instance_, IDB_PANEL_BACK, 0, 0);
  DrawBitmapAt(dc, instance_, IDB_OK, 350, 260);
  DrawBitmapAt(dc, instance_, IDB_CANCEL, 420, 258);
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old = SelectObject(dc, labelFont_);
  TextOutA(dc, 170, 16, "OS and UPS ShutDown", 19);
  TextOutA(dc, 340, 16, "UPS  Restart", 12);
  for (int i = 0; i < 7; ++i) {
    TextOutA(dc, 90, 50 + i * kRowPitch, kDayNames[i], lstrlenA(kDayNames[i]));
  }
  SelectObject(dc, old);
  EndPaint(hwnd_, &ps);
}

void WeeklyScheduleDialog::OnPress(int x, int y) {
  if (kOkZone.Contains(x, y)) {
    OnOk();
  } else if (kCancelZone.Contains(x, y)) {
    Close();
  }
}

// The valid rows and every shutdown column are saved even when a row is
// refused; the dialog then stays open for the user to mend that row.
void WeeklyScheduleDialog::OnOk() {
  const WeeklySaveOutcome outcome = SaveWeeklySchedule(*config_, ShownSchedule());
  if (outcome.error) {
    MessageBoxA(hwnd_, (outcome.error.message + "\n\nThe weekly schedule was not saved completely.").c_str(),
                "Voltaris", MB_OK | MB_ICONERROR);
    return;
  }
  for (int row : outcome.refusedRows) {
    MessageBoxA(hwnd_, RowSettingError(row).c_str(), "Voltaris", MB_OK | MB_ICONERROR);
  }
  if (outcome.refusedRows.empty()) Close();
}

void WeeklyScheduleDialog::Close() {
  Destroy();
}

INT_PTR WeeklyScheduleDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_PAINT: Paint(); return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnCheckBox(LOWORD(wParam));
      return TRUE;
    case WM_SETCURSOR: return HandOverZones(hwnd_, wParam, lParam, {kOkZone, kCancelZone});
    case WM_LBUTTONDOWN: OnPress(x, y); return TRUE;
    case WM_CLOSE: Close(); return TRUE;
    default: return FALSE;
  }
}

}  // namespace voltaris
