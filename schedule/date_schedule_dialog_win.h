// The special-date schedule: seven numbered rows, each a shutdown of the
// computer and the UPS at a date and time and, optionally, the UPS's restart
// at another. Each part is a check box with a date and a time picker,
// enabled only while the box is ticked.
#pragma once

#include <windows.h>

#include "base/local_clock.h"
#include "schedule/schedule_dialog_win.h"
#include "schedule/date_schedule.h"

namespace voltaris {

// Command 40005 (Ctrl+P; no menu shows it) opens it.
class SpecialScheduleDialog final : public ScheduleDialog {
 public:
  SpecialScheduleDialog();

 private:
  void CreateRowControls() override;
  void ShowStoredSchedule() override;
  void OnCheckBox(int id) override;
  void OnOk() override;
  SpecialSchedule ShownSchedule() const;

  // The system's own, as the scheduled shutdown reads it: a restart is
  // checked in the real minutes the switch-off command will count.
  SystemLocalClock clock_;
};

}  // namespace voltaris
