#include "records/row_list_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "i18n/catalogue.h"

namespace voltaris {

HWND CreateRowList(HWND dialog, HINSTANCE instance, int id, RECT place, std::initializer_list<ListColumn> columns,
                   bool grid) {
  const bool titled = std::any_of(columns.begin(), columns.end(), [](const ListColumn& c) { return *c.title; });
  HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                                  LVS_SHOWSELALWAYS | (titled ? 0 : LVS_NOCOLUMNHEADER),
                              place.left, place.top, place.right - place.left, place.bottom - place.top, dialog,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (!list) return nullptr;
  if (grid) ListView_SetExtendedListViewStyle(list, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  int index = 0;
  for (const ListColumn& c : columns) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(c.title);
    column.cx = c.width;
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, index++, reinterpret_cast<LPARAM>(&column));
  }
  return list;
}

void ShowRows(HWND list, const RowTexts& rows) {
  SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows.Rows()), 0);
  InvalidateRect(list, nullptr, TRUE);
}

bool AnswerCellRequest(LPARAM notification, const RowTexts& rows) {
  auto* info = reinterpret_cast<NMLVDISPINFOA*>(notification);
  if (info->hdr.code != LVN_GETDISPINFOA || !(info->item.mask & LVIF_TEXT) || info->item.cchTextMax <= 0) {
    return false;
  }
  const std::string_view cell = rows.Cell(static_cast<size_t>(info->item.iItem),
                                          static_cast<size_t>(info->item.iSubItem));
  const size_t n = std::min(cell.size(), static_cast<size_t>(info->item.cchTextMax - 1));
  std::memcpy(info->item.pszText, cell.data(), n);
  info->item.pszText[n] = '\0';
  return true;
}

FileError ReadRows(RecordStore& store, RecordTable table, const std::vector<std::string>& columns, RowTexts& rows) {
  rows.Clear();
  return store.ReadAll(table, columns, [&rows](const std::vector<std::string>& row) { rows.Add(row); });
}

bool DeleteTableOrSay(HWND owner, RecordStore& store, RecordTable table, const std::string& what) {
  const FileError error = store.DeleteAll(table);
  if (!error) return true;
  MessageBoxA(owner, (what + Tr(Text::TableNotDeleted) + "\n" + error.message).c_str(), "Voltaris",
              MB_OK | MB_ICONERROR);
  return false;
}

}  // namespace voltaris
