// The ports of the program's parts, on the main window: its timers, its menu,
// its boxes and tray tip. The gauges are the gauge panel's own port.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/tray_icon_win.h"
#include "power/engine_ports.h"
#include "power/notifications.h"
#include "power/power_drill.h"

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

// The boxes, and the tray tip's news. While the program runs, boxes are posted and
// shown by the message loop, so the engine carries on; while it ends they are
// shown at once, by the window that still lives, or not at all when Windows
// is going down.
class WindowNotices : public NoticePort {
 public:
  enum class Phase { Running, Ending, SystemEnding };
  HWND hwnd = nullptr;
  std::function<void()> stateChanged;  // the tray tip says the state afresh
  Phase phase = Phase::Running;
  bool headless = false;  // the service's monitoring: nobody could answer a box

  void ShowNoUpsBox(bool ownedByMainWindow) override;
  void ReportRecordsWaiting(const std::string& problem) override;
  void ShowRecordsWaiting(bool waiting) override;
};

// The count-downs' windows where none can be shown (the service): each is
// "open" until its count-down closes it, as one nobody answers would be.
class HeadlessViews : public CountdownViews {
 public:
  bool IsOpen(CountdownWindow window) const override { return open_[static_cast<size_t>(window)]; }
  void Open(CountdownWindow window) override { open_[static_cast<size_t>(window)] = true; }
  void Close(CountdownWindow window) override { open_[static_cast<size_t>(window)] = false; }
  void Blink(CountdownWindow, Triangle) override {}

 private:
  std::array<bool, kCountdownWindowCount> open_{};
};

class WindowBalloons : public BalloonPort {
 public:
  TrayIcon* tray = nullptr;
  void ShowBalloon(const Balloon& balloon) override { tray->ShowBalloon(balloon.title, balloon.text, balloon.warning); }
};

// The drill's report is a box posted to the main window, so the count-down
// that ends does not wait for the user.
class WindowDrill : public DrillPort {
 public:
  HWND hwnd = nullptr;
  std::vector<std::string> OpenApplications() const override;
  bool MayShutDown() const override;
  void ShowReport(const std::string& report) override;
};

}  // namespace voltaris
