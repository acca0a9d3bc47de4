// The ports of the program's parts, on the main window: its timers, its menu,
// its boxes and tray tip. The gauges are the gauge panel's own port.
#pragma once

#include <windows.h>

#include <string>

#include "app/tray_icon_win.h"
#include "power/engine_ports.h"

namespace voltaris {

class WindowTimers : public TimerPort {
 public:
  HWND hwnd = nullptr;
  void Arm(unsigned id, unsigned periodMs) override { SetTimer(hwnd, id, periodMs, nullptr); }
  void Kill(unsigned id) override { KillTimer(hwnd, id); }
};

class WindowMenus : public MenuPort {
 public:
  HWND hwnd = nullptr;
  HMENU menu = nullptr;
  void SetControlCenterEnabled(bool enabled) override;
  void SetCommandEnabled(unsigned command, bool enabled) override;

 private:
  bool controlCenterKnown_ = false, controlCenterEnabled_ = false;
};

// The boxes and the tray tip. While the program runs, boxes are posted and
// shown by the message loop, so the engine carries on; while it ends they are
// shown at once, by the window that still lives, or not at all when Windows
// is going down.
class WindowNotices : public NoticePort {
 public:
  enum class Phase { Running, Ending, SystemEnding };
  HWND hwnd = nullptr;
  TrayIcon* tray = nullptr;
  Phase phase = Phase::Running;

  void ShowNoUpsBox(bool ownedByMainWindow) override;
  void ReportRecordsWaiting(const std::string& problem) override;
  void ShowRecordsWaiting(bool waiting) override;
};

}  // namespace voltaris
