#include "app/tray_icon_win.h"

#include "app/app_messages.h"
#include "power/timer_ids.h"

namespace voltaris {

TrayIcon::TrayIcon(ShellNotify notify, UINT retryMs)
    : notify_(notify), retryMs_(retryMs), taskbarCreated_(RegisterWindowMessageA("TaskbarCreated")) {
  // The form with balloons, which every shell since Windows 2000 knows.
  data_.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = kTrayCallbackMessage;
  lstrcpynA(data_.szTip, "Voltaris", sizeof data_.szTip);
}

bool TrayIcon::Add(HWND window, UINT id, HICON icon, HMENU menu) {
  data_.hWnd = window;
  data_.uID = id;
  data_.hIcon = icon;
  menu_ = menu;
  Offer();
  return added_;
}

void TrayIcon::Offer() {
  added_ = notify_(NIM_ADD, &data_) != 0;
  if (added_) {
    KillTimer(data_.hWnd, kTimerTrayRetry);
  } else {
    SetTimer(data_.hWnd, kTimerTrayRetry, retryMs_, nullptr);
  }
}

bool TrayIcon::OnMessage(UINT message, WPARAM wParam) {
  if (removed_ || !data_.hWnd) return false;
  if (message == WM_TIMER && wParam == kTimerTrayRetry) {
    Offer();
    return true;
  }
  if (message != 0 && message == taskbarCreated_) {
    // A new shell knows no icon; one that sends this for another reason
    // (a display change) still has ours and would refuse a second add.
    notify_(NIM_DELETE, &data_);
    Offer();
    return true;
  }
  return false;
}

void TrayIcon::Remove() {
  removed_ = true;
  if (data_.hWnd) KillTimer(data_.hWnd, kTimerTrayRetry);
  if (added_) notify_(NIM_DELETE, &data_);
  added_ = false;
}

void TrayIcon::SetTip(const std::string& tip) {
  lstrcpynA(data_.szTip, tip.c_str(), sizeof data_.szTip);
  if (added_) notify_(NIM_MODIFY, &data_);
}

// The balloon's flag is cleared again at once: a later tip change or a
// re-add after the shell's restart must not show it a second time.
void TrayIcon::ShowBalloon(const std::string& title, const std::string& text, bool warning) {
  ++balloons_;
  lastBalloon_ = std::to_string(balloons_) + "\t" + title + "\t" + text;
  if (!added_) return;  // no icon to show it from; the tip still tells the state
  data_.uFlags |= NIF_INFO;
  lstrcpynA(data_.szInfoTitle, title.c_str(), sizeof data_.szInfoTitle);
  lstrcpynA(data_.szInfo, text.c_str(), sizeof data_.szInfo);
  data_.dwInfoFlags = warning ? NIIF_WARNING : NIIF_INFO;
  data_.uTimeout = 10000;
  notify_(NIM_MODIFY, &data_);
  data_.uFlags &= ~NIF_INFO;
}

void TrayIcon::ShowMenu(HWND window) const {
  POINT at;
  GetCursorPos(&at);
  SetForegroundWindow(window);
  TrackPopupMenu(menu_, TPM_RIGHTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
  PostMessageA(window, WM_NULL, 0, 0);  // lets the menu close when the user clicks elsewhere
}

}  // namespace voltaris
