// The program's icon in the notification area and its pop-up menu.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace voltaris {

class TrayIcon {
 public:
  TrayIcon();
  int Add(HWND window, UINT id, HICON icon, HMENU menu);
  void Remove();
  void ShowMenu(HWND window) const;
  static void Activate(HWND window) { SetForegroundWindow(window); }
  // The tip (up to 63 characters), for example to say that records wait.
  void SetTip(const std::string& tip);

 private:
  int added_ = 0;
  HMENU menu_ = nullptr;
  NOTIFYICONDATAA data_ = {};
};

}  // namespace voltaris
