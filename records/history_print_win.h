// Prints the history table on a printer the user chooses: a title and a
// column header on the first page, then one line per row, in table order.
#pragma once

#include <windows.h>

#include <string>

#include "records/record_store.h"

namespace voltaris {

// The print dialog is owned by `owner`. The rows are read from the table
// itself, so a list on screen that is out of date does not matter. Returns
// what went wrong, for the user; empty when the rows were printed or the
// user cancelled the dialog.
std::string PrintHistory(HWND owner, RecordStore& store);

}  // namespace voltaris
