// Private messages of the main window, in one place.
#pragma once

#include <windows.h>

namespace voltaris {

constexpr UINT kTrayCallbackMessage = 2128;     // the tray icon's mouse events
constexpr UINT kTrayIconId = 2130;
constexpr UINT WM_APP_MONITOR_REPORT = WM_APP + 1;   // lParam: MonitorReport*, owned by the receiver
constexpr UINT WM_APP_SHOW_NO_UPS_BOX = WM_APP + 2;  // wParam: 1 when owned by the main window
constexpr UINT WM_APP_SHOW_STORE_PROBLEM = WM_APP + 3;  // lParam: std::string*, owned by the receiver
constexpr UINT WM_APP_SHOW_LIBRARY_BOX = WM_APP + 4;    // "Cannot Load Library"
constexpr UINT WM_APP_SHOW_DRILL_REPORT = WM_APP + 5;   // lParam: std::string*, owned by the receiver
constexpr UINT WM_APP_SERVICE_NEWS = WM_APP + 6;        // lParam: ServiceNews*, owned by the receiver
constexpr UINT WM_APP_WINDOW_REQUEST = WM_APP + 8;      // wParam: the number of a user's window's request in its slot
constexpr UINT WM_APP_NETWORK_NEWS = WM_APP + 7;        // lParam: NetworkNews*, owned by the receiver

// The test inspector's registered messages: res/inspect_protocol.h.

}  // namespace voltaris
