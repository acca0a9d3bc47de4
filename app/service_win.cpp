#include "app/service_win.h"

#include <windows.h>

#include <mutex>
#include <string>

#include "app/event_log_win.h"
#include "app/executable_win.h"
#include "app/line_keeper_win.h"
#include "app/monitor_restarts.h"
#include "base/service_folder_win.h"
#include "base/write_rights_win.h"
#include "config/config_file.h"
#include "i18n/catalogue.h"
#include "res/command_ids.h"

namespace voltaris {
namespace {

constexpr DWORD kLookMs = 250;
// How long the monitoring program gets to write its rows and close the port.
constexpr DWORD kEndBoundMs = 20000;
constexpr DWORD kStopHintMs = kEndBoundMs + 5000;

int Say(bool quiet, int code, const std::string& text) {
  if (!quiet) MessageBoxA(nullptr, text.c_str(), "Voltaris", MB_OK | (code == 0 ? MB_ICONINFORMATION : MB_ICONWARNING));
  return code;
}

int SayFailure(bool quiet, DWORD error) {
  if (error == ERROR_ACCESS_DENIED) return Say(quiet, 1, Tr(Text::ServiceNeedsAdministrator));
  return Say(quiet, 2, Tr(Text::ServiceFailed) + std::to_string(error) + ").");
}

// ---- The monitoring program the service runs ----------------------------------

BOOL CALLBACK PostExit(HWND window, LPARAM process) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  if (owner == static_cast<DWORD>(process) && std::string(name) == "Voltaris") {
    PostMessageA(window, WM_COMMAND, IDC_EXIT, 0);
  }
  return TRUE;
}

// In a job that ends it with the service: a monitoring program left behind
// by a service that crashed would read the line beside the next one.
// What it starts in its turn (the event commands, a shutdown script among
// them) leaves the job silently and runs on when the service stops.
class MonitorProcess {
 public:
  static constexpr DWORD kKilledEndsWithinMs = 5000;

  explicit MonitorProcess(EventLogPort& log) : log_(log) {
    job_ = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK;
    if (job_) SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  ~MonitorProcess() {
    Forget();
    if (job_) CloseHandle(job_);
  }
  // Nobody else watches the UPS: one that cannot start is tried again, and
  // one that ended is started again, each after its pause.
  void Start() {
    // Windows going down: a new monitoring program would record the same
    // failure again, and be killed in the middle of its rows.
    if (GetSystemMetrics(SM_SHUTTINGDOWN)) return;
    NoteAnEnd();
    const DWORD now = GetTickCount();
    if (!restarts_.MayStart(now)) return;
    const std::string path = ExecutablePath();
    std::string line = "\"" + path + "\" /headless";
    const std::string folder = ExecutableDirectory();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        folder.c_str(), &startup, &started)) {
      const DWORD error = GetLastError();
      restarts_.OnFailed(now);
      Log(kMonitorNotStartedEntry, Text::ServiceMonitorNotStarted, error);
      return;
    }
    if (job_) AssignProcessToJobObject(job_, started.hProcess);
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    id_ = started.dwProcessId;
    restarts_.OnStarted(now);
  }
  bool Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
  // Waits at most `ms` for it to end; true once it has.
  bool Ended(DWORD ms) const { return !process_ || WaitForSingleObject(process_, ms) != WAIT_TIMEOUT; }
  // Its Exit: the rows are written, the port closed. Asked at every look
  // until it ends, as its window may not be there yet.
  void AskToEnd() const {
    if (Running()) EnumWindows(PostExit, static_cast<LPARAM>(id_));
  }
  // Ending is not immediate: the port is closed once the process has gone,
  // which a thread stuck in a driver call can hold up; waited for within a bound.
  void Kill() const {
    if (!Running()) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, kKilledEndsWithinMs);
  }
  // It ended as asked (or was killed for not ending), the service stopping: not a failure.
  void LetGo() {
    if (process_) restarts_.OnEndedAsAsked(GetTickCount());
    Forget();
  }

 private:
  void Forget() {
    if (process_) CloseHandle(process_);
    process_ = nullptr;
  }
  // One still known here has ended without being asked (one asked to end,
  // or killed, is forgotten at the stop): told once, and paced.
  void NoteAnEnd() {
    if (!process_) return;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    Forget();
    restarts_.OnFailed(GetTickCount());
    Log(kMonitorEndedEntry, Text::ServiceMonitorEnded, code);
  }
  void Log(const EventLogEntry& entry, Text what, DWORD number) {
    log_.Write(entry, Tr(what) + std::to_string(number) + Tr(Text::ServiceMonitorNextTry) +
                          std::to_string(restarts_.PauseMs() / 1000) + " s.");
  }

  EventLogPort& log_;
  MonitorRestarts restarts_;
  HANDLE job_ = nullptr;
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// ---- The service's thread ------------------------------------------------------

SERVICE_STATUS_HANDLE gStatusHandle = nullptr;
SERVICE_STATUS gStatus = {};
HANDLE gStop = nullptr;

std::mutex gStatusMutex;  // the control handler's thread and the service's both report

void ReportStatus(DWORD state, DWORD waitHintMs = 0) {
  std::lock_guard<std::mutex> lock(gStatusMutex);
  gStatus.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  gStatus.dwCurrentState = state;
  gStatus.dwControlsAccepted =
      state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PRESHUTDOWN : 0;
  gStatus.dwWaitHint = waitHintMs;
  if (waitHintMs) ++gStatus.dwCheckPoint;
  SetServiceStatus(gStatusHandle, &gStatus);
}

DWORD WINAPI OnControl(DWORD control, DWORD, void*, void*) {
  // Before the shutdown, while Windows still waits for services: the
  // monitoring writes its rows and closes the port, and none starts again.
  if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_PRESHUTDOWN || control == SERVICE_CONTROL_SHUTDOWN) {
    ReportStatus(SERVICE_STOP_PENDING, kStopHintMs);
    SetEvent(gStop);
    return NO_ERROR;
  }
  return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

// The service keeps a monitoring program running from its start to its
// stop, the only reader of the UPS while it is installed: a desktop program
// is only a window on it, and nothing a user does takes the UPS away.
class ServiceLoop {
 public:
  void Run();

 private:
  void EndForStop();

  WindowsEventLog log_;
  MonitorProcess monitor_{log_};
};

void ServiceLoop::Run() {
  do {
    if (!monitor_.Running()) monitor_.Start();
  } while (WaitForSingleObject(gStop, kLookMs) == WAIT_TIMEOUT);
  EndForStop();
}

// Stopping ends the monitoring program in order, whatever it is doing:
// the service was told to go (or the system is going down).
void ServiceLoop::EndForStop() {
  for (DWORD waited = 0; waited < kEndBoundMs; waited += kLookMs) {
    monitor_.AskToEnd();
    if (monitor_.Ended(kLookMs)) break;
    ReportStatus(SERVICE_STOP_PENDING, kStopHintMs);
  }
  monitor_.Kill();
  monitor_.LetGo();
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
  gStatusHandle = RegisterServiceCtrlHandlerExA(kServiceName, OnControl, nullptr);
  if (!gStatusHandle) return;
  gStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!gStop) {
    ReportStatus(SERVICE_STOPPED);
    return;
  }
  ReportStatus(SERVICE_RUNNING);
  ServiceLoop().Run();
  ReportStatus(SERVICE_STOPPED);
}

}  // namespace

int RunService() {
  // The dispatcher only reads the name.
  SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(kServiceName), ServiceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}

namespace {

// Restarted by Windows when it fails: 5 s, then 30 s, then each minute; the
// count starts again after a day without failing. Windows going down waits
// for its monitoring to write its rows and close the port.
DWORD ConfigureAsAdministratorsExpect(SC_HANDLE service) {
  SC_ACTION restarts[] = {{SC_ACTION_RESTART, 5000}, {SC_ACTION_RESTART, 30000}, {SC_ACTION_RESTART, 60000}};
  SERVICE_FAILURE_ACTIONSA failure = {};
  failure.dwResetPeriod = 24 * 60 * 60;
  failure.cActions = sizeof restarts / sizeof restarts[0];
  failure.lpsaActions = restarts;
  if (!ChangeServiceConfig2A(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failure)) return GetLastError();
  SERVICE_PRESHUTDOWN_INFO preshutdown = {kStopHintMs + 5000};
  if (!ChangeServiceConfig2A(service, SERVICE_CONFIG_PRESHUTDOWN_INFO, &preshutdown)) return GetLastError();
  return 0;
}

constexpr char kParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\Voltaris\\Parameters";
constexpr char kInstallerValue[] = "InstalledBy";

// With the elevation split, an administrator's own account also runs
// programs without elevation, which must not be able to change what the
// service runs: what that account owns counts as an administrator's only
// where it always is one (no split), or when the administrator says so.
std::string InstallerToTrust(bool trustAsked) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return "";
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  const bool known = GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size) != FALSE;
  CloseHandle(token);
  return trustAsked || (known && type == TokenElevationTypeDefault) ? ProcessUserSid() : "";
}

// Kept for the service's checks of its commands; a trust given before and
// not now is taken back.
DWORD KeepInstaller(const std::string& sid) {
  if (sid.empty()) {
    const LSTATUS removed = RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kParametersKey, kInstallerValue);
    return removed == ERROR_FILE_NOT_FOUND ? 0 : static_cast<DWORD>(removed);
  }
  const LSTATUS status = RegSetKeyValueA(HKEY_LOCAL_MACHINE, kParametersKey, kInstallerValue, REG_SZ, sid.c_str(),
                                         static_cast<DWORD>(sid.size() + 1));
  return static_cast<DWORD>(status);
}

// An administrator who installs it and logs off must not leave the
// computer unwatched until the next start of Windows.
DWORD StartNow(SC_HANDLE service) {
  if (StartServiceA(service, 0, nullptr)) return 0;
  const DWORD error = GetLastError();
  return error == ERROR_SERVICE_ALREADY_RUNNING ? 0 : error;
}

// What the service runs or reads as code with the system's rights: the
// folder (where a changed or added file would be taken up), the program,
// the link library and its settings, and the settings that name commands.
std::string ChangeableCodePath(const std::string& installer) {
  const std::string folder = ExecutableDirectory();
  return FirstChangeableByNonAdministrator(
      {folder, ExecutablePath(), folder + "\\quillon.dll", folder + "\\quillon.ini", folder + "\\UpsConfigure.ini"},
      installer);
}

// 0 when it is stopped, or its state cannot be read.
DWORD RunningProcessId(SC_HANDLE service) {
  SERVICE_STATUS_PROCESS status = {};
  DWORD needed = 0;
  const bool known = QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                          sizeof status, &needed) != FALSE;
  return known && status.dwCurrentState != SERVICE_STOPPED ? status.dwProcessId : 0;
}

// The service's own process ends with its stop: waited for, within a bound,
// on the process itself rather than by looking at its state again and again.
// One that cannot be waited for is deleted all the same: Windows removes it
// once it has stopped.
void AwaitServiceEnd(SC_HANDLE service) {
  constexpr DWORD kServiceEndBoundMs = 30000;
  const DWORD id = RunningProcessId(service);
  if (id == 0) return;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
  if (!process) return;
  WaitForSingleObject(process, kServiceEndBoundMs);
  CloseHandle(process);
}

// Not running, or already stopping: nothing to ask, and at most a wait.
// Whether it has stopped.
bool StopIfRunning(SC_HANDLE service) {
  SERVICE_STATUS status = {};
  ControlService(service, SERVICE_CONTROL_STOP, &status);
  AwaitServiceEnd(service);
  return RunningProcessId(service) == 0;
}

// Installed before, perhaps from another folder: this one now, and the
// running one (which may be that other folder's program) stopped, so that
// the one started is this.
DWORD Reinstall(SC_HANDLE manager, const std::string& command, SC_HANDLE* service) {
  *service = OpenServiceA(manager, kServiceName, SERVICE_ALL_ACCESS);
  if (!*service) return GetLastError();
  // One still running after its bound would go on watching from where it
  // was installed before: this installation has not taken, and says so.
  if (!StopIfRunning(*service)) return ERROR_SERVICE_REQUEST_TIMEOUT;
  return ChangeServiceConfigA(*service, SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE, command.c_str(),
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)
             ? 0
             : GetLastError();
}

}  // namespace

DWORD ServiceProcessId() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return 0;
  SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_QUERY_STATUS);
  const DWORD id = service ? RunningProcessId(service) : 0;
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return id;
}

std::string ServiceInstaller() {
  char sid[256] = "";
  DWORD size = sizeof sid;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, kParametersKey, kInstallerValue, RRF_RT_REG_SZ, nullptr, sid, &size) !=
      ERROR_SUCCESS) {
    return "";
  }
  return sid;
}

DWORD StartTheService() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return GetLastError();
  SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_START);
  const DWORD error = service ? StartNow(service) : GetLastError();
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return error;
}

// The service keeps its settings in its own folder, which only
// administrators may change: those of the program's folder, checked above,
// go there at the first installation, and stay as the service changes them.
// A file there a user could change (one put there before the folder was
// made safe) is replaced, not kept: overwritten, it would keep its owner.
DWORD CarrySettingsOver(const std::string& installer) {
  const std::optional<std::string> folder = ServiceDataFolder();
  if (!folder) return ERROR_PATH_NOT_FOUND;
  if (const DWORD error = PrepareServiceDataFolder(*folder, installer)) return error;
  const std::string from = ExecutableDirectory() + "\\" + ConfigFile::kFileName;
  const std::string to = *folder + "\\" + ConfigFile::kFileName;
  if (!FirstChangeableByNonAdministrator({to}, installer).empty() && !DeleteFileA(to.c_str()) &&
      GetLastError() != ERROR_FILE_NOT_FOUND) {
    return GetLastError();
  }
  if (CopyFileA(from.c_str(), to.c_str(), TRUE)) return 0;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_EXISTS || error == ERROR_FILE_NOT_FOUND ? 0 : error;
}

// Whether the caller is an administrator is the service manager's to say:
// it is asked first, so that a refusal is told as that.
int InstallService(bool quiet, bool trustInstaller) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
  if (!manager) return SayFailure(quiet, GetLastError());
  const std::string installer = InstallerToTrust(trustInstaller);
  const std::string changeable = ChangeableCodePath(installer);
  if (!changeable.empty()) {
    CloseServiceHandle(manager);
    return Say(quiet, 4, Tr(Text::ServiceFolderChangeable) + changeable + Tr(Text::ServiceFolderWhatToDo));
  }
  const std::string command = "\"" + ExecutablePath() + "\" /service";
  SC_HANDLE service = CreateServiceA(manager, kServiceName, "Voltaris UPS Monitor", SERVICE_ALL_ACCESS,
                                     SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                     command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  DWORD error = service ? 0 : GetLastError();
  if (error == ERROR_SERVICE_EXISTS) error = Reinstall(manager, command, &service);
  if (!error) error = ConfigureAsAdministratorsExpect(service);
  if (!error) error = RegisterEventLogSource(ExecutablePath());
  if (!error) error = KeepInstaller(installer);
  if (!error) error = CarrySettingsOver(installer);
  const DWORD startError = error ? 0 : StartNow(service);
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  if (error) return SayFailure(quiet, error);
  if (startError) return Say(quiet, 3, Tr(Text::ServiceNotStarted) + std::to_string(startError) + ").");
  return Say(quiet, 0, Tr(Text::ServiceInstalled));
}

int RemoveService(bool quiet) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return SayFailure(quiet, GetLastError());
  SC_HANDLE service = OpenServiceA(manager, kServiceName, DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS);
  DWORD error = service ? 0 : GetLastError();
  if (service) {
    StopIfRunning(service);
    if (!DeleteService(service)) error = GetLastError();
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  if (error == ERROR_SERVICE_DOES_NOT_EXIST) error = 0;  // nothing to remove is removed
  if (!error) error = RemoveEventLogSource();
  return error ? SayFailure(quiet, error) : Say(quiet, 0, Tr(Text::ServiceRemoved));
}

}  // namespace voltaris
