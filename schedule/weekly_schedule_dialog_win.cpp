#include "schedule/weekly_schedule_dialog_win.h"

#include <commctrl.h>

#include "i18n/catalogue.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr ScheduleDialogLayout kLayout{
    IDD_WEEKLY_SCHEDULE, 480, 323, 60, 323, 15, Text::CaptionWeeklySchedule, Text::WeeklyOsAndUpsShutdown, {170, 16}, {340, 16}, 90,
    {50, 80, 110, 140, 170, 200, 230}, Text::Monday,
    skin::kWeeklyOkAt, skin::kWeeklyCancelAt, skin::kWeeklyOk, skin::kWeeklyCancel};

// The controls of a row (1 Monday .. 7 Sunday), by column.
struct RowControls {
  int shutdownBox, shutdownPicker, restartBox, restartPicker;
};
constexpr RowControls kRows[7] = {
    {1062, 1076, 1069, 1083}, {1063, 1077, 1070, 1055}, {1064, 1078, 1071, 1056}, {1065, 1079, 1072, 1057},
    {1066, 1080, 1073, 1058}, {1067, 1081, 1074, 1059}, {1068, 1082, 1075, 1060},
};

constexpr int kAboveLabel = 4;
constexpr int kShutdownBoxX = 168, kRestartBoxX = 336, kBoxToPicker = 20;
constexpr int kPickerWidth = 110;

int PickerOf(int boxId) {
  for (const RowControls& row : kRows) {
    if (row.shutdownBox == boxId) return row.shutdownPicker;
    if (row.restartBox == boxId) return row.restartPicker;
  }
  return 0;
}

// Shows `time` of today in a picker, ticks its box and enables it, or
// clears the box and disables the picker.
void ShowPart(HWND dialog, int boxId, int pickerId, bool enabled, TimeOfDay time) {
  HWND picker = GetDlgItem(dialog, pickerId);
  SendMessageA(picker, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(kTimePickerFormat));
  if (enabled) ShowPickerTime(picker, time);
  TickPart(dialog, boxId, {pickerId}, enabled);
}

}  // namespace

WeeklyScheduleDialog::WeeklyScheduleDialog() : ScheduleDialog(kLayout) {}

void WeeklyScheduleDialog::CreateRowControls() {
  for (int i = 0; i < 7; ++i) {
    const RowControls& row = kRows[i];
    const int y = kLayout.rowLabelY[i] - kAboveLabel;
    MakeControl("BUTTON", BS_AUTOCHECKBOX, kShutdownBoxX, y, 16, row.shutdownBox);
    MakeControl(DATETIMEPICK_CLASSA, DTS_TIMEFORMAT, kShutdownBoxX + kBoxToPicker, y, kPickerWidth, row.shutdownPicker);
    MakeControl("BUTTON", BS_AUTOCHECKBOX, kRestartBoxX, y, 16, row.restartBox);
    MakeControl(DATETIMEPICK_CLASSA, DTS_TIMEFORMAT, kRestartBoxX + kBoxToPicker, y, kPickerWidth, row.restartPicker);
  }
}

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
    r.shutdown = IsTicked(hwnd_, kRows[i].shutdownBox);
    r.shutdownAt = PickerTime(GetDlgItem(hwnd_, kRows[i].shutdownPicker));
    r.restart = IsTicked(hwnd_, kRows[i].restartBox);
    r.restartAt = PickerTime(GetDlgItem(hwnd_, kRows[i].restartPicker));
  }
  return shown;
}

void WeeklyScheduleDialog::OnCheckBox(int id) {
  const int picker = PickerOf(id);
  if (picker) EnableWindow(GetDlgItem(hwnd_, picker), IsTicked(hwnd_, id));
}

// The valid rows and every shutdown column are saved even when a row is
// refused; the dialog then stays open for the user to mend that row.
void WeeklyScheduleDialog::OnOk() {
  const ScheduleSaveOutcome outcome = SaveWeeklySchedule(*config_, ShownSchedule());
  TellSaved();
  if (ReportScheduleSave(hwnd_, outcome, RowSettingError, Tr(Text::WeeklyScheduleNotSaved))) Destroy();
}

}  // namespace voltaris
