// "UPS  Setting Configure": the link to the UPS on the dialog itself, and
// three pages (recording, warnings, battery) created when their icon is
// clicked. OK saves the page on display and the link, then tells the main
// window, which applies them; a failed save keeps the dialog open.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "config/settings_forms.h"
#include "gui/dialog_win.h"
#include "gui/picture_pane_win.h"
#include "res/resource_ids.h"

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
  // One line shown under the network UPS's fields while it is chosen (what
  // its server last said, say); none while empty. Kept for the next opening.
  void SetNetworkNote(const std::string& text);
  // Registers the page bar "pic5".
  static bool RegisterPageBar(HINSTANCE instance);

 private:
  // The bar of page icons above the page.
  struct PageBar {
    HWND hwnd = nullptr;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnPress(int x, int y);
  };

  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  friend class DialogPage<SettingsDialog>;
  void OnInit(HWND hwnd);
  void OnDestroy();
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnPageMessage(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnLabelColour(HDC dc);
  void CreateLinkControls();
  void ShowLinkChoice(const LinkChoice& choice);
  void ShowNetworkFields(const NetworkUpsFields& fields);
  void ShowLinkControls();
  void ShowPage(SettingsPage page);
  void CreatePage(SettingsPage page);
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
  DialogPage<SettingsDialog> page_{*this};  // the page on display, none for the link
  PageBar pageBar_;
  PicturePane sidePane_{nullptr, IDB_SETUP_SIDE};
  SettingsPage shown_ = SettingsPage::Link;
  HBRUSH labelBrush_ = nullptr;
  std::string networkNote_;
};

}  // namespace voltaris
