#include "app/tray_icon_win.h"

#include "app/app_messages.h"

namespace voltaris {

TrayIcon::TrayIcon() {
  data_.cbSize = NOTIFYICONDATAA_V1_SIZE;  // the 88-byte form every shell knows
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = kTrayCallbackMessage;
  lstrcpynA(data_.szTip, "Voltaris", sizeof data_.szTip);
}

int TrayIcon::Add(HWND window, UINT id, HICON icon, HMENU menu) {
  data_.hWnd = window;
  data_.uID = id;
  data_.hIcon = icon;
  menu_ = menu;
  added_ = Shell_NotifyIconA(NIM_ADD, &data_) ? 1 : 0;
  return added_;
}

void TrayIcon::Remove() {
  if (added_) Shell_NotifyIconA(NIM_DELETE, &data_);
  added_ = 0;
}

void TrayIcon::SetTip(const std::string& tip) {
  lstrcpynA(data_.szTip, tip.c_str(), sizeof data_.szTip);
  if (added_) Shell_NotifyIconA(NIM_MODIFY, &data_);
}

void TrayIcon::ShowMenu(HWND window) const {
  POINT at;
  GetCursorPos(&at);
  SetForegroundWindow(window);
  TrackPopupMenu(menu_, TPM_RIGHTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
  PostMessageA(window, WM_NULL, 0, 0);  // lets the menu close when the user clicks elsewhere
}

}  // namespace voltaris
