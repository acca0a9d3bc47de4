// What the record viewers share: the store, their list and the rows it
// shows, the Close and Delete buttons. Delete reaches the table first and
// empties the list only when that worked.
#pragma once

#include <windows.h>

#include <string>

#include "gui/dialog_win.h"
#include "i18n/catalogue.h"
#include "records/row_list_win.h"

namespace voltaris {

class TableViewer : public SkinnedDialog {
 public:
  void Attach(HINSTANCE instance, HWND owner, RecordStore& store) {
    instance_ = instance;
    owner_ = owner;
    store_ = &store;
  }

 protected:
  TableViewer(RecordTable table, size_t columns, Text what, HotZone close, HotZone remove)
      : table_(table), rows_(columns), what_(what), closeZone_(close), deleteZone_(remove) {}
  // The buttons, the caption's close and the list's requests for texts.
  // True when `message` was one of those.
  bool OnCommonMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
  void ShowError(const FileError& error);
  // Reads the rows the list shows again.
  virtual void Reload() = 0;
  void Close();

  HINSTANCE instance_ = nullptr;
  HWND owner_ = nullptr;
  RecordStore* store_ = nullptr;
  HWND list_ = nullptr;
  const RecordTable table_;
  RowTexts rows_;

 private:
  void OnDelete();

  const Text what_;  // the table, as a box about it names it
  const HotZone closeZone_, deleteZone_;
};

}  // namespace voltaris
