#include "records/event_data_viewer_win.h"

#include <commctrl.h>

#include "gui/paint_win.h"
#include "i18n/catalogue.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr int kWidth = 380, kHeight = 310;
constexpr int kListId = 1087, kStartPicker = 1089, kEndPicker = 1090;
constexpr char kPickerFormat[] = "yyy'-'MM'-'dd";
const std::vector<std::string> kColumns = {"Date", "AC Fail", "Schedule Down", "Battery Low"};

void SetPicker(HWND dialog, int id, const Day& day) {
  SYSTEMTIME at = {};
  at.wYear = static_cast<WORD>(day.year);
  at.wMonth = static_cast<WORD>(day.month);
  at.wDay = static_cast<WORD>(day.day);
  SendDlgItemMessageA(dialog, id, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&at));
}

}  // namespace

EventDataViewer::EventDataViewer()
    : TableViewer(RecordTable::Daily, 4, Text::TableEventData, skin::kEventsClose, skin::kEventsDelete) {}

void EventDataViewer::Open() { OpenFrom<EventDataViewer>(instance_, owner_, IDD_EVENT_DATA); }

void EventDataViewer::OnInit(HWND hwnd) {
  SetWindowTextA(hwnd, Tr(Text::CaptionEventData));
  labelFont_ = CreateLabelFont(15);
  SetClientSize(hwnd, kWidth, kHeight);
  CreatePickers();
  list_ = CreateRowList(hwnd, instance_, kListId, {8, 8, kWidth - 8, 212},
                        {{"Date", 70},
                         {Tr(Text::HeadingAcFail), 71},
                         {Tr(Text::HeadingScheduleDown), 100},
                         {Tr(Text::HeadingBatteryLow), 100}},
                        true);
  Load("", "");
  if (rows_.Rows() == 0) return;
  firstRecorded_ = ParseDay(std::string(rows_.Cell(0, 0)));
  lastRecorded_ = ParseDay(std::string(rows_.Cell(rows_.Rows() - 1, 0)));
  SetPicker(hwnd, kStartPicker, firstRecorded_);
}

void EventDataViewer::CreatePickers() {
  for (const auto& [id, x] : {std::pair{kStartPicker, 10}, std::pair{kEndPicker, 118}}) {
    HWND picker = CreateControl(hwnd_, instance_, DATETIMEPICK_CLASSA, "", WS_TABSTOP | DTS_SHORTDATEFORMAT, x, 240,
                                100, 22, id);
    SendMessageA(picker, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(kPickerFormat));
  }
}

// The table's rows with their Date inside [from, to]; all of them when both are empty.
void EventDataViewer::Load(const std::string& from, const std::string& to) {
  from_ = from;
  to_ = to;
  rows_.Clear();
  ShowError(store_->ReadAll(table_, kColumns, [&](const std::vector<std::string>& row) {
    if (from.empty() || DayInRange(row[0], from, to)) rows_.Add(row);
  }));
  ShowRows(list_, rows_);
}

void EventDataViewer::Reload() { Load(from_, to_); }

Day EventDataViewer::PickedDay(int picker) const {
  SYSTEMTIME at = {};
  SendDlgItemMessageA(hwnd_, picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&at));
  return {at.wYear, at.wMonth, at.wDay};
}

void EventDataViewer::OnCalendarClosed(Picker picker) {
  const Day start = PickedDay(kStartPicker), end = PickedDay(kEndPicker);
  const DayChoice choice = ChooseDays(picker, start, end, firstRecorded_, lastRecorded_);
  for (const std::string& message : choice.messages) {
    MessageBoxA(hwnd_, message.c_str(), "Voltaris", MB_OK);
    if (!hwnd_) return;  // closed (or the program ended) while the box was up
  }
  if (choice.filter) Load(DayText(start), DayText(end));
}

void EventDataViewer::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  DrawBitmapAt(dc, instance_, IDB_EVENTS_BACK, 0, 0);
  DrawBitmapAt(dc, instance_, IDB_EVENTS_CLOSE, skin::kEventsCloseAt);
  DrawBitmapAt(dc, instance_, IDB_EVENTS_DELETE, skin::kEventsDeleteAt);
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old = SelectObject(dc, labelFont_);
  const char* start = Tr(Text::StartDate);
  const char* end = Tr(Text::EndDate);
  TextOutA(dc, 10, 222, start, lstrlenA(start));
  TextOutA(dc, 118, 222, end, lstrlenA(end));
  SelectObject(dc, old);
  EndPaint(hwnd_, &ps);
}

INT_PTR EventDataViewer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    Paint();
    return TRUE;
  }
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code == DTN_CLOSEUP && (header->idFrom == kStartPicker || header->idFrom == kEndPicker)) {
      OnCalendarClosed(header->idFrom == kStartPicker ? Picker::Start : Picker::End);
      return TRUE;
    }
  }
  INT_PTR result = FALSE;
  OnCommonMessage(message, wParam, lParam, result);
  return result;
}

}  // namespace voltaris
