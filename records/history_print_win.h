// Prints the history table on a printer the user chooses: a title and a
// column header on the first page, then one line per row, in table order.
//
// A month of history is half a million rows, minutes of printing. The user
// interface thread also runs the power timers, so a print never holds it
// for long: the job prints a slice of rows at a time, and the window that
// owns it lets messages (and timers) through between slices.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "records/print_layout.h"
#include "records/record_store.h"
#include "records/row_texts.h"

namespace voltaris {

class HistoryPrintJob {
 public:
  // Shows the print dialog, owned by `owner`, then copies the table's rows
  // and starts the document: rows added while it prints belong to the next
  // print. The rows come from the table itself, so a list on screen that is
  // out of date does not matter. Null when the user cancelled the dialog
  // (`error` empty) or the print could not start (`error` says why, for the
  // user).
  static std::unique_ptr<HistoryPrintJob> Start(HWND owner, RecordStore& store, std::string& error);
  // A job that has not ended its document drops it: nothing is printed.
  ~HistoryPrintJob();
  HistoryPrintJob(const HistoryPrintJob&) = delete;
  HistoryPrintJob& operator=(const HistoryPrintJob&) = delete;

  // Prints rows for about `budgetMs` milliseconds; after the last row ends
  // the document. True while rows remain.
  bool PrintSlice(DWORD budgetMs);
  // What went wrong, for the user; empty while all is well.
  const std::string& Error() const { return error_; }
  int Page() const { return pages_.Pages(); }
  int PageCount() const { return pageCount_; }

 private:
  HistoryPrintJob(HDC dc, const TEXTMETRICA& metrics);
  std::string TakeSnapshot(RecordStore& store);
  std::string BeginDocument();
  void PrintRow(size_t row);
  void EndDocument();

  HDC dc_;
  PrintPages pages_;
  HFONT font_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  bool started_ = false;
  RowTexts rows_;
  size_t nextRow_ = 0;
  int pageCount_ = 1;
  std::string error_;
};

}  // namespace voltaris
