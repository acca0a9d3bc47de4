// A viewer's list: a report-style list view that holds no texts of its own
// ("owner data"); it asks for each cell it draws, from the rows the viewer
// read. So a table of any size opens at once.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "records/record_store.h"
#include "records/row_texts.h"

namespace voltaris {

struct ListColumn {
  const char* title;
  int width;
};

// Creates the list in `dialog` at the given place (grid lines and full-row
// select when `grid`; no header when no column has a title).
HWND CreateRowList(HWND dialog, HINSTANCE instance, int id, RECT place, std::initializer_list<ListColumn> columns,
                   bool grid);
// Shows the rows now held (the list asks for texts as it draws them).
void ShowRows(HWND list, const RowTexts& rows);
// WM_NOTIFY from the list: answers its request for a cell's text. True when
// the notification was such a request.
bool AnswerCellRequest(LPARAM notification, const RowTexts& rows);
// Reads every row of `table` (the rows waiting for it included).
FileError ReadRows(RecordStore& store, RecordTable table, const std::vector<std::string>& columns, RowTexts& rows);
// Deletes every row of `table`; when that cannot be done completely (the
// table is held by another program), says so in a box owned by `owner` and
// returns false: the caller then shows what the table still holds.
bool DeleteTableOrSay(HWND owner, RecordStore& store, RecordTable table, const std::string& what);

}  // namespace voltaris
