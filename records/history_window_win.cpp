#include "records/history_window_win.h"

#include "gui/paint_win.h"
#include "i18n/catalogue.h"
#include "records/history_view.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr int kClientWidth = 700, kClientHeight = 350;
constexpr int kListId = 1086;
constexpr RECT kListArea{10, 10, 690, 290};
constexpr UINT_PTR kRefreshTimerId = 1;
constexpr UINT kRefreshDelayInMs = 500;
constexpr UINT_PTR kPrintTimerId = 2;
// Rows print for this long between looks at the message queue, a power
// timer's tick waiting no longer than that; then the thread rests as long
// again, leaving the processor to the monitor thread and the count-downs
// (measured: with no rest a mains failure reached the event log up to a
// second later).
constexpr DWORD kPrintSliceInMs = 10;
// Shown left of the painted buttons while rows print.
constexpr int kPrintProgressId = 1087, kPrintCancelId = 1088;

}  // namespace

HistoryWindow::HistoryWindow()
    : TableViewer(RecordTable::History, kHistoryColumns, Text::TableHistory, skin::kHistoryClose,
                  skin::kHistoryDelete) {}

void HistoryWindow::Open() { OpenFrom<HistoryWindow>(instance_, owner_, IDD_HISTORY_DATA); }

void HistoryWindow::OnInit(HWND hwnd) {
  SetWindowTextA(hwnd, Tr(Text::CaptionHistoryData));
  // The print dialog may browse elsewhere; the current folder the program
  // started in is put back after printing. (The tables do not depend on it:
  // the record store took its folder as a full path at start.)
  const DWORD length = GetCurrentDirectoryA(0, nullptr);
  directory_.assign(length, '\0');
  directory_.resize(GetCurrentDirectoryA(length, directory_.data()));
  SetClientSize(hwnd, kClientWidth, kClientHeight);
  list_ = CreateRowList(hwnd, instance_, kListId, kListArea,
                        {{"Date", 70},
                         {Tr(Text::HeadingTime), 55},
                         {Tr(Text::InputVoltage), 85},
                         {Tr(Text::OutputVoltage), 95},
                         {Tr(Text::Load), 45},
                         {Tr(Text::BatteryLevel), 90},
                         {Tr(Text::Temperature), 80},
                         {Tr(Text::Frequency), 70},
                         {Tr(Text::Status), 200}},
                        true);
  Reload();
  ShowRows(list_, rows_);
}

// Every row of the table, in its order; rows read before a failure are
// kept, and the user is told.
void HistoryWindow::Reload() { ShowError(ReadRows(*store_, table_, LastingColumns(table_), rows_)); }

void HistoryWindow::Paint() {
  PaintBitmaps(hwnd_, instance_,
               {{IDB_HISTORY_BACK, 0, 0},
                {IDB_HISTORY_DELETE, skin::kHistoryDeleteAt},
                {IDB_HISTORY_PRINT, skin::kHistoryPrintAt},
                {IDB_HISTORY_REFRESH, skin::kHistoryRefreshAt},
                {IDB_HISTORY_CLOSE, skin::kHistoryCloseAt}});
}

// The print dialog is modal to the main window, not to this one: a press
// meanwhile, or while rows print, is ignored. Any failure is told over the
// main window, as this one may have been closed meanwhile.
void HistoryWindow::OnPrint() {
  if (choosingPrinter_ || print_) return;
  choosingPrinter_ = true;
  std::string error;
  print_ = HistoryPrintJob::Start(owner_, *store_, error);
  choosingPrinter_ = false;
  if (!directory_.empty()) SetCurrentDirectoryA(directory_.c_str());
  if (!error.empty()) MessageBoxA(hwnd_ ? hwnd_ : owner_, error.c_str(), "Voltaris", MB_OK | MB_ICONERROR);
  if (print_) StartPrinting();
}

// The rows print a slice at a time on this window's timer, whose messages
// come only when no other is waiting: the main window's count-downs and
// the user's clicks go first.
void HistoryWindow::StartPrinting() {
  if (!hwnd_) {
    print_.reset();  // closed while the print dialog was up
    return;
  }
  ShowPrintControls();
  if (SetTimer(hwnd_, kPrintTimerId, 2 * kPrintSliceInMs, nullptr)) return;
  // No timer to be had: all at once rather than not at all.
  while (print_->PrintSlice(kPrintSliceInMs)) continue;
  EndPrinting();
}

void HistoryWindow::OnPrintTimer() {
  if (print_ && print_->PrintSlice(kPrintSliceInMs)) {
    ShowPrintProgress();
  } else {
    EndPrinting();
  }
}

// Done, failed or cancelled: a document not ended is dropped with its job,
// and the printer gets nothing of it.
void HistoryWindow::EndPrinting() {
  KillTimer(hwnd_, kPrintTimerId);
  const std::string error = print_ ? print_->Error() : std::string();
  print_.reset();
  HidePrintControls();
  if (!error.empty()) MessageBoxA(hwnd_, error.c_str(), "Voltaris", MB_OK | MB_ICONERROR);
}

void HistoryWindow::ShowPrintControls() {
  printProgress_ = CreateControl(hwnd_, instance_, "STATIC", "", SS_LEFT, 10, 312, 300, 20, kPrintProgressId);
  printCancel_ = CreateControl(hwnd_, instance_, "BUTTON", Tr(Text::CancelPrint), BS_PUSHBUTTON | WS_TABSTOP, 320,
                               306, 90, 26, kPrintCancelId);
  ShowPrintProgress();
}

void HistoryWindow::ShowPrintProgress() {
  const std::string text = Tr(Text::PrintingPage) + std::to_string(print_->Page()) + Tr(Text::PrintingPageOf) +
                           std::to_string(print_->PageCount());
  SetWindowTextA(printProgress_, text.c_str());
}

void HistoryWindow::HidePrintControls() {
  DestroyWindow(printProgress_);
  DestroyWindow(printCancel_);
  printProgress_ = printCancel_ = nullptr;
}

// Closed mid-print: the document is dropped (its controls and timer go
// with the window).
void HistoryWindow::OnDestroy() {
  print_.reset();
  printProgress_ = printCancel_ = nullptr;
  TableViewer::OnDestroy();
}

// The list empties at once and fills again half a second later, on a timer:
// the window stays responsive meanwhile.
void HistoryWindow::OnRefresh() {
  rows_.Clear();
  ShowRows(list_, rows_);
  if (!SetTimer(hwnd_, kRefreshTimerId, kRefreshDelayInMs, nullptr)) OnRefreshTimer();
}

void HistoryWindow::OnRefreshTimer() {
  KillTimer(hwnd_, kRefreshTimerId);
  Reload();
  ShowRows(list_, rows_);
}

INT_PTR HistoryWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_PAINT: Paint(); return TRUE;
    case WM_TIMER:
      if (wParam == kRefreshTimerId) OnRefreshTimer();
      if (wParam == kPrintTimerId) OnPrintTimer();
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == kPrintCancelId && print_) {
        EndPrinting();
        return TRUE;
      }
      break;
    case WM_SETCURSOR:
      return HandOverZones(hwnd_, wParam, lParam,
                           {skin::kHistoryDelete, skin::kHistoryPrint, skin::kHistoryRefresh, skin::kHistoryClose});
    case WM_LBUTTONDOWN:
      if (skin::kHistoryPrint.Contains(x, y)) {
        OnPrint();
        return TRUE;
      }
      if (skin::kHistoryRefresh.Contains(x, y)) {
        OnRefresh();
        return TRUE;
      }
      break;  // Close and Delete are every viewer's
    default: break;
  }
  INT_PTR result = FALSE;
  OnCommonMessage(message, wParam, lParam, result);
  return result;
}

}  // namespace voltaris
