// "Alarm Message": the seven warning texts, edited on a page inside a framed
// dialog. OK saves them (each cut to 99 characters) or, when the settings
// cannot be written, says so and keeps the user's texts on screen.
#pragma once

#include <windows.h>

#include "config/settings_forms.h"
#include "gui/dialog_win.h"
#include "gui/picture_pane_win.h"
#include "res/resource_ids.h"

namespace voltaris {

class AlarmDialog : public SkinnedDialog {
 public:
  void Attach(HINSTANCE instance, HWND owner, const ConfigFile& config) {
    instance_ = instance;
    owner_ = owner;
    config_ = &config;
  }
  // Command 40002: opens the dialog unless it is open.
  void Open();

 private:
  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  friend class DialogPage<AlarmDialog>;
  void OnInit(HWND hwnd);
  void OnDestroy();
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreatePage();
  void ShowTexts(const AlarmTexts& texts);
  void PaintPage();
  void OnPress(int x, int y);
  void OnOk();

  HINSTANCE instance_ = nullptr;
  HWND owner_ = nullptr;
  const ConfigFile* config_ = nullptr;
  DialogPage<AlarmDialog> page_{*this};  // the seven fields and their labels
  PicturePane sidePane_{nullptr, IDB_ALARM_SIDE};
  PicturePane strip_;  // the empty strip along the top
  HBRUSH fieldBrush_ = nullptr;
};

}  // namespace voltaris
