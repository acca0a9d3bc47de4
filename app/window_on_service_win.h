// A user's window on the service: nothing is read from the UPS nor written
// to the records here. The service's state is shown (gauges, count-downs,
// tray), its users' commands passed on, and the settings they save written
// by the service.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/countdown_windows_win.h"
#include "app/gauge_panel_win.h"
#include "app/tray_icon_win.h"
#include "app/window_ports_win.h"
#include "config/config_file.h"
#include "net/window_pipe_win.h"
#include "power/notifications.h"
#include "power/timed_test_dialog_win.h"

namespace voltaris {

class WindowOnService {
 public:
  // What it shows the service on; all of it outlives it.
  struct Window {
    HWND hwnd;  // owns its boxes, and is posted the service's news (WM_APP_SERVICE_NEWS)
    TrayIcon& tray;
    GaugePanel& gauges;
    CountdownWindows& countdowns;
    WindowMenus& menus;
    TimedTestDialog& timedTest;
    ConfigFile& config;  // written through the service from now on
    std::function<void()> stateChanged;  // the tray tip says the state afresh
  };

  explicit WindowOnService(const Window& window) : w_(window) {}
  WindowOnService(const WindowOnService&) = delete;
  WindowOnService& operator=(const WindowOnService&) = delete;

  // Starts asking the service; said not to run at once when that cannot start.
  void Begin();
  void Stop() { link_.Stop(); }
  void OnNews(const ServiceNews& news);

  // The commands the service carries out for its users; false for the rest,
  // which are this window's own (the viewers, the About box).
  bool AskService(WORD command);
  void AskToApplySettings() { link_.Ask(WindowAsks::ApplySettings); }
  // The balloon that said the service is not running offers to start it.
  void OnBalloonClicked();

  ServiceWait Wait() const { return wait_; }
  const TrayState& Tray() const { return tray_; }  // what the service last said

 private:
  void ShowServiceState(const ServiceState& state);
  void NoteServiceSilent();
  void OfferToStartService();
  void ShowServiceAnswer(const std::string& answer);
  FileError SetThroughService(const std::string& section, const ConfigFile::KeyValues& keys);

  Window w_;
  ServiceWindowLink link_;
  ServiceWait wait_ = ServiceWait::None;
  TrayState tray_;
  unsigned balloons_ = 0;  // how many balloons the service had shown when it last said
};

}  // namespace voltaris
