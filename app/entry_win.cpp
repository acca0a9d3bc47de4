// Entry point: one copy per machine, the hidden main window, the splash, the
// message loop with the accelerators. With a switch: the service's commands,
// the service itself, and its monitoring without windows.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/event_log_win.h"
#include "app/line_keeper_win.h"
#include "app/main_window_win.h"
#include "app/service_win.h"
#include "app/splash_win.h"
#include "app/switches.h"
#include "base/wide_text_win.h"
#include "gui/dialog_win.h"
#include "i18n/catalogue.h"
#include "res/resource_ids.h"

namespace {

// The words after the program's name, split as Windows splits them
// (quotes, backslashes), in the system's code page. The name itself is cut
// off first: unquoted, with a space in its folder, Windows would split it.
std::vector<std::string> Arguments() {
  char self[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string path = length > 0 && length < MAX_PATH ? std::string(self, length) : "";
  const std::string rest = voltaris::AfterProgramName(GetCommandLineA(), path);
  const std::wstring line = L"x " + voltaris::WideFromCodePage(CP_ACP, rest);
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(line.c_str(), &count);
  std::vector<std::string> arguments;
  if (!words) return arguments;
  for (int i = 1; i < count; ++i) {
    const int size = WideCharToMultiByte(CP_ACP, 0, words[i], -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(size > 0 ? size : 1), '\0');
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, words[i], -1, text.data(), size, nullptr, nullptr);
    text.resize(text.size() - 1);  // its terminating zero
    arguments.push_back(text);
  }
  LocalFree(words);
  return arguments;
}

// A switch nobody knows is said, never guessed at: the program does not
// start as something it was not asked to be. Quietly (an installer, the
// service manager) the exit code says it.
int RefuseUnknownSwitch(const voltaris::Switches& switches) {
  constexpr int kInvalidParameter = 87;
  const bool quiet = switches.Has(voltaris::Switch::Quiet) || switches.Has(voltaris::Switch::Service) ||
                     switches.Has(voltaris::Switch::Headless);
  if (!quiet) {
    const std::string text = voltaris::Tr(voltaris::Text::UnknownSwitch) + ("\"" + switches.unknown.front() + "\"") +
                             voltaris::Tr(voltaris::Text::KnownSwitchesAre) + voltaris::KnownSwitches() + ".";
    MessageBoxA(nullptr, text.c_str(), "Voltaris", MB_OK | MB_ICONERROR);
  }
  return kInvalidParameter;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
#ifdef VOLTARIS_FRENCH
  voltaris::SetLanguage(voltaris::Language::French);  // this program was built French
#endif
  using voltaris::Switch;
  const voltaris::Switches switches = voltaris::ReadSwitches(Arguments());
  if (!switches.unknown.empty()) return RefuseUnknownSwitch(switches);
  const bool quiet = switches.Has(Switch::Quiet);
  if (switches.Has(Switch::InstallService)) {
    return voltaris::InstallService(quiet, switches.Has(Switch::TrustInstaller));
  }
  if (switches.Has(Switch::RemoveService)) return voltaris::RemoveService(quiet);
  if (switches.Has(Switch::Service)) return voltaris::RunService();
  const bool headless = switches.Has(Switch::Headless);
  const bool serviceMonitor = headless && voltaris::IsServiceMonitor(GetCurrentProcessId());
  if (headless && !serviceMonitor && !voltaris::HandStartedMayRead()) {
    voltaris::WindowsEventLog().Write(voltaris::kHeadlessRefusedEntry, voltaris::Tr(voltaris::Text::HeadlessRefused));
    return 5;
  }
  // A second copy shows nothing and leaves at once. The handle stays open for
  // the life of the process: it is what marks this copy as the running one.
  // The service's monitoring is a copy of its own, beside users' windows;
  // the service starts one at a time, and it takes no such name, which in
  // its session any user could have taken first to keep it from running.
  if (!serviceMonitor) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, headless ? "VoltarisService" : "Voltaris");
    if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(mutex);
      return 0;
    }
  }
  voltaris::RegisterMainWindowClass(instance);
  if (!voltaris::RegisterSplashClass(instance)) {
    MessageBoxA(nullptr, "Program requires Windows NT!", "Voltaris", MB_OK | MB_ICONERROR);
    return 0;
  }
  // Before the main window: it creates the gauge bars.
  INITCOMMONCONTROLSEX controls = {sizeof controls,
                                   ICC_DATE_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  HWND main = voltaris::CreateMainWindow(instance, headless, serviceMonitor);
  if (main == nullptr) return 0;
  ShowWindow(main, SW_HIDE);
  if (!headless) {
    voltaris::CentreWindow(main);
    voltaris::CreateSplash(instance, main);
    UpdateWindow(main);
  }

  HACCEL accelerators = LoadAcceleratorsA(instance, IDA_VOLTARIS);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    // Keys typed into a text field are the field's (Ctrl+C copies there, it
    // does not cancel a shutdown); Tab moves between a dialog's fields. Only
    // keys are looked at: asking for the active window is a trip to Wine's
    // server, and the timers and the monitor's reports come every second.
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
      if (!voltaris::IsTextField(msg.hwnd) && TranslateAcceleratorA(main, accelerators, &msg)) continue;
      HWND dialog = GetActiveWindow();
      if (dialog != nullptr && dialog != main && IsDialogMessageA(dialog, &msg)) continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
