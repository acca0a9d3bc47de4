// "Weekly Schedule": for each weekday, the time at which the computer and
// the UPS shut down and, optionally, the time the UPS switches back on.
// Each part is a check box and a time picker enabled only while it is ticked.
#pragma once

#include <windows.h>

#include "app/dialog_win.h"

#include "config/config_file.h"
#include "schedule/weekly_schedule.h"

namespace voltaris {

class WeeklyScheduleDialog : public SkinnedDialog {
 public:
  void Attach(HINSTANCE instance, const ConfigFile& config) {
    instance_ = instance;
    config_ = &config;
  }
  // Command 40004: opens the dialog unless it is open.
  void Open();

 private:
  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  void OnInit(HWND hwnd);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateRowControls();
  void ShowStoredSchedule();
  WeeklySchedule ShownSchedule() const;
  void OnCheckBox(int id);
  void Paint();
  void OnPress(int x, int y);
  void OnOk();
  void Close();

  HINSTANCE instance_ = nullptr;
  const ConfigFile* config_ = nullptr;
};

}  // namespace voltaris
