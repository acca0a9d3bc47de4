// What the two schedule dialogs (weekly and special dates) share: the skin
// with its picture pane, column titles and row labels; OK and Cancel as
// painted buttons; check boxes that enable their pickers; the pickers read
// and set in the schedule's terms; and the report of an OK.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "config/config_file.h"
#include "gui/dialog_win.h"
#include "gui/picture_pane_win.h"
#include "i18n/catalogue.h"
#include "res/resource_ids.h"
#include "res/skin_layout.h"
#include "schedule/date_schedule.h"
#include "schedule/weekly_schedule.h"

namespace voltaris {

// Where a schedule dialog has its parts, in client pixels.
struct ScheduleDialogLayout {
  int templateId;
  int width, height;
  int paneId, paneHeight;  // the "pic14" pane at the left edge, 70 wide
  int labelFontHeight;
  Text caption;  // Text::Count: the template's own
  Text shutdownTitleText;  // may hold a line break: painted on two lines
  POINT shutdownTitle, restartTitle;
  int rowLabelX;
  int rowLabelY[7];
  Text firstRowLabel;  // the row labels follow it in the catalogue
  PicturePlace okPicture, cancelPicture;
  HotZone ok, cancel;
};

class ScheduleDialog : public SkinnedDialog {
 public:
  void Attach(HINSTANCE instance, HWND owner, const ConfigFile& config) {
    instance_ = instance;
    owner_ = owner;
    config_ = &config;
  }
  // Asked at each painting: a UPS another computer serves is not switched
  // off by a schedule of ours, and the dialog says so under its rows.
  void NoteWhenUpsIsServed(std::function<bool()> served) { upsServed_ = std::move(served); }
  // Told after each save, whole or in part.
  void NoteWhenSaved(std::function<void()> saved) { saved_ = std::move(saved); }
  // Opens the dialog unless it is open.
  void Open();

 protected:
  explicit ScheduleDialog(const ScheduleDialogLayout& layout) : layout_(layout) {}
  ~ScheduleDialog() = default;

  virtual void CreateRowControls() = 0;
  virtual void ShowStoredSchedule() = 0;
  virtual void OnCheckBox(int id) = 0;
  // Saves what the dialog shows; closes it when nothing is left to mend.
  virtual void OnOk() = 0;

  // A check box or picker of a row, `width` wide, at (x, y).
  void MakeControl(const char* cls, DWORD style, int x, int y, int width, int id);

  HINSTANCE instance_ = nullptr;
  HWND owner_ = nullptr;
  const ConfigFile* config_ = nullptr;
  void TellSaved() const {
    if (saved_) saved_();
  }

 private:
  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  void OnInit(HWND hwnd);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void OnPress(int x, int y);

  const ScheduleDialogLayout& layout_;
  PicturePane sidePane_{nullptr, IDB_SCHEDULE_SIDE};
  std::function<bool()> upsServed_;
  std::function<void()> saved_;
};

// Hours, minutes and seconds on the 24-hour clock, whatever the user's locale.
constexpr char kTimePickerFormat[] = "   HH':'mm':'ss";

// A time picker shows `time` of today.
void ShowPickerTime(HWND picker, TimeOfDay time);
TimeOfDay PickerTime(HWND picker);
// A date picker shows `date`; one it cannot show ("None" read as 0-0-0)
// leaves the picker on the date it had.
void ShowPickerDate(HWND picker, CalendarDate date);
CalendarDate PickerDate(HWND picker);

// Ticks or clears a part's box, and enables its pickers only while it is ticked.
void TickPart(HWND dialog, int boxId, std::initializer_list<int> pickerIds, bool ticked);
inline bool IsTicked(HWND dialog, int boxId) { return IsDlgButtonChecked(dialog, boxId) == BST_CHECKED; }

// Tells the user what an OK could not do: the write that failed, else each
// refused row in turn. Whether the dialog may close (nothing to mend).
bool ReportScheduleSave(HWND dialog, const ScheduleSaveOutcome& outcome, std::string (*rowError)(int),
                        const char* notSaved);

}  // namespace voltaris
