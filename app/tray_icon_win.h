// The program's icon in the notification area and its pop-up menu.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace voltaris {

class TrayIcon {
 public:
  using ShellNotify = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA);
  // How often an icon the shell refused is offered again: at logon the
  // shell may not be ready, and the window starts hidden, so without the
  // icon nothing would reach the program.
  static constexpr UINT kRetryMs = 2000;

  explicit TrayIcon(ShellNotify notify = Shell_NotifyIconA, UINT retryMs = kRetryMs);
  // False when the shell refused it; it is then offered again until taken.
  bool Add(HWND window, UINT id, HICON icon, HMENU menu);
  void Remove();
  // The shell's restart ("TaskbarCreated") and the retry timer; true when
  // the message was the tray's own.
  bool OnMessage(UINT message, WPARAM wParam);
  bool Added() const { return added_; }
  void ShowMenu(HWND window) const;
  static void Activate(HWND window) { SetForegroundWindow(window); }
  // The tip (up to 127 characters): the state in a few words.
  void SetTip(const std::string& tip);
  // A balloon over the icon; the shell shows one at a time, the newest.
  void ShowBalloon(const std::string& title, const std::string& text, bool warning);
  // What was shown last, for the inspector: "<count>\t<title>\t<text>".
  const std::string& LastBalloon() const { return lastBalloon_; }

 private:
  void Offer();

  ShellNotify notify_;
  UINT retryMs_;
  UINT taskbarCreated_;
  bool added_ = false;
  bool removed_ = false;
  HMENU menu_ = nullptr;
  NOTIFYICONDATAA data_ = {};
  unsigned balloons_ = 0;
  std::string lastBalloon_;
};

}  // namespace voltaris
