#include "records/log_viewer_win.h"

#include <commctrl.h>

#include "gui/paint_win.h"
#include "i18n/catalogue.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr int kWidth = 360, kHeight = 320;
constexpr int kListId = 1084;

}  // namespace

LogViewer::LogViewer() : TableViewer(RecordTable::Events, 1, Text::TableEventLog, skin::kLogClose, skin::kLogDelete) {}

void LogViewer::Open() { OpenFrom<LogViewer>(instance_, owner_, IDD_LOG_FILE); }

void LogViewer::OnInit(HWND hwnd) {
  SetWindowTextA(hwnd, Tr(Text::CaptionLogFile));
  SetClientSize(hwnd, kWidth, kHeight);
  list_ = CreateRowList(hwnd, instance_, kListId, {8, 8, kWidth - 8, 250}, {{"", kWidth - 40}}, false);
  ListView_SetTextColor(list_, RGB(0, 0, 255));
  ListView_SetTextBkColor(list_, RGB(255, 255, 255));
  Reload();
  ShowRows(list_, rows_);
}

void LogViewer::Reload() { ShowError(ReadRows(*store_, table_, {"event"}, rows_)); }

void LogViewer::Paint() {
  PaintBitmaps(hwnd_, instance_,
               {{IDB_LOG_BACK, 0, 0}, {IDB_LOG_CLOSE, skin::kLogCloseAt}, {IDB_LOG_DELETE, skin::kLogDeleteAt}});
}

INT_PTR LogViewer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    Paint();
    return TRUE;
  }
  INT_PTR result = FALSE;
  OnCommonMessage(message, wParam, lParam, result);
  return result;
}

}  // namespace voltaris
