// "UPS  Setting Configure": the link to the UPS on the dialog itself, and
// three pages (recording, warnings, battery) created when their icon is
// clicked. OK saves the page on display and the link, then tells the main
// window, which applies them; a failed save keeps the dialog open.
#pragma once

#include <windows.h>

#include <functional>

#include "config/settings_forms.h"
#include "gui/dialog_win.h"

namespace voltaris {

class SettingsDialog : public SkinnedDialog {
 public:
  struct Hooks {
    std::function<void()> saved;             // the settings file holds the new values
    std::function<void(bool open)> opened;  // the dialog opened or closed
  };
  void Attach(HINSTANCE instance, HWND owner, const ConfigFile& config, Hooks hooks) {
    instance_ = instance;
    owner_ = owner;
    config_ = &config;
    hooks_ = std::move(hooks);
  }
  // Command 40001: opens the dialog unless it is open.
  void Open();
  // Registers the page bar "pic5".
  static bool RegisterPageBar(HINSTANCE instance);

 private:
  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK PageBarProcedure(HWND bar, UINT message, WPARAM wParam, LPARAM lParam);
  void OnInit(HWND hwnd);
  void OnDestroy();
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateLinkControls();
  void ShowLinkChoice(const LinkChoice& choice);
  void OnPortChanged();
  void ShowPage(SettingsPage page);
  HWND CreatePage(SettingsPage page);
  void ShowPageValues(const ShownSettings& values);
  ShownSettings ShownValues() const;
  void OnPress(int x, int y);
  void OnOk();
  void OnDefault();
  void Close();
  void Paint();

  HINSTANCE instance_ = nullptr;
  HWND owner_ = nullptr;
  const ConfigFile* config_ = nullptr;
  Hooks hooks_;
  HWND page_ = nullptr;
  SettingsPage shown_ = SettingsPage::Link;
  HBRUSH labelBrush_ = nullptr;
};

}  // namespace voltaris
