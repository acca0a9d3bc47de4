// The ports of the program's parts, on the main window: its timers, its menu,
// its boxes and tray tip, and what the program's run starts and lets go of.
// The gauges are the gauge panel's own port.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/countdown_windows_win.h"
#include "app/line_keeper_win.h"
#include "app/program_run.h"
#include "app/tray_icon_win.h"
#include "net/nut_follower_win.h"
#include "net/nut_server_win.h"
#include "power/engine_ports.h"
#include "power/event_log.h"
#include "power/notifications.h"
#include "power/power_drill.h"
#include "ups/link_library_win.h"
#include "ups/monitor_mailbox.h"
#include "ups/monitor_thread_win.h"

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
  using Phase = NoticePhase;
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
  // Kept for the users' windows of the service's monitoring, which has no tray.
  Balloon last;
  unsigned shown = 0;
  void ShowBalloon(const Balloon& balloon) override {
    last = balloon;
    ++shown;
    tray->ShowBalloon(balloon.title, balloon.text, balloon.warning);
  }
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

// The program's run carried out on the main window: the monitor thread and
// the link library it calls are its own; the rest belongs to the window.
class WindowRun : public ProgramRunPort, public InstantCommandPort {
 public:
  struct Window {
    WindowNotices& notices;
    TrayIcon& tray;
    MonitorMailbox& mailbox;
    NutServer& networkServer;
    CountdownWindows& countdowns;
    LineHold& line;
  };
  explicit WindowRun(const Window& window) : w_(window) {}
  HWND hwnd = nullptr;
  EventLogPort* eventLog = nullptr;  // the service's monitoring: each shutdown asked, with why

  void SetNoticePhase(NoticePhase phase) override { w_.notices.phase = phase; }
  void LoadLinkLibrary() override;
  void UnloadLinkLibrary() override { link_.Unload(); }
  bool MonitorCallLeftRunning() const override { return monitor_ && monitor_->LeftOneRunning(); }
  void AimMonitorAt(const LinkSettings& settings) override;
  void StartMonitor() override;
  void StopMonitor() override;
  void ReopenMailbox() override { w_.mailbox.Reopen(); }
  void StopNetworkServer() override { w_.networkServer.Stop(); }
  void FollowNetworkUps(const NetworkUpsSettings& settings) override;
  void StopFollowing() override { follower_.Stop(); }
  void EveryServedReading(bool every) { follower_.EveryReading(every); }
  void SendInstantCommand(unsigned id, const std::string& command) override;
  void CloseCountdownWindows() override { w_.countdowns.CloseAll(); }
  void ReleaseLine() override { w_.line.Release(); }
  void RemoveTray() override { w_.tray.Remove(); }
  bool ShutdownSystem(const ShutdownRequest& request) override;
  void ForceSystemShutdown(const ShutdownRequest& request) override;

 private:
  Window w_;
  LinkLibrary link_;
  std::unique_ptr<MonitorThread> monitor_;
  NutFollower follower_;

  void PostNews(NetworkNews news) const;
};

}  // namespace voltaris
