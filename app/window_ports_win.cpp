#include "app/window_ports_win.h"

#include "app/app_messages.h"
#include "i18n/catalogue.h"
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

void WindowNotices::ShowNoUpsBox(bool ownedByMainWindow) {
  if (phase == Phase::Running) PostMessageA(hwnd, WM_APP_SHOW_NO_UPS_BOX, ownedByMainWindow ? 1 : 0, 0);
}

void WindowNotices::ReportRecordsWaiting(const std::string& problem) {
  if (phase == Phase::SystemEnding) return;  // the rows are in their journals; no box can show now
  if (phase == Phase::Ending) {
    MessageBoxA(hwnd, problem.c_str(), "Voltaris", MB_OK | MB_ICONWARNING);
    return;
  }
  auto* text = new std::string(problem);
  if (!PostMessageA(hwnd, WM_APP_SHOW_STORE_PROBLEM, 0, reinterpret_cast<LPARAM>(text))) delete text;
}

void WindowNotices::ShowRecordsWaiting(bool waiting) {
  tray->SetTip(Tr(waiting ? Text::TrayTipRecordsWaiting : Text::TrayTip));
}

}  // namespace voltaris
