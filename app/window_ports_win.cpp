#include "app/window_ports_win.h"

#include <algorithm>
#include <string>

#include "app/app_messages.h"
#include "i18n/catalogue.h"
#include "power/system_shutdown_win.h"
#include "res/resource_ids.h"

namespace voltaris {

// Asked at every reply: the menu bar is redrawn only when the entry changes.
void WindowMenus::SetControlCenterEnabled(bool enabled) {
  if (controlCenterKnown_ && controlCenterEnabled_ == enabled) return;
  controlCenterKnown_ = true;
  controlCenterEnabled_ = enabled;
  EnableMenuItem(menu, CONTROL_CENTER_MENU_POSITION, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
  DrawMenuBar(hwnd);
}

void WindowMenus::SetCommandEnabled(unsigned command, bool enabled) {
  EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

// The box is shown once the window is complete, so that every way out
// taken while it is up finds the monitor running.
void WindowRun::LoadLinkLibrary() {
  if (!link_.Load()) PostMessageA(hwnd, WM_APP_SHOW_LIBRARY_BOX, 0, 0);
}

namespace {

SerialLine LineFrom(const LinkSettings& s) {
  SerialLine line;
  if (s.comboPort < 0 || s.comboPort >= LinkSettings::kUsbPort) return line;
  line.portName = "COM" + std::to_string(s.comboPort + 1);
  line.format.bitRate = s.comboRate ? static_cast<uint32_t>(*s.comboRate) : 0;  // no rate: the open fails
  line.format.parity = static_cast<Parity>(s.comboCheck);
  line.format.dataBits = static_cast<uint32_t>(s.comboData + 4);
  line.format.stopBits = static_cast<StopBits>(s.comboStop);
  return line;
}

}  // namespace

void WindowRun::AimMonitorAt(const LinkSettings& settings) { w_.mailbox.SetSerialLine(LineFrom(settings)); }

void WindowRun::StartMonitor() {
  if (!monitor_) monitor_ = std::make_unique<MonitorThread>(w_.mailbox, link_);
  monitor_->Start(hwnd, WM_APP_MONITOR_REPORT);
}

void WindowRun::StopMonitor() {
  if (monitor_) monitor_->Stop();
}

// The news is posted, never waited for: the follower's thread goes on
// while the window is busy. What the window never takes is deleted with it.
// A follower that cannot start (no Winsock, no thread) is a UPS that does
// not answer: recorded, not followed in silence.
void WindowRun::FollowNetworkUps(const NetworkUpsSettings& settings) {
  if (follower_.Start(settings, [this](NetworkNews news) { PostNews(std::move(news)); })) return;
  NetworkNews silent;
  silent.kind = NetworkNews::Kind::Answering;
  PostNews(silent);
}

// A command nobody can carry is answered at once, but posted all the same:
// the self-test learns of it once it knows its number.
void WindowRun::SendInstantCommand(unsigned id, const std::string& command) {
  if (!command.empty() && follower_.Command(id, command)) return;
  NetworkNews refused;
  refused.kind = NetworkNews::Kind::CommandDone;
  refused.commandId = id;
  PostNews(refused);
}

void WindowRun::PostNews(NetworkNews news) const {
  auto* posted = new NetworkNews(std::move(news));
  if (!PostMessageA(hwnd, WM_APP_NETWORK_NEWS, 0, reinterpret_cast<LPARAM>(posted))) delete posted;
}

bool WindowRun::ShutdownSystem(const ShutdownRequest& request) {
  if (eventLog) eventLog->Write(kSystemShutdownEntry, Tr(request.why));
  return voltaris::ShutdownSystem(request);
}

void WindowRun::ForceSystemShutdown(const ShutdownRequest& request) { voltaris::ForceSystemShutdown(request); }

void WindowNotices::ShowNoUpsBox(bool ownedByMainWindow) {
  if (phase == Phase::Running) PostMessageA(hwnd, WM_APP_SHOW_NO_UPS_BOX, ownedByMainWindow ? 1 : 0, 0);
}

void WindowNotices::ReportRecordsWaiting(const std::string& problem) {
  if (phase == Phase::SystemEnding || headless) return;  // the rows are in their journals; no box can show now
  if (phase == Phase::Ending) {
    MessageBoxA(hwnd, problem.c_str(), "Voltaris", MB_OK | MB_ICONWARNING);
    return;
  }
  auto* text = new std::string(problem);
  if (!PostMessageA(hwnd, WM_APP_SHOW_STORE_PROBLEM, 0, reinterpret_cast<LPARAM>(text))) delete text;
}

void WindowNotices::ShowRecordsWaiting(bool) {
  if (stateChanged) stateChanged();
}

namespace {

// Windows a forced shutdown would close: other processes' visible,
// titled, unowned windows (what the taskbar shows), once each; not the
// shell's desktop and taskbar.
BOOL CALLBACK AddApplication(HWND window, LPARAM list) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() || !IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
  if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return TRUE;
  char kind[32] = "";
  GetClassNameA(window, kind, sizeof kind);
  if (std::string(kind) == "Progman" || std::string(kind) == "Shell_TrayWnd") return TRUE;
  char title[256] = "";
  auto& titles = *reinterpret_cast<std::vector<std::string>*>(list);
  if (GetWindowTextA(window, title, sizeof title) > 0 && std::find(titles.begin(), titles.end(), title) == titles.end()) {
    titles.push_back(title);
  }
  return TRUE;
}

}  // namespace

std::vector<std::string> WindowDrill::OpenApplications() const {
  std::vector<std::string> titles;
  EnumWindows(AddApplication, reinterpret_cast<LPARAM>(&titles));
  return titles;
}

bool WindowDrill::MayShutDown() const { return EnableShutdownRight(); }

void WindowDrill::ShowReport(const std::string& report) {
  auto* text = new std::string(report);
  if (!PostMessageA(hwnd, WM_APP_SHOW_DRILL_REPORT, 0, reinterpret_cast<LPARAM>(text))) delete text;
}

}  // namespace voltaris
