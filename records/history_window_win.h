// "History Data": the rows of the history table in a list, with painted
// buttons to delete them all, print them, read them again and close.
#pragma once

#include <windows.h>

#include <string>

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
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Reload() override;
  void Paint();
  void OnPrint();
  void OnRefresh();
  void OnRefreshTimer();

  std::string directory_;  // the current folder when the window opened
  bool printing_ = false;
};

}  // namespace voltaris
