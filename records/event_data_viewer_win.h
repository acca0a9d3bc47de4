// "Event Data": the daily counts of mains failures, scheduled shutdowns and
// battery-low signals, narrowed to the days between two date pickers.
#pragma once

#include "records/day_range.h"
#include "records/table_viewer_win.h"

namespace voltaris {

class EventDataViewer : public TableViewer {
 public:
  EventDataViewer();
  // Command 40009: opens the window unless it is open.
  void Open();

 private:
  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  void OnInit(HWND hwnd);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreatePickers();
  void Load(const std::string& from, const std::string& to);
  void OnCalendarClosed(Picker picker);
  Day PickedDay(int picker) const;
  void Paint();
  void Reload() override;

  // The days the table covered when the window last opened with rows; kept
  // over later openings of an empty table.
  Day firstRecorded_, lastRecorded_;
  std::string from_, to_;  // the days shown; empty: all
};

}  // namespace voltaris
