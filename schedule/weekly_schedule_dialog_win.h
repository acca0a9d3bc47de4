// "Weekly Schedule": for each weekday, the time at which the computer and
// the UPS shut down and, optionally, the time the UPS switches back on.
// Each part is a check box and a time picker enabled only while it is ticked.
#pragma once

#include <windows.h>

#include "schedule/schedule_dialog_win.h"
#include "schedule/weekly_schedule.h"

namespace voltaris {

// Command 40004 opens it.
class WeeklyScheduleDialog final : public ScheduleDialog {
 public:
  WeeklyScheduleDialog();

 private:
  void CreateRowControls() override;
  void ShowStoredSchedule() override;
  void OnCheckBox(int id) override;
  void OnOk() override;
  WeeklySchedule ShownSchedule() const;
};

}  // namespace voltaris
