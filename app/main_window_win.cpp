#include "app/main_window_win.h"

#include <memory>
#include <string>

#include "app/app_messages.h"
#include "app/resource_ids.h"
#include "app/tray_icon_win.h"
#include "app/working_directory.h"
#include "config/config_file.h"
#include "config/settings.h"
#include "events/power_engine.h"
#include "events/record_keeper.h"
#include "events/timer_table.h"
#include "records/record_store.h"
#include "ups/link_library_win.h"
#include "ups/monitor_mailbox.h"
#include "ups/monitor_thread_win.h"

namespace voltaris {
namespace {

constexpr char kMainClass[] = "Voltaris";
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr COLORREF kPanelGrey = 0xE0E0E0;
constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

std::string ExecutablePath() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  return path;
}

std::string ExecutableDirectory() {
  const std::string path = ExecutablePath();
  return path.substr(0, path.find_last_of('\\'));
}

std::string ReadRunValue() {
  HKEY key = nullptr;
  char value[250] = "";
  DWORD size = sizeof value - 1;
  // Read access is all this needs; the program never writes the Run key.
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegQueryValueExA(key, "Voltaris", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
  }
  return value;
}

void ChangeToWorkingDirectory() {
  const std::string exePath = ExecutablePath();
  const std::string exeName = exePath.substr(exePath.find_last_of('\\') + 1);
  const std::string dir = WorkingDirectoryFromRunKey(ReadRunValue(), exeName, ExecutableDirectory());
  if (!SetCurrentDirectoryA(dir.c_str())) SetCurrentDirectoryA(ExecutableDirectory().c_str());
}

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

// The engine's timers are the main window's.
class WindowTimers : public TimerPort {
 public:
  HWND hwnd = nullptr;
  void Arm(unsigned id, unsigned periodMs) override { SetTimer(hwnd, id, periodMs, nullptr); }
  void Kill(unsigned id) override { KillTimer(hwnd, id); }
};

// What the engine shows. The gauge panel comes later; the menu is here.
class WindowDisplay : public DisplayPort {
 public:
  HWND hwnd = nullptr;
  HMENU menu = nullptr;
  void ZeroGauges() override {}
  void ZeroUsbGauges() override {}
  void DisableTemperatureGauge() override {}
  void ShowLinkPictures(bool) override {}
  void ShowReadings(LinkKind, const UpsStatus&, const BatteryReading&) override {}
  void SetControlCenterEnabled(bool enabled) override {
    EnableMenuItem(menu, CONTROL_CENTER_MENU_POSITION, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(hwnd);
  }
};

// The boxes and the tray tip. While the program runs, boxes are posted and
// shown by the message loop, so the engine carries on; while it ends they are
// shown at once, by the window that still lives, or not at all when Windows
// itself is ending the session.
class WindowNotices : public NoticePort {
 public:
  enum class Phase { Running, Ending, SessionEnding };
  HWND hwnd = nullptr;
  TrayIcon* tray = nullptr;
  Phase phase = Phase::Running;

  void ShowNoUpsBox(bool ownedByMainWindow) override {
    if (phase == Phase::Running) PostMessageA(hwnd, WM_APP_SHOW_NO_UPS_BOX, ownedByMainWindow ? 1 : 0, 0);
  }
  void ReportRecordsWaiting(const std::string& problem) override {
    if (phase == Phase::SessionEnding) return;  // the rows are in their journals; no box can show now
    if (phase == Phase::Ending) {
      MessageBoxA(hwnd, problem.c_str(), "Voltaris", MB_OK | MB_ICONWARNING);
      return;
    }
    auto* text = new std::string(problem);
    if (!PostMessageA(hwnd, WM_APP_SHOW_STORE_PROBLEM, 0, reinterpret_cast<LPARAM>(text))) delete text;
  }
  void ShowRecordsWaiting(bool waiting) override {
    tray->SetTip(waiting ? "Voltaris: records waiting to be written" : "Voltaris");
  }
};

struct MainWindow {
  HWND hwnd = nullptr;
  HMENU menu = nullptr;
  HMENU trayMenu = nullptr;
  TrayIcon tray;
  LinkLibrary link;
  WindowTimers timers;
  WindowDisplay display;
  WindowNotices notices;
  MonitorMailbox mailbox;
  SystemLocalClock clock;
  TimerTable timerTable;
  std::unique_ptr<ConfigFile> config;
  std::unique_ptr<RecordStore> store;
  std::unique_ptr<RecordKeeper> records;
  std::unique_ptr<PowerEngine> engine;
  std::unique_ptr<MonitorThread> monitor;
  bool noUpsBoxShowing = false, storeBoxShowing = false, ended = false;
  UINT inspectMenuState = 0, inspectAcceptedReplies = 0;

  LRESULT OnCreate(HWND window);
  void EndProgram(WindowNotices::Phase how);
  LRESULT OnDestroy();
  LRESULT OnEndSession(bool ending);
  LRESULT OnCommand(WORD id);
  LRESULT OnTimer(unsigned id);
  LRESULT OnTrayCallback(WPARAM id, LPARAM mouse);
  LRESULT OnMonitorReport(LPARAM report);
  LRESULT OnShowNoUpsBox(bool owned);
  LRESULT OnShowStoreProblem(LPARAM problem);
  LRESULT OnShowLibraryBox();
  LRESULT OnInspect(UINT message, WPARAM wParam, LPARAM lParam);
};

MainWindow gMain;

LRESULT MainWindow::OnCreate(HWND window) {
  hwnd = window;
  menu = GetMenu(hwnd);
  timers.hwnd = display.hwnd = notices.hwnd = hwnd;
  display.menu = menu;
  notices.tray = &tray;
  inspectMenuState = RegisterWindowMessageA(kInspectMenuStateMessage);
  inspectAcceptedReplies = RegisterWindowMessageA(kInspectAcceptedRepliesMessage);

  ChangeToWorkingDirectory();
  config = std::make_unique<ConfigFile>(ExecutableDirectory());
  store = std::make_unique<RecordStore>("", clock);  // the working folder
  records = std::make_unique<RecordKeeper>(*store, timers, notices);
  engine = std::make_unique<PowerEngine>(timers, display, notices, mailbox, *records, *config);
  engine->OwnTimers(timerTable);
  records->OwnTimers(timerTable);
  records->Recover();  // what the last run left goes in before this run's first row
  engine->LogProgramStart();

  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd, GWLP_HINSTANCE));
  trayMenu = GetSubMenu(LoadMenuA(instance, MAKEINTRESOURCEA(IDM_TRAY_MENU)), 0);
  tray.Add(hwnd, kTrayIconId, LoadIconA(instance, MAKEINTRESOURCEA(IDI_VOLTARIS)), trayMenu);

  const LinkSettings settings = ReadLinkSettings(*config);
  mailbox.SetSerialLine(LineFrom(settings));
  engine->StartLink(settings);
  // The box is shown once the window is complete, so that every way out
  // taken while it is up finds the monitor running.
  if (!link.Load()) PostMessageA(hwnd, WM_APP_SHOW_LIBRARY_BOX, 0, 0);
  monitor = std::make_unique<MonitorThread>(mailbox, link);
  monitor->Start(hwnd);
  return 0;
}

// Every way out comes here once: the history timers stop, "  Program End"
// is recorded (in its journal if the table cannot take it), the monitor
// stops (closing the port) before the library it uses is unloaded, and the
// tray icon goes.
void MainWindow::EndProgram(WindowNotices::Phase how) {
  if (ended) return;
  ended = true;
  notices.phase = how;
  if (engine) engine->Stop();
  if (monitor) monitor->Stop();
  link.Unload();
  if (store) store->FlushPending();
  tray.Remove();
}

LRESULT MainWindow::OnDestroy() {
  EndProgram(WindowNotices::Phase::Ending);
  MSG pending;
  while (PeekMessageA(&pending, hwnd, WM_APP_MONITOR_REPORT, WM_APP_MONITOR_REPORT, PM_REMOVE)) {
    delete reinterpret_cast<MonitorReport*>(pending.lParam);
  }
  PostQuitMessage(0);
  return 0;
}

// Windows is shutting down or the user logs off: the process may be ended as
// soon as this returns, so the program ends here, without a box.
LRESULT MainWindow::OnEndSession(bool ending) {
  if (ending) EndProgram(WindowNotices::Phase::SessionEnding);
  return 0;
}

LRESULT MainWindow::OnCommand(WORD id) {
  switch (id) {
    case IDC_EXIT:
      EndProgram(WindowNotices::Phase::Ending);
      DestroyWindow(hwnd);
      break;
    case IDC_RETURN_MAIN_WINDOW: ShowWindow(hwnd, SW_SHOWNORMAL); break;
    default: break;  // the dialogs and the control center come with their windows
  }
  return 0;
}

LRESULT MainWindow::OnTimer(unsigned id) {
  if (!ended) timerTable.Dispatch(id);
  return 0;
}

LRESULT MainWindow::OnTrayCallback(WPARAM id, LPARAM mouse) {
  if (id != kTrayIconId) return 0;
  switch (mouse) {
    case WM_LBUTTONUP: TrayIcon::Activate(hwnd); break;
    case WM_RBUTTONUP: tray.ShowMenu(hwnd); break;
    case WM_LBUTTONDBLCLK: ShowWindow(hwnd, SW_SHOWNORMAL); break;
    default: break;
  }
  return 1;
}

LRESULT MainWindow::OnMonitorReport(LPARAM lParam) {
  std::unique_ptr<MonitorReport> report(reinterpret_cast<MonitorReport*>(lParam));
  if (ended) return 0;
  switch (report->kind) {
    case MonitorReport::Kind::SerialOpen: engine->OnSerialOpen(report->ok); break;
    case MonitorReport::Kind::SerialRead: engine->OnSerialRead(report->ok, report->bytes); break;
    case MonitorReport::Kind::UsbPass: engine->OnUsbPass(report->usb); break;
    case MonitorReport::Kind::ControlWritten: engine->OnControlWritten(report->controlId, report->ok); break;
  }
  return 0;
}

// One box at a time; the engine goes on while it is up.
LRESULT MainWindow::OnShowNoUpsBox(bool owned) {
  if (noUpsBoxShowing || ended) return 0;
  noUpsBoxShowing = true;
  MessageBoxA(owned ? hwnd : nullptr, "Please Connected UPS!", "Voltaris", MB_OK);
  noUpsBoxShowing = false;
  return 0;
}

// One box at a time: a second failing table while it is up shows in the tray tip only.
LRESULT MainWindow::OnShowStoreProblem(LPARAM lParam) {
  std::unique_ptr<std::string> problem(reinterpret_cast<std::string*>(lParam));
  if (storeBoxShowing || ended) return 0;
  storeBoxShowing = true;
  MessageBoxA(hwnd, problem->c_str(), "Voltaris", MB_OK | MB_ICONWARNING);
  storeBoxShowing = false;
  return 0;
}

LRESULT MainWindow::OnShowLibraryBox() {
  if (!ended) MessageBoxA(hwnd, "Cannot Load Library", "Error", MB_OK);
  return 0;
}

LRESULT MainWindow::OnInspect(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == inspectMenuState) return GetMenuState(menu, static_cast<UINT>(wParam), lParam ? MF_BYPOSITION : MF_BYCOMMAND);
  if (!engine) return 0;
  if (wParam == 0) return engine->AcceptedStatusReplies();
  // Whether the mains and battery warnings are still armed: each fires once.
  return (engine->Flags().firstMainsWarningArmed ? 1 : 0) | (engine->Flags().batteryLowWarningArmed ? 2 : 0);
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: return gMain.OnCreate(hwnd);
    case WM_CLOSE: ShowWindow(hwnd, SW_HIDE); return 0;  // closing only hides: the tray keeps the program
    case WM_DESTROY: return gMain.OnDestroy();
    case WM_COMMAND: return gMain.OnCommand(LOWORD(wParam));
    case WM_TIMER: return gMain.OnTimer(static_cast<unsigned>(wParam));
    case WM_QUERYENDSESSION: return TRUE;  // Voltaris never holds Windows up
    case WM_ENDSESSION: return gMain.OnEndSession(wParam != 0);
    case kTrayCallbackMessage: return gMain.OnTrayCallback(wParam, lParam);
    case WM_APP_MONITOR_REPORT: return gMain.OnMonitorReport(lParam);
    case WM_APP_SHOW_NO_UPS_BOX: return gMain.OnShowNoUpsBox(wParam != 0);
    case WM_APP_SHOW_STORE_PROBLEM: return gMain.OnShowStoreProblem(lParam);
    case WM_APP_SHOW_LIBRARY_BOX: return gMain.OnShowLibraryBox();
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      if (message != 0 && (message == gMain.inspectMenuState || message == gMain.inspectAcceptedReplies)) {
        return gMain.OnInspect(message, wParam, lParam);
      }
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VOLTARIS));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = CreateSolidBrush(kPanelGrey);
  wc.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN_MENU);
  wc.lpszClassName = kMainClass;
  return RegisterClassA(&wc) != 0;
}

HWND CreateMainWindow(HINSTANCE instance) {
  return CreateWindowExA(0, kMainClass, "Voltaris", kMainStyle, 150, 150, 747, 498, nullptr, nullptr, instance,
                         nullptr);
}

HMENU MainMenu() { return gMain.menu; }

}  // namespace voltaris
