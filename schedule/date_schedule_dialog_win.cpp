#include "schedule/date_schedule_dialog_win.h"

#include <commctrl.h>

#include "i18n/catalogue.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr ScheduleDialogLayout kLayout{
    IDD_SPECIAL_SCHEDULE, 600, 343, 61, 343, 12, Text::Count, Text::OsAndUpsShutdown, {220, 36}, {460, 36}, 74,
    {62, 94, 126, 160, 192, 224, 256}, Text::EventData1,
    skin::kDateOkAt, skin::kDateCancelAt, skin::kDateOk, skin::kDateCancel};

// A part's controls: its check box, date picker and time picker.
struct PartControls {
  int box, datePicker, timePicker;
};
struct RowControls {
  PartControls shutdown, restart;
};
// The numbers are fixed: tools find the controls by them. Rows 6 and 7 take
// their pickers out of numerical order (1110/1117 before 1109/1116).
constexpr RowControls kRows[7] = {
    {{1150, 1104, 1111}, {1065, 1041, 1048}}, {{1151, 1105, 1112}, {1144, 1042, 1049}},
    {{1152, 1106, 1113}, {1145, 1043, 1050}}, {{1153, 1107, 1114}, {1146, 1044, 1051}},
    {{1154, 1108, 1115}, {1147, 1045, 1052}}, {{1155, 1110, 1117}, {1148, 1047, 1054}},
    {{1156, 1109, 1116}, {1149, 1046, 1053}},
};

constexpr int kShutdownBoxX = 140, kRestartBoxX = 364;
constexpr int kBoxWidth = 16, kBoxToDate = 18, kDateWidth = 95, kDateToTime = 98, kTimeWidth = 90;
constexpr int kAboveLabel = 4;

const PartControls* PartOf(int boxId) {
  for (const RowControls& row : kRows) {
    if (row.shutdown.box == boxId) return &row.shutdown;
    if (row.restart.box == boxId) return &row.restart;
  }
  return nullptr;
}

// Shows a stored part: its date and time when it is enabled, its box, and
// its pickers enabled only with the box.
void ShowPart(HWND dialog, const PartControls& part, const SpecialPart& stored) {
  if (stored.enabled) {
    ShowPickerDate(GetDlgItem(dialog, part.datePicker), stored.date);
    ShowPickerTime(GetDlgItem(dialog, part.timePicker), stored.time);
  }
  TickPart(dialog, part.box, {part.datePicker, part.timePicker}, stored.enabled);
}

SpecialPart ShownPart(HWND dialog, const PartControls& part) {
  return {IsTicked(dialog, part.box), PickerDate(GetDlgItem(dialog, part.datePicker)),
          PickerTime(GetDlgItem(dialog, part.timePicker))};
}

}  // namespace

SpecialScheduleDialog::SpecialScheduleDialog() : ScheduleDialog(kLayout) {}

void SpecialScheduleDialog::CreateRowControls() {
  const auto makePart = [this](const PartControls& part, int x, int y) {
    MakeControl("BUTTON", BS_AUTOCHECKBOX, x, y, kBoxWidth, part.box);
    MakeControl(DATETIMEPICK_CLASSA, DTS_SHORTDATEFORMAT, x + kBoxToDate, y, kDateWidth, part.datePicker);
    MakeControl(DATETIMEPICK_CLASSA, DTS_TIMEFORMAT, x + kBoxToDate + kDateToTime, y, kTimeWidth, part.timePicker);
    SendDlgItemMessageA(hwnd_, part.timePicker, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(kTimePickerFormat));
  };
  for (int i = 0; i < 7; ++i) {
    makePart(kRows[i].shutdown, kShutdownBoxX, kLayout.rowLabelY[i] - kAboveLabel);
    makePart(kRows[i].restart, kRestartBoxX, kLayout.rowLabelY[i] - kAboveLabel);
  }
}

void SpecialScheduleDialog::ShowStoredSchedule() {
  const SpecialSchedule stored = ReadSpecialSchedule(config_->Snapshot());
  for (size_t i = 0; i < 7; ++i) {
    ShowPart(hwnd_, kRows[i].shutdown, stored[i].shutdown);
    ShowPart(hwnd_, kRows[i].restart, stored[i].restart);
  }
}

SpecialSchedule SpecialScheduleDialog::ShownSchedule() const {
  SpecialSchedule shown;
  for (size_t i = 0; i < 7; ++i) {
    shown[i].shutdown = ShownPart(hwnd_, kRows[i].shutdown);
    shown[i].restart = ShownPart(hwnd_, kRows[i].restart);
  }
  return shown;
}

void SpecialScheduleDialog::OnCheckBox(int id) {
  if (const PartControls* part = PartOf(id)) {
    TickPart(hwnd_, part->box, {part->datePicker, part->timePicker}, IsTicked(hwnd_, part->box));
  }
}

// The valid rows are saved even when a row is refused; the dialog then
// stays open for the user to mend that row.
void SpecialScheduleDialog::OnOk() {
  const ScheduleSaveOutcome outcome = SaveSpecialSchedule(*config_, ShownSchedule(), clock_);
  TellSaved();
  if (ReportScheduleSave(hwnd_, outcome, SpecialRowSettingError, Tr(Text::SpecialDatesNotSaved))) {
    Destroy();
  }
}

}  // namespace voltaris
