#include "records/history_print_win.h"

#include <commdlg.h>

#include <string_view>

#include "gui/dialog_win.h"
#include "i18n/catalogue.h"
#include "records/history_view.h"
#include "records/row_list_win.h"

namespace voltaris {
namespace {

std::string Failed(Text what) {
  const DWORD code = GetLastError();  // before anything else can change it
  return std::string(Tr(Text::PrintFailed)) + Tr(what) + Tr(Text::PrintErrorCode) + std::to_string(code) + ").";
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
      error = std::string(Tr(Text::PrintDialogNotShown)) + Tr(Text::PrintErrorCode) + std::to_string(code) +
              Tr(Text::PrinterInstalledQuestion);
    }
    return nullptr;
  }
  if (dialog.hDC == nullptr) error = Tr(Text::PrinterNoDevice);
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
    error = Failed(Text::PrintFontNotMeasured);
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
  const FileError read = ReadRows(store, RecordTable::History, LastingColumns(RecordTable::History), rows_);
  if (read) return std::string(Tr(Text::HistoryNotPrinted)) + "\n\n" + read.message;
  pageCount_ = PagesFor(pages_, rows_.Rows());
  return {};
}

// Empty, or what went wrong.
std::string HistoryPrintJob::BeginDocument() {
  DOCINFOA info = {};
  info.cbSize = sizeof info;
  info.lpszDocName = "Voltaris";
  if (StartDocA(dc_, &info) <= 0) return Failed(Text::PrintDocumentRefused);
  started_ = true;
  if (StartPage(dc_) <= 0) return Failed(Text::PrintFirstPageRefused);
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
    error_ = Failed(Text::PrintNewPageRefused);
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
    error_ = Failed(Text::PrintLastPageRefused);
    return;
  }
  started_ = false;
  if (EndDoc(dc_) <= 0) error_ = Failed(Text::PrintDocumentNotEnded);
}

}  // namespace voltaris
