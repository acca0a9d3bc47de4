#include "records/closed_apps_window_win.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "gui/paint_win.h"
#include "i18n/catalogue.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr int kClientWidth = 400, kClientHeight = 225;
constexpr int kListId = 1109, kListHeight = 180;

struct Column {
  const char* name;  // the table's column (English in both builds)
  Text heading;      // the list's heading, in the build's words (Text::Count: the column's name)
  int width;
};
constexpr Column kColumns[] = {
    {"Data", Text::HeadingData, 100}, {"Time", Text::HeadingTime, 100}, {"Application", Text::Count, 195}};

void ShowError(HWND window, const std::string& what, const FileError& error) {
  MessageBoxA(window, (what + "\n\n" + error.message).c_str(), "Voltaris", MB_OK | MB_ICONERROR);
}

}  // namespace

void ClosedAppsWindow::Open() { OpenFrom<ClosedAppsWindow>(instance_, owner_, IDD_CLOSED_APPLICATIONS); }

void ClosedAppsWindow::OnInit(HWND hwnd) {
  SetWindowTextA(hwnd, Tr(Text::CaptionClosedApplications));
  SetClientSize(hwnd, kClientWidth, kClientHeight);
  if (CreateList()) {
    ShowRows();
  } else {
    ShowError(hwnd, Tr(Text::ClosedAppsNotShown), {static_cast<int>(GetLastError()), "no list"});
  }
}

bool ClosedAppsWindow::CreateList() {
  list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, kClientWidth,
                          kListHeight, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance_,
                          nullptr);
  if (!list_) return false;
  SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(kColumns[i].heading == Text::Count ? kColumns[i].name : Tr(kColumns[i].heading));
    column.cx = kColumns[i].width;
    column.iSubItem = i;
    SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  return true;
}

// Each row goes in at the top, so the last one stored is the first line.
void ClosedAppsWindow::ShowRows() {
  const std::vector<std::string> names{kColumns[0].name, kColumns[1].name, kColumns[2].name};
  const FileError error = store_->ReadAll(RecordTable::ClosedApps, names, [this](const std::vector<std::string>& row) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<char*>(row[0].c_str());
    const int at = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0) return;
    for (int column = 1; column < 3; ++column) {
      item.iSubItem = column;
      item.pszText = const_cast<char*>(row[static_cast<size_t>(column)].c_str());
      SendMessageA(list_, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&item));
    }
  });
  if (error) ShowError(hwnd_, Tr(Text::ClosedAppsNotRead), error);
}

void ClosedAppsWindow::Paint() {
  PaintBitmaps(hwnd_, instance_,
               {{IDB_PANEL_BACK, 0, 0}, {IDB_OK, skin::kClosedAppsOkAt}, {IDB_CLEAR, skin::kClosedAppsClearAt}});
}

void ClosedAppsWindow::OnPress(int x, int y) {
  if (skin::kClosedAppsOk.Contains(x, y)) {
    Destroy();
  } else if (skin::kClosedAppsClear.Contains(x, y)) {
    OnClear();
  }
}

// The table first: while another program holds its file, the list shows
// again what the table still holds, so what the user sees is what is kept.
void ClosedAppsWindow::OnClear() {
  const FileError error = store_->DeleteAll(RecordTable::ClosedApps);
  SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
  if (!error) return;
  ShowError(hwnd_, Tr(Text::ClosedAppsNotCleared), error);
  ShowRows();
}

INT_PTR ClosedAppsWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_PAINT: Paint(); return TRUE;
    case WM_SETCURSOR: return HandOverZones(hwnd_, wParam, lParam, {skin::kClosedAppsOk, skin::kClosedAppsClear});
    case WM_LBUTTONDOWN: OnPress(x, y); return TRUE;
    case WM_CLOSE: Destroy(); return TRUE;
    default: return FALSE;
  }
}

}  // namespace voltaris
