// "History Data": the rows of the history table in a list, with painted
// buttons to delete them all, print them, read them again and close.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "records/history_print_win.h"
#include "records/table_viewer_win.h"

namespace voltaris {

class HistoryWindow : public TableViewer {
 public:
  HistoryWindow();
  // Command 40007: opens the window unless it is open. Its owner (the main
  // window) also owns the print dialog.
  void Open();

 private:
  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  void OnInit(HWND hwnd);
  void OnDestroy();
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Reload() override;
  void Paint();
  void OnPrint();
  void StartPrinting();
  void OnPrintTimer();
  void EndPrinting();
  void ShowPrintControls();
  void ShowPrintProgress();
  void HidePrintControls();
  void OnRefresh();
  void OnRefreshTimer();

  std::string directory_;  // the current folder when the window opened
  bool choosingPrinter_ = false;
  std::unique_ptr<HistoryPrintJob> print_;  // while rows are printing
  HWND printProgress_ = nullptr, printCancel_ = nullptr;
};

}  // namespace voltaris
