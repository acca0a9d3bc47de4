#include "records/history_print_win.h"

#include <commdlg.h>

#include "gui/dialog_win.h"
#include "i18n/catalogue.h"
#include "records/history_view.h"
#include "records/print_layout.h"

namespace voltaris {
namespace {

std::string Failed(const char* what) {
  return std::string("Printing failed: ") + what + " (error " + std::to_string(GetLastError()) + ").";
}

void PrintText(HDC dc, int x, int y, const std::string& text) {
  TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

// The device context of the printer the user chose; null when the dialog
// was cancelled or failed (then `error` says why).
HDC ChoosePrinter(HWND owner, std::string& error) {
  PRINTDLGA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
  dialog.nCopies = 1;
  const BOOL chosen = PrintDlgA(&dialog);
  if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
  if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
  if (!chosen) {
    if (const DWORD code = CommDlgExtendedError()) {
      error = "The print dialog could not be shown (error " + std::to_string(code) + "): is a printer installed?";
    }
    return nullptr;
  }
  if (dialog.hDC == nullptr) error = "The printer chosen gave no device to print on.";
  return dialog.hDC;
}

// One document on the printer: the title and the header on its first page,
// then the rows as the table gives them.
class HistoryDocument {
 public:
  // The pitch comes from the device's own font, before the print font is
  // selected: it is the line spacing the page was laid out with.
  HistoryDocument(HDC dc, const TEXTMETRICA& metrics)
      : dc_(dc), pages_(GetDeviceCaps(dc, VERTRES), metrics.tmHeight + metrics.tmExternalLeading) {
    font_ = CreateLabelFont(kHistoryPrintFontHeight);
    oldFont_ = SelectObject(dc_, font_);
  }
  ~HistoryDocument() {
    if (started_) AbortDoc(dc_);
    SelectObject(dc_, oldFont_);
    DeleteObject(font_);
  }
  HistoryDocument(const HistoryDocument&) = delete;
  HistoryDocument& operator=(const HistoryDocument&) = delete;

  // Empty, or what went wrong.
  std::string Start() {
    DOCINFOA info = {};
    info.cbSize = sizeof info;
    info.lpszDocName = "Voltaris";
    if (StartDocA(dc_, &info) <= 0) return Failed("the document was refused");
    started_ = true;
    if (StartPage(dc_) <= 0) return Failed("the first page was refused");
    PrintText(dc_, kHistoryPrintTitleX, kHistoryPrintTitleY, kHistoryPrintTitle);
    PrintText(dc_, kHistoryPrintHeaderX, kHistoryPrintHeaderY, Tr(Text::HistoryPrintHeading));
    return {};
  }

  // Rows after a failure are dropped; Finish reports it.
  void AddRow(const std::vector<std::string>& row) {
    if (!error_.empty()) return;
    const PrintedRow at = pages_.Next();
    if (at.newPage && (EndPage(dc_) <= 0 || StartPage(dc_) <= 0)) {
      error_ = Failed("a new page was refused");
      return;
    }
    for (size_t i = 0; i < row.size() && i < kHistoryColumns; ++i) PrintText(dc_, kHistoryPrintColumnX[i], at.y, row[i]);
  }

  // Empty, or what went wrong (then the document is dropped).
  std::string Finish() {
    if (!error_.empty()) return error_;
    if (EndPage(dc_) <= 0) return Failed("the last page was refused");
    started_ = false;
    if (EndDoc(dc_) <= 0) return Failed("the document could not be ended");
    return {};
  }

 private:
  HDC dc_;
  PrintPages pages_;
  HFONT font_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  bool started_ = false;
  std::string error_;
};

// Prints every row of the table on `dc`; empty, or what went wrong.
std::string PrintRows(HDC dc, RecordStore& store) {
  TEXTMETRICA metrics = {};
  if (!GetTextMetricsA(dc, &metrics)) return Failed("the printer's font could not be measured");
  HistoryDocument document(dc, metrics);
  if (std::string error = document.Start(); !error.empty()) return error;
  const FileError read = store.ReadAll(RecordTable::History, InfoOf(RecordTable::History).columns,
                                       [&document](const std::vector<std::string>& row) { document.AddRow(row); });
  // A table that cannot be read is not half printed: the document is dropped.
  if (read) return "The history could not be printed.\n\n" + read.message;
  return document.Finish();
}

}  // namespace

std::string PrintHistory(HWND owner, RecordStore& store) {
  std::string error;
  HDC dc = ChoosePrinter(owner, error);
  if (dc == nullptr) return error;
  error = PrintRows(dc, store);
  DeleteDC(dc);
  return error;
}

}  // namespace voltaris
