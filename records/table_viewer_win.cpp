#include "records/table_viewer_win.h"

namespace voltaris {

bool TableViewer::OnCommonMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_NOTIFY: result = AnswerCellRequest(lParam, rows_); return true;
    case WM_SETCURSOR: result = HandOverZones(hwnd_, wParam, lParam, {closeZone_, deleteZone_}); return true;
    case WM_LBUTTONDOWN:
      if (closeZone_.Contains(x, y)) {
        Close();
      } else if (deleteZone_.Contains(x, y)) {
        OnDelete();
      }
      result = TRUE;
      return true;
    case WM_CLOSE:
      Close();
      result = TRUE;
      return true;
    default: return false;
  }
}

// The table first: the list then shows what the table holds, all of it
// when the delete could not be done.
void TableViewer::OnDelete() {
  if (DeleteTableOrSay(hwnd_, *store_, table_, Tr(what_))) {
    rows_.Clear();
  } else {
    Reload();
  }
  ShowRows(list_, rows_);
}

void TableViewer::ShowError(const FileError& error) {
  if (error) MessageBoxA(hwnd_, error.message.c_str(), "Voltaris", MB_OK | MB_ICONERROR);
}

void TableViewer::Close() {
  Destroy();
  rows_.Clear();
}

}  // namespace voltaris
