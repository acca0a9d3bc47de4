#include "app/main_window_win.h"

#include <memory>
#include <optional>
#include <string>

#include <shellapi.h>

#include "app/about_window_win.h"
#include "app/app_messages.h"
#include "app/button_bars_win.h"
#include "app/countdown_windows_win.h"
#include "app/data_plot_win.h"
#include "app/executable_win.h"
#include "app/gauge_panel_win.h"
#include "app/headless_monitoring_win.h"
#include "app/line_keeper_win.h"
#include "app/picture_panes_win.h"
#include "app/program_parts.h"
#include "app/program_run.h"
#include "app/service_win.h"
#include "app/tray_icon_win.h"
#include "app/window_on_service_win.h"
#include "app/window_ports_win.h"
#include "app/working_directory_win.h"
#include "base/text_ends.h"
#include "config/alarm_dialog_win.h"
#include "config/config_file.h"
#include "config/settings_dialog_win.h"
#include "gui/paint_win.h"
#include "gui/window_thunk_win.h"
#include "i18n/catalogue.h"
#include "net/nut_server_win.h"
#include "net/window_pipe_win.h"
#include "power/command_runner_win.h"
#include "power/notifications.h"
#include "power/timed_test_dialog_win.h"
#include "power/timer_ids.h"
#include "records/closed_apps_window_win.h"
#include "records/event_data_viewer_win.h"
#include "records/history_window_win.h"
#include "records/log_viewer_win.h"
#include "records/record_store.h"
#include "res/inspect_protocol.h"
#include "res/resource_ids.h"
#include "schedule/date_schedule_dialog_win.h"
#include "schedule/weekly_schedule_dialog_win.h"
#include "ups/monitor_mailbox.h"

namespace voltaris {
namespace {

constexpr char kMainClass[] = "Voltaris";
constexpr COLORREF kPanelGrey = 0xE0E0E0;
constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The end of a count-down: the program ends in order, then Windows shuts down.
// The parts are made with it before the run that carries it out.
class WindowShutdown : public ShutdownPort {
 public:
  ProgramRun* run = nullptr;
  void EndAndShutDown() override { run->EndAndShutDown(); }
};

// The main window's object, found by its procedure WindowProcedure<MainWindow>.
struct MainWindow : BarListener {
  HWND hwnd = nullptr;
  HMENU menu = nullptr;
  HMENU trayMenu = nullptr;
  TrayIcon tray;
  ButtonBars bars;
  WindowTimers timers;
  GaugePanel gauges;
  DataPlotWindow dataPlot;
  AboutWindow about;
  SettingsDialog settingsDialog;
  AlarmDialog alarmDialog;
  LogViewer logViewer;
  EventDataViewer eventDataViewer;
  HistoryWindow historyWindow;
  WindowMenus menus;
  WindowNotices notices;
  WindowBalloons balloons;
  WindowDrill drillPort;
  CommandRunner commandRunner;
  HeadlessViews headlessViews;
  LineHold line;
  std::string trayTip;
  bool headless = false;          // no window, tray or box is shown
  bool serviceMonitor = false;    // the service's own monitoring
  DWORD serviceFolderRefused = 0; // why the service's folder was not used
  CountdownWindows countdowns;
  TimedTestDialog timedTestDialog;
  WeeklyScheduleDialog weeklyScheduleDialog;
  SpecialScheduleDialog specialScheduleDialog;
  ClosedAppsWindow closedApps;
  WindowShutdown shutdown;
  NutServer networkServer;
  MonitorMailbox mailbox;
  WindowRun runPort{{notices, tray, mailbox, networkServer, countdowns, line}};
  SystemLocalClock clock;
  std::unique_ptr<ConfigFile> config;
  std::unique_ptr<RecordStore> store;
  std::unique_ptr<ProgramParts> parts;
  std::unique_ptr<ProgramRun> run;
  std::unique_ptr<HeadlessMonitoring> headlessMonitoring;  // headless: it serves the users' windows
  std::unique_ptr<WindowOnService> onService;  // the service is installed: this program only shows it
  bool noUpsBoxShowing = false, storeBoxShowing = false;
  UINT inspectMenuState = 0, inspectAcceptedReplies = 0;

  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnCreate();
  LRESULT OnPaint();
  LRESULT OnDestroy();
  LRESULT OnQueryEndSession();
  LRESULT EndNow();
  LRESULT OnEndSession(bool ending);
  LRESULT OnCommand(WORD id);
  void OnBarAction(BarAction action) override;
  TopBarState TopBarNow() const override;
  void OpenHelp();
  void OpenSettingsDialog();
  void AskNewBattery();
  bool NewBatteryConfirmed();
  LRESULT OnTimer(unsigned id);
  LRESULT OnTrayCallback(WPARAM id, LPARAM mouse);
  LRESULT OnMonitorReport(LPARAM report);
  LRESULT OnNetworkNews(LPARAM news);
  LRESULT OnShowNoUpsBox(bool owned);
  LRESULT OnShowStoreProblem(LPARAM problem);
  LRESULT OnShowLibraryBox();
  LRESULT OnShowDrillReport(LPARAM report);
  void StartDrill();
  void RefreshTrayTip();
  void PaceServedReadings();
  void BeginAsService(const std::string& settingsFolder);
  void BeginAsWindowOnService();
  void BeginIfLineFree();
  void StepDown();
  void StepDownIfServiceInstalled();
  void PublishToWindows() {
    if (headlessMonitoring) headlessMonitoring->PublishToWindows();
  }
  LRESULT OnServiceNews(LPARAM news);
  LRESULT OnInspect(UINT message, WPARAM wParam, LPARAM lParam);
};

// Never destroyed: a monitor thread left behind in a call that did not
// return still refers to the mailbox and the library binding, up to the
// process's very end.
MainWindow& gMain = *new MainWindow;

LRESULT MainWindow::OnCreate() {
  menu = GetMenu(hwnd);
  HINSTANCE instance = InstanceOf(hwnd);
  timers.hwnd = menus.hwnd = notices.hwnd = drillPort.hwnd = runPort.hwnd = hwnd;
  menus.menu = menu;
  notices.stateChanged = [this] { RefreshTrayTip(); };
  balloons.tray = &tray;
  countdowns.Attach(instance);
  inspectMenuState = RegisterWindowMessageA(inspect::kMenuStateMessage);
  inspectAcceptedReplies = RegisterWindowMessageA(inspect::kStateMessage);

  RegisterPicturePanes(instance);
  DataPlotWindow::RegisterPanes(instance);
  RegisterButtonBars(instance);
  SettingsDialog::RegisterPageBar(instance);
  bars.Create(instance, hwnd, *this);
  dataPlot.Attach(instance, hwnd, [this] { return parts ? parts->engine.Link() : LinkKind::Serial; });
  gauges.Create(instance, hwnd, dataPlot);
  about.Attach(instance, hwnd);

  std::string settingsFolder = ExecutableDirectory();
  if (serviceMonitor || (!headless && ServiceInstalled())) {
    settingsFolder = UseServiceFolder(serviceMonitor, &serviceFolderRefused);
  } else {
    ChangeToWorkingDirectory();
  }
  config = std::make_unique<ConfigFile>(settingsFolder);
  // The working folder, kept as a full path: a dialog that changes the
  // current folder later (a printer's "save as") does not move the records.
  store = std::make_unique<RecordStore>("", clock);
  CountdownViews& views = headless ? static_cast<CountdownViews&>(headlessViews) : countdowns;
  parts = std::make_unique<ProgramParts>(ProgramPorts{timers, gauges, menus, notices, mailbox, views, shutdown,
                                                      networkServer, balloons, commandRunner, drillPort, runPort},
                                         *store, *config, clock);
  run = std::make_unique<ProgramRun>(*parts, timers, *config, *store, runPort);
  shutdown.run = run.get();
  countdowns.Connect(parts->mainsFail, parts->batteryLow, parts->manual, parts->schedule, parts->selfTests,
                     parts->drill);
  timedTestDialog.Attach(instance, hwnd, parts->selfTests, *config);
  weeklyScheduleDialog.Attach(instance, hwnd, *config);
  specialScheduleDialog.Attach(instance, hwnd, *config);
  for (ScheduleDialog* dialog : std::initializer_list<ScheduleDialog*>{&weeklyScheduleDialog, &specialScheduleDialog}) {
    dialog->NoteWhenUpsIsServed([this] { return parts && parts->engine.Link() == LinkKind::Network; });
    dialog->NoteWhenSaved([this] {
      if (!onService && run->Monitoring()) parts->schedule.LookAgain();  // the service looks once the keys settle
    });
  }
  closedApps.Attach(instance, hwnd, *store);
  settingsDialog.Attach(instance, hwnd, *config,
                        {[this] {
                           if (onService) {
                             onService->AskToApplySettings();
                           } else {
                             run->ApplySettings();
                           }
                         },
                         [this](bool open) {
                           if (open) {
                             parts->engine.OnSettingsDialogOpened();
                           } else {
                             parts->engine.SetSettingsDialogOpen(false);
                           }
                         }});
  alarmDialog.Attach(instance, hwnd, *config);
  logViewer.Attach(instance, hwnd, *store);
  eventDataViewer.Attach(instance, hwnd, *store);
  historyWindow.Attach(instance, hwnd, *store);

  if (headless) {
    BeginAsService(settingsFolder);
    return 0;
  }
  trayMenu = GetSubMenu(LoadMenuA(instance, MAKEINTRESOURCEA(IDM_TRAY_MENU)), 0);
  tray.Add(hwnd, kTrayIconId, LoadIconA(instance, MAKEINTRESOURCEA(IDI_VOLTARIS)), trayMenu);
  // With the service installed it alone reads the UPS, running or not.
  if (ServiceInstalled()) {
    BeginAsWindowOnService();
  } else {
    BeginIfLineFree();
  }
  RefreshTrayTip();
  return 0;
}

// The service holds the line for its monitoring: the work begins at once,
// and the users' windows are served from here.
void MainWindow::BeginAsService(const std::string& settingsFolder) {
  notices.headless = true;
  commandRunner.RunAsTheService(ServiceInstaller(), settingsFolder);
  headlessMonitoring = std::make_unique<HeadlessMonitoring>(
      hwnd, HeadlessMonitoring::Program{*parts, *run, *config, countdowns, headlessViews, balloons});
  runPort.eventLog = &headlessMonitoring->Log();
  headlessMonitoring->Begin(serviceFolderRefused);
}

void MainWindow::BeginAsWindowOnService() {
  onService = std::make_unique<WindowOnService>(WindowOnService::Window{
      hwnd, tray, gauges, countdowns, menus, timedTestDialog, *config, [this] { RefreshTrayTip(); }});
  onService->Begin();
}

// Without the service, a copy started by hand with /headless may hold the
// line: this one waits for it, looking again every few seconds.
void MainWindow::BeginIfLineFree() {
  constexpr UINT kLineLookMs = 2000;
  constexpr UINT kServiceLookMs = 10000;
  // A service installed meanwhile: this copy's settings and records are not
  // the service's, so it steps down; started again, it is its window.
  if (ServiceInstalled()) {
    KillTimer(hwnd, kTimerLineLook);
    StepDown();
    return;
  }
  if (!line.TryTake()) {
    SetTimer(hwnd, kTimerLineLook, kLineLookMs, nullptr);
    return;
  }
  KillTimer(hwnd, kTimerLineLook);
  run->Begin();
  SetTimer(hwnd, kTimerServiceLook, kServiceLookMs, nullptr);
}

// A service installed while this program reads the UPS is the one reader
// from now on: this program ends in order (its rows written, the port
// closed) and says so; started again, it is the service's window.
void MainWindow::StepDownIfServiceInstalled() {
  if (!ServiceInstalled()) return;
  KillTimer(hwnd, kTimerServiceLook);
  StepDown();
}

void MainWindow::StepDown() {
  run->End(NoticePhase::Ending);
  MessageBoxA(hwnd, Tr(Text::ServiceNowWatches), "Voltaris", MB_OK | MB_ICONINFORMATION);
  DestroyWindow(hwnd);
}

LRESULT MainWindow::OnServiceNews(LPARAM lParam) {
  std::unique_ptr<ServiceNews> news(reinterpret_cast<ServiceNews*>(lParam));
  if (onService && !run->Quiet()) onService->OnNews(*news);
  return 0;
}

LRESULT MainWindow::OnDestroy() {
  if (headlessMonitoring) headlessMonitoring->StopServing();
  if (onService) onService->Stop();
  run->End(NoticePhase::Ending);
  MSG pending;
  while (PeekMessageA(&pending, hwnd, WM_APP_SERVICE_NEWS, WM_APP_SERVICE_NEWS, PM_REMOVE)) {
    delete reinterpret_cast<ServiceNews*>(pending.lParam);
  }
  while (PeekMessageA(&pending, hwnd, WM_APP_MONITOR_REPORT, WM_APP_MONITOR_REPORT, PM_REMOVE)) {
    delete reinterpret_cast<MonitorReport*>(pending.lParam);
  }
  while (PeekMessageA(&pending, hwnd, WM_APP_NETWORK_NEWS, WM_APP_NETWORK_NEWS, PM_REMOVE)) {
    delete reinterpret_cast<NetworkNews*>(pending.lParam);
  }
  PostQuitMessage(0);
  return 0;
}

LRESULT MainWindow::EndNow() {
  run->End(NoticePhase::Ending);
  DestroyWindow(hwnd);
  return 0;
}

// Voltaris never holds Windows up; a shutdown it asked for is under way.
LRESULT MainWindow::OnQueryEndSession() {
  if (run) run->OnSessionEnding();
  return TRUE;
}

// Windows is shutting down or the user logs off: the process may be ended as
// soon as this returns, so the program ends here, without a box.
LRESULT MainWindow::OnEndSession(bool ending) {
  if (ending) run->End(NoticePhase::SystemEnding);
  return 0;
}

// While the network secondaries are given their time, or the UPS is being
// told to switch off, the shutdown is under way: no command (Exit included)
// may take it back.
// The service's monitoring is the exception: the service asks it to end
// when it stops, Windows going down included, and must not wait for it.
LRESULT MainWindow::OnCommand(WORD id) {
  if (headless && id == IDC_EXIT && run->Quiet()) return EndNow();
  if (run->Quiet() || parts->gate.ShutdownUnderWay()) return 0;
  if (onService) {
    // The timed test's minutes are asked here, saved and started by the service.
    if (id == IDC_SELFTEST_SPECIAL_TIME && onService->Wait() == ServiceWait::None) {
      timedTestDialog.Open();
      return 0;
    }
    if (id == IDC_NEW_BATTERY && !NewBatteryConfirmed()) return 0;
    if (onService->AskService(id)) return 0;
  } else if (!run->Monitoring() && id != IDC_EXIT && id != IDC_RETURN_MAIN_WINDOW) {
    return 0;  // a copy started by hand reads the UPS
  }
  switch (id) {
    case IDC_EXIT: return EndNow();
    case IDC_RETURN_MAIN_WINDOW: ShowWindow(hwnd, SW_SHOWNORMAL); break;
    case IDC_SHUTDOWN_SYSTEM: parts->manual.Start(); break;
    case IDC_CANCEL_SHUTDOWN: parts->manual.Cancel(); break;
    case IDC_SELFTEST_10_SECONDS: parts->selfTests.StartTenSecond(); break;
    case IDC_SELFTEST_TILL_LOW: parts->selfTests.StartUntilLow(); break;
    case IDC_SELFTEST_SPECIAL_TIME: timedTestDialog.Open(); break;
    case IDC_WEEKLY_SCHEDULE: weeklyScheduleDialog.Open(); break;
    case IDC_SPECIAL_SCHEDULE: specialScheduleDialog.Open(); break;
    case IDC_CLOSED_APPLICATIONS: closedApps.Open(); break;
    case IDC_CANCEL_SELFTEST: parts->selfTests.Cancel(); break;
    case IDC_POWER_DRILL: StartDrill(); break;
    case IDC_NEW_BATTERY: AskNewBattery(); break;
    case IDC_DATA_PLOT: dataPlot.Open(); break;
    case IDC_SETTINGS: OpenSettingsDialog(); break;
    case IDC_ALARM_MESSAGES: alarmDialog.Open(); break;
    case IDC_LOG_FILE: logViewer.Open(); break;
    case IDC_EVENT_DATA: eventDataViewer.Open(); break;
    case IDC_HISTORY_DATA: historyWindow.Open(); break;
    case IDC_HELP_CONTENT: OpenHelp(); break;
    case IDC_ABOUT: about.Open(); break;
    default: break;  // the settings and record windows come with their dialogs
  }
  PaceServedReadings();
  return 0;
}

// Learnt afresh only on the user's word: one long discharge says nothing of
// a new battery. A window on the service asks the service, which records it.
bool MainWindow::NewBatteryConfirmed() {
  return MessageBoxA(hwnd, Tr(Text::NewBatteryConfirm), "Voltaris", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void MainWindow::AskNewBattery() {
  if (NewBatteryConfirmed()) parts->battery.NewBattery();
}

// What the network UPS's server last refused shows under its fields.
void MainWindow::OpenSettingsDialog() {
  const std::optional<ServedRefusal> refusal = parts ? parts->engine.LastRefusal() : std::nullopt;
  settingsDialog.SetNetworkNote(refusal ? std::string(WithoutEndBlanks(Tr(RefusalEvent(*refusal)))) : "");
  settingsDialog.Open();
}

// A missing help file is the shell's to report.
void MainWindow::OpenHelp() { ShellExecuteA(hwnd, "open", "Voltaris.chm", nullptr, ".\\", SW_SHOWNORMAL); }

void MainWindow::OnBarAction(BarAction action) {
  switch (action) {
    case BarAction::Settings: OnCommand(IDC_SETTINGS); break;
    case BarAction::Exit: OnCommand(IDC_EXIT); break;
    case BarAction::AlarmMessages: OnCommand(IDC_ALARM_MESSAGES); break;
    case BarAction::WeeklySchedule: OnCommand(IDC_WEEKLY_SCHEDULE); break;
    case BarAction::LogFile: OnCommand(IDC_LOG_FILE); break;
    case BarAction::HistoryData: OnCommand(IDC_HISTORY_DATA); break;
    case BarAction::DataPlot: OnCommand(IDC_DATA_PLOT); break;
    case BarAction::EventData: OnCommand(IDC_EVENT_DATA); break;
    case BarAction::Shutdown: OnCommand(IDC_SHUTDOWN_SYSTEM); break;
    case BarAction::TenSecondTest:
      // The menu is left as it is.
      if (onService) {
        onService->AskService(IDC_SELFTEST_10_SECONDS);
      } else if (!run->Quiet() && !parts->gate.ShutdownUnderWay()) {
        parts->selfTests.StartTenSecondFromBar();
      }
      break;
    case BarAction::CancelSelfTest: OnCommand(IDC_CANCEL_SELFTEST); break;
  }
}

TopBarState MainWindow::TopBarNow() const {
  TopBarState state;
  state.manualShutdownOpen = countdowns.IsOpen(CountdownWindow::Manual);
  state.tenSecondTestOpen = countdowns.IsOpen(CountdownWindow::TenSecondTest);
  state.upsAnswering = onService ? onService->Tray().answering : parts && parts->engine.UpsAnswering();
  state.selfTestRunning = parts && parts->selfTests.State().running;
  return state;
}

LRESULT MainWindow::OnTimer(unsigned id) {
  if (tray.OnMessage(WM_TIMER, id)) return 0;
  if (id == kTimerLineLook) {
    BeginIfLineFree();
    return 0;
  }
  if (id == kTimerWindowPipeRetry) {
    if (headlessMonitoring) headlessMonitoring->ServeWindows();
    return 0;
  }
  if (id == kTimerServiceLook) {
    StepDownIfServiceInstalled();
    return 0;
  }
  if (!run->OnTick(id)) return 0;
  RefreshTrayTip();
  PublishToWindows();
  PaceServedReadings();
  return 0;
}

// A UPS followed over the network: readings that change nothing are kept
// back by the follower while nothing wants each one. A failure, a count, a
// shutdown, a test, the drill and the open plot do.
void MainWindow::PaceServedReadings() {
  const SelfTestState& tests = parts->selfTests.State();
  const bool every = parts->policy.EventUnderWay() || parts->drill.State().running || tests.running ||
                     tests.untilLowWaiting || tests.untilLowRunning || dataPlot.IsOpen();
  runPort.EveryServedReading(every);
}

// Set only when it changes: every change is a request to the shell.
void MainWindow::RefreshTrayTip() {
  if (!run || run->Quiet() || headless) return;
  TrayState state = onService ? onService->Tray() : parts->policy.Tray();
  state.service = onService ? onService->Wait() : ServiceWait::None;
  const std::string tip = TrayTipText(state);
  if (tip == trayTip) return;
  trayTip = tip;
  tray.SetTip(tip);
  // A window on the service says in its title too when the service counts
  // or is not there: the window may be up with the tray out of sight.
  if (onService) {
    const bool worth = state.onBattery || state.secondsLeft >= 0 || state.service != ServiceWait::None;
    SetWindowTextA(hwnd, worth ? tip.c_str() : "Voltaris");
  }
}

void MainWindow::StartDrill() {
  if (parts->drill.Start()) {
    RefreshTrayTip();
    return;
  }
  MessageBoxA(hwnd, Tr(Text::DrillRefused), Tr(Text::DrillCaption), MB_OK | MB_ICONINFORMATION);
}

LRESULT MainWindow::OnTrayCallback(WPARAM id, LPARAM mouse) {
  if (id != kTrayIconId) return 0;
  switch (mouse) {
    case WM_LBUTTONUP: TrayIcon::Activate(hwnd); break;
    case WM_RBUTTONUP: tray.ShowMenu(hwnd); break;
    case WM_LBUTTONDBLCLK: ShowWindow(hwnd, SW_SHOWNORMAL); break;
    case NIN_BALLOONUSERCLICK:
      if (onService) onService->OnBalloonClicked();
      break;
    default: break;
  }
  return 1;
}

LRESULT MainWindow::OnMonitorReport(LPARAM lParam) {
  std::unique_ptr<MonitorReport> report(reinterpret_cast<MonitorReport*>(lParam));
  if (run->Quiet()) return 0;
  PowerEngine& engine = parts->engine;
  switch (report->kind) {
    case MonitorReport::Kind::SerialOpen: engine.OnSerialOpen(report->ok); break;
    case MonitorReport::Kind::SerialRead: engine.OnSerialRead(report->ok, report->bytes); break;
    case MonitorReport::Kind::UsbPass: engine.OnUsbPass(report->usb); break;
    case MonitorReport::Kind::ControlWritten:
      engine.OnControlWritten(report->controlId, report->ok, report->uncertain);
      if (report->expired) engine.OnControlGivenUp(report->controlId);
      break;
  }
  RefreshTrayTip();
  PublishToWindows();
  return 0;
}

LRESULT MainWindow::OnNetworkNews(LPARAM lParam) {
  std::unique_ptr<NetworkNews> news(reinterpret_cast<NetworkNews*>(lParam));
  if (run->Quiet()) return 0;
  PowerEngine& engine = parts->engine;
  switch (news->kind) {
    case NetworkNews::Kind::Readings: engine.OnServedReadings(news->readings); break;
    case NetworkNews::Kind::Answering: engine.OnServerAnswering(news->answering); break;
    case NetworkNews::Kind::Refused: engine.OnServerRefused(news->refusal); break;
    case NetworkNews::Kind::CommandDone:
      if (news->answering) {
        engine.OnControlWritten(news->commandId, true);
      } else {
        engine.OnControlGivenUp(news->commandId);
      }
      break;
  }
  if (run->Quiet()) return 0;  // the server's forced shutdown has begun
  RefreshTrayTip();
  PublishToWindows();
  PaceServedReadings();
  return 0;
}

// One box at a time; the engine goes on while it is up.
LRESULT MainWindow::OnShowNoUpsBox(bool owned) {
  if (noUpsBoxShowing || run->Quiet() || headless) return 0;
  noUpsBoxShowing = true;
  MessageBoxA(owned ? hwnd : nullptr, Tr(Text::PleaseConnectUps), "Voltaris", MB_OK);
  noUpsBoxShowing = false;
  return 0;
}

// One box at a time: a second failing table while it is up shows in the tray tip only.
LRESULT MainWindow::OnShowStoreProblem(LPARAM lParam) {
  std::unique_ptr<std::string> problem(reinterpret_cast<std::string*>(lParam));
  if (storeBoxShowing || run->Quiet() || headless) return 0;
  storeBoxShowing = true;
  MessageBoxA(hwnd, problem->c_str(), "Voltaris", MB_OK | MB_ICONWARNING);
  storeBoxShowing = false;
  return 0;
}

LRESULT MainWindow::OnShowDrillReport(LPARAM lParam) {
  std::unique_ptr<std::string> report(reinterpret_cast<std::string*>(lParam));
  // The service's monitoring has nobody to show it to: the drill's rows tell it.
  if (!run->Quiet() && !headless) MessageBoxA(hwnd, report->c_str(), Tr(Text::DrillCaption), MB_OK | MB_ICONINFORMATION);
  return 0;
}

LRESULT MainWindow::OnShowLibraryBox() {
  if (!run->Quiet() && !headless) MessageBoxA(hwnd, Tr(Text::CannotLoadLibrary), "Error", MB_OK);
  return 0;
}

LRESULT MainWindow::OnInspect(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == inspectMenuState) return GetMenuState(menu, static_cast<UINT>(wParam), lParam ? MF_BYPOSITION : MF_BYCOMMAND);
  if (!parts) return 0;
  // Texts travel as global atoms, which the inspector reads and deletes.
  switch (wParam) {
    case inspect::kAcceptedReplies: return parts->engine.AcceptedStatusReplies();
    case inspect::kLinkPictures: {
      const LinkPictures shown = gauges.ShownLinkPictures();
      return MAKELONG(shown.link, shown.traffic);
    }
    case inspect::kLastBalloon: return GlobalAddAtomA(tray.LastBalloon().substr(0, 255).c_str());
    case inspect::kTrayTip: return GlobalAddAtomA(trayTip.substr(0, 255).c_str());
    case inspect::kWarningsArmed:
      return (parts->mainsFail.State().firstWarningArmed ? inspect::kMainsWarningArmed : 0) |
             (parts->batteryLow.State().warningArmed ? inspect::kBatteryWarningArmed : 0);
    default: return 0;
  }
}

// Nothing of its own to draw: the class brush fills what the children leave.
LRESULT MainWindow::OnPaint() {
  PAINTSTRUCT ps;
  BeginPaint(hwnd, &ps);
  EndPaint(hwnd, &ps);
  return 0;
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: return OnCreate();
    case WM_CLOSE: ShowWindow(hwnd, SW_HIDE); return 0;  // closing only hides: the tray keeps the program
    case WM_DESTROY: return OnDestroy();
    case WM_COMMAND: return OnCommand(LOWORD(wParam));
    case WM_TIMER: return OnTimer(static_cast<unsigned>(wParam));
    case WM_QUERYENDSESSION: return OnQueryEndSession();
    case WM_ENDSESSION: return OnEndSession(wParam != 0);
    case kTrayCallbackMessage: return OnTrayCallback(wParam, lParam);
    case WM_APP_MONITOR_REPORT: return OnMonitorReport(lParam);
    case WM_APP_NETWORK_NEWS: return OnNetworkNews(lParam);
    case WM_APP_SHOW_NO_UPS_BOX: return OnShowNoUpsBox(wParam != 0);
    case WM_APP_SHOW_STORE_PROBLEM: return OnShowStoreProblem(lParam);
    case WM_APP_SHOW_LIBRARY_BOX: return OnShowLibraryBox();
    case WM_APP_SHOW_DRILL_REPORT: return OnShowDrillReport(lParam);
    case WM_APP_SERVICE_NEWS: return OnServiceNews(lParam);
    case WM_APP_WINDOW_REQUEST:
      return headlessMonitoring ? headlessMonitoring->OnWindowRequest(static_cast<unsigned>(wParam)) : 0;
    case WM_PAINT: return OnPaint();
    default:
      if (tray.OnMessage(message, wParam)) return 0;
      if (message != 0 && (message == inspectMenuState || message == inspectAcceptedReplies)) {
        return OnInspect(message, wParam, lParam);
      }
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = WindowProcedure<MainWindow>;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VOLTARIS));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = CreateSolidBrush(kPanelGrey);
  wc.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN_MENU);
  wc.lpszClassName = kMainClass;
  return RegisterClassA(&wc) != 0;
}

HWND CreateMainWindow(HINSTANCE instance, bool headless, bool serviceMonitor) {
  gMain.headless = headless;
  gMain.serviceMonitor = serviceMonitor;
  // The service's own is told from a user's window by its title.
  return CreateWindowExA(0, kMainClass, headless ? "Voltaris Service" : "Voltaris", kMainStyle, 150, 150, 747, 498, nullptr, nullptr, instance,
                         &gMain);
}

HMENU MainMenu() { return gMain.menu; }

}  // namespace voltaris
