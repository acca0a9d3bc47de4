// "Log File": every event line, oldest first; Delete empties the event log.
#pragma once

#include "records/table_viewer_win.h"

namespace voltaris {

class LogViewer : public TableViewer {
 public:
  LogViewer();
  // Command 40006: opens the window unless it is open.
  void Open();

 private:
  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  void OnInit(HWND hwnd);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void Reload() override;
};

}  // namespace voltaris
