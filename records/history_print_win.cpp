#include "records/history_print_win.h"

#include <commdlg.h>

#include <string_view>

#include "gui/dialog_win.h"
#include "i18n/catalogue.h"
#include "records/history_view.h"
#include "records/row_list_win.h"

namespace voltaris {
namespace {

std::string Failed(const char* what) {
  return std::string("Printing failed: ") + what + " (error " + std::to_string(GetLastError()) + ").";
}

void PrintText(HDC dc, int x, int y, std::string_view text) {
  TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
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

// The pages `rows` rows take, laid out as `pages` (not yet used) lays them.
int PagesFor(PrintPages pages, size_t rows) {
  for (size_t i = 0; i < rows; ++i) pages.Next();
  return pages.Pages();
}

}  // namespace

std::unique_ptr<HistoryPrintJob> HistoryPrintJob::Start(HWND owner, RecordStore& store, std::string& error) {
  HDC dc = ChoosePrinter(owner, error);
  if (dc == nullptr) return nullptr;
  TEXTMETRICA metrics = {};
  if (!GetTextMetricsA(dc, &metrics)) {
    error = Failed("the printer's font could not be measured");
    DeleteDC(dc);
    return nullptr;
  }
  std::unique_ptr<HistoryPrintJob> job(new HistoryPrintJob(dc, metrics));
  error = job->TakeSnapshot(store);
  if (error.empty()) error = job->BeginDocument();
  if (!error.empty()) job.reset();
  return job;
}

// The pitch comes from the device's own font, before the print font is
// selected: it is the line spacing the page was laid out with.
HistoryPrintJob::HistoryPrintJob(HDC dc, const TEXTMETRICA& metrics)
    : dc_(dc),
      pages_(GetDeviceCaps(dc, VERTRES), metrics.tmHeight + metrics.tmExternalLeading),
      rows_(kHistoryColumns) {
  font_ = CreateLabelFont(kHistoryPrintFontHeight);
  oldFont_ = SelectObject(dc_, font_);
}

HistoryPrintJob::~HistoryPrintJob() {
  if (started_) AbortDoc(dc_);
  SelectObject(dc_, oldFont_);
  DeleteObject(font_);
  DeleteDC(dc_);
}

// A table that cannot be read is not half printed: no document is begun.
std::string HistoryPrintJob::TakeSnapshot(RecordStore& store) {
  const FileError read = ReadRows(store, RecordTable::History, InfoOf(RecordTable::History).columns, rows_);
  if (read) return "The history could not be printed.\n\n" + read.message;
  pageCount_ = PagesFor(pages_, rows_.Rows());
  return {};
}

// Empty, or what went wrong.
std::string HistoryPrintJob::BeginDocument() {
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

bool HistoryPrintJob::PrintSlice(DWORD budgetMs) {
  const DWORD start = GetTickCount();
  while (nextRow_ < rows_.Rows() && error_.empty()) {
    PrintRow(nextRow_++);
    if (GetTickCount() - start >= budgetMs) return true;
  }
  EndDocument();
  return false;
}

void HistoryPrintJob::PrintRow(size_t row) {
  const PrintedRow at = pages_.Next();
  if (at.newPage && (EndPage(dc_) <= 0 || StartPage(dc_) <= 0)) {
    error_ = Failed("a new page was refused");
    return;
  }
  for (size_t column = 0; column < kHistoryColumns; ++column) {
    PrintText(dc_, kHistoryPrintColumnX[column], at.y, rows_.Cell(row, column));
  }
}

// After a failure the document stays unended, and is dropped with the job.
void HistoryPrintJob::EndDocument() {
  if (!error_.empty()) return;
  if (EndPage(dc_) <= 0) {
    error_ = Failed("the last page was refused");
    return;
  }
  started_ = false;
  if (EndDoc(dc_) <= 0) error_ = Failed("the document could not be ended");
}

}  // namespace voltaris
