// "CloseApplication": the rows of the closed-applications table, the newest
// first, with OK (close) and Clear (empty the table) painted buttons.
#pragma once

#include <windows.h>

#include "gui/dialog_win.h"
#include "records/record_store.h"

namespace voltaris {

class ClosedAppsWindow : public SkinnedDialog {
 public:
  void Attach(HINSTANCE instance, HWND owner, RecordStore& store) {
    instance_ = instance;
    owner_ = owner;
    store_ = &store;
  }
  // Command 40011: opens the window unless it is open.
  void Open();

 private:
  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  void OnInit(HWND hwnd);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool CreateList();
  void ShowRows();
  void Paint();
  void OnPress(int x, int y);
  void OnClear();

  HINSTANCE instance_ = nullptr;
  HWND owner_ = nullptr;
  RecordStore* store_ = nullptr;
  HWND list_ = nullptr;
};

}  // namespace voltaris
