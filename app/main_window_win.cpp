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

// What the engine shows. The gauge panel comes later; the menu, the boxes
// and the tray tip are here.
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
  void ShowNoUpsBox(bool ownedByMainWindow) override {
    // Posted, so the engine carries on; shown by the message loop, one at a time.
    PostMessageA(hwnd, WM_APP_SHOW_NO_UPS_BOX, ownedByMainWindow ? 1 : 0, 0);
  }
  void ReportRecordsWaiting(const std::string& problem) override {
    auto* text = new std::string(problem);
    if (!PostMessageA(hwnd, WM_APP_SHOW_STORE_PROBLEM, 0, reinterpret_cast<LPARAM>(text))) delete text;
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
  MonitorMailbox mailbox;
  SystemLocalClock clock;
  std::unique_ptr<ConfigFile> config;
  std::unique_ptr<RecordStore> records;
  std::unique_ptr<PowerEngine> engine;
  std::unique_ptr<MonitorThread> monitor;
  bool boxShowing = false;
  UINT inspectMenuState = 0, inspectAcceptedReplies = 0;

  LRESULT OnCreate(HWND window);
  LRESULT OnDestroy();
  LRESULT OnCommand(WORD id);
  LRESULT OnTrayCallback(WPARAM id, LPARAM mouse);
  LRESULT OnMonitorReport(LPARAM report);
  LRESULT OnShowNoUpsBox(bool owned);
  LRESULT OnShowStoreProblem(LPARAM problem);
  LRESULT OnInspect(UINT message, WPARAM wParam, LPARAM lParam);
};

MainWindow gMain;

LRESULT MainWindow::OnCreate(HWND window) {
  hwnd = window;
  menu = GetMenu(hwnd);
  timers.hwnd = display.hwnd = hwnd;
  display.menu = menu;
  inspectMenuState = RegisterWindowMessageA(kInspectMenuStateMessage);
  inspectAcceptedReplies = RegisterWindowMessageA(kInspectAcceptedRepliesMessage);

  ChangeToWorkingDirectory();
  config = std::make_unique<ConfigFile>(ExecutableDirectory());
  records = std::make_unique<RecordStore>("", clock);  // the working folder
  engine = std::make_unique<PowerEngine>(timers, display, mailbox, *records, *config);
  engine->LogProgramStart();

  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd, GWLP_HINSTANCE));
  trayMenu = GetSubMenu(LoadMenuA(instance, MAKEINTRESOURCEA(IDM_TRAY_MENU)), 0);
  tray.Add(hwnd, kTrayIconId, LoadIconA(instance, MAKEINTRESOURCEA(IDI_VOLTARIS)), trayMenu);

  const LinkSettings settings = ReadLinkSettings(*config);
  mailbox.SetSerialLine(LineFrom(settings));
  engine->StartLink(settings);
  link.Load(hwnd);  // on failure it tells the user; start-up goes on without USB
  monitor = std::make_unique<MonitorThread>(mailbox, link);
  monitor->Start(hwnd);
  return 0;
}

// Every way out comes here: the history timers stop, "  Program End" is
// recorded, the monitor stops (closing the port) before the library it uses
// is unloaded, and the message loop ends.
LRESULT MainWindow::OnDestroy() {
  engine->Stop();
  monitor->Stop();
  link.Unload();
  tray.Remove();
  MSG pending;
  while (PeekMessageA(&pending, hwnd, WM_APP_MONITOR_REPORT, WM_APP_MONITOR_REPORT, PM_REMOVE)) {
    delete reinterpret_cast<MonitorReport*>(pending.lParam);
  }
  PostQuitMessage(0);
  return 0;
}

LRESULT MainWindow::OnCommand(WORD id) {
  switch (id) {
    case IDC_EXIT: DestroyWindow(hwnd); break;
    case IDC_RETURN_MAIN_WINDOW: ShowWindow(hwnd, SW_SHOWNORMAL); break;
    default: break;  // the dialogs and the control center come with their windows
  }
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
  switch (report->kind) {
    case MonitorReport::Kind::SerialOpen: engine->OnSerialOpen(report->ok); break;
    case MonitorReport::Kind::SerialRead: engine->OnSerialRead(report->ok, report->bytes); break;
    case MonitorReport::Kind::UsbPass: engine->OnUsbPass(report->usb); break;
  }
  return 0;
}

LRESULT MainWindow::OnShowNoUpsBox(bool owned) {
  if (boxShowing) return 0;
  boxShowing = true;
  MessageBoxA(owned ? hwnd : nullptr, "Please Connected UPS!", "Voltaris", MB_OK);
  boxShowing = false;
  return 0;
}

LRESULT MainWindow::OnShowStoreProblem(LPARAM lParam) {
  std::unique_ptr<std::string> problem(reinterpret_cast<std::string*>(lParam));
  tray.SetTip("Voltaris: records waiting to be written");
  const std::string text = *problem +
                           "\n\nVoltaris keeps the records in memory and writes them as soon as the file "
                           "can be written again.";
  MessageBoxA(hwnd, text.c_str(), "Voltaris", MB_OK | MB_ICONWARNING);
  return 0;
}

LRESULT MainWindow::OnInspect(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == inspectMenuState) return GetMenuState(menu, static_cast<UINT>(wParam), lParam ? MF_BYPOSITION : MF_BYCOMMAND);
  return engine ? engine->AcceptedStatusReplies() : 0;
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: return gMain.OnCreate(hwnd);
    case WM_CLOSE: ShowWindow(hwnd, SW_HIDE); return 0;  // closing only hides: the tray keeps the program
    case WM_DESTROY: return gMain.OnDestroy();
    case WM_COMMAND: return gMain.OnCommand(LOWORD(wParam));
    case WM_TIMER: gMain.engine->OnTimer(static_cast<unsigned>(wParam)); return 0;
    case kTrayCallbackMessage: return gMain.OnTrayCallback(wParam, lParam);
    case WM_APP_MONITOR_REPORT: return gMain.OnMonitorReport(lParam);
    case WM_APP_SHOW_NO_UPS_BOX: return gMain.OnShowNoUpsBox(wParam != 0);
    case WM_APP_SHOW_STORE_PROBLEM: return gMain.OnShowStoreProblem(lParam);
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
