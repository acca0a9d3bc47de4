#include "app/headless_monitoring_win.h"

#include <mutex>
#include <optional>
#include <utility>

#include "app/app_messages.h"
#include "config/settings.h"
#include "i18n/catalogue.h"
#include "net/ups_share.h"
#include "power/timer_ids.h"
#include "res/resource_ids.h"

namespace voltaris {

// What the service's pipe thread hands the window thread to carry out, one
// at a time, under a number: a message that comes after its wait gave up
// finds its request withdrawn, and never carries out the next one.
class HeadlessMonitoring::RequestSlot {
 public:
  struct Held {
    WindowRequest request;
    std::string account;
    bool allowed = false;
  };
  unsigned Put(Held held) {
    std::lock_guard<std::mutex> lock(lock_);
    held_ = std::move(held);
    return ++number_;
  }
  std::optional<Held> Take(unsigned number) {
    std::lock_guard<std::mutex> lock(lock_);
    if (number != number_) return std::nullopt;
    return std::exchange(held_, std::nullopt);
  }
  void Withdraw(unsigned number) {
    std::lock_guard<std::mutex> lock(lock_);
    if (number == number_) held_.reset();
  }

 private:
  std::mutex lock_;
  std::optional<Held> held_;
  unsigned number_ = 0;
};

HeadlessMonitoring::HeadlessMonitoring(HWND window, const Program& program)
    : window_(window), p_(program), requests_(std::make_unique<RequestSlot>()) {}

HeadlessMonitoring::~HeadlessMonitoring() = default;

void HeadlessMonitoring::Begin(DWORD folderRefused) {
  if (folderRefused) {
    log_.Write(kServiceFolderEntry, Tr(Text::ServiceFolderRefused) + std::to_string(folderRefused) + ").");
  }
  p_.parts.records.WatchEvents([log = &log_](const std::string& row) { LogRow(*log, row); });
  p_.run.BeginForService();
  ServeWindows();
  PublishToWindows();
}

// A name another took first (while the monitoring was not running) is
// asked for again every 10 s; the failure is logged once.
void HeadlessMonitoring::ServeWindows() {
  constexpr UINT kRetryMs = 10000;
  HWND window = window_;
  DWORD error = 0;
  // Carried out on this thread, within a bound, so that the caller is told
  // whether it was; a window thread that does not answer in time is a no.
  // The request waits in its slot: the pipe serves one conversation at a time.
  RequestSlot* slot = requests_.get();
  const bool served = pipe_.Start(
      [window, slot](const WindowRequest& request, const std::string& account, bool allowed) {
        const unsigned number = slot->Put({request, account, allowed});
        DWORD_PTR carried = 0;
        const bool answered = SendMessageTimeoutA(window, WM_APP_WINDOW_REQUEST, number, 0,
                                                  SMTO_BLOCK | SMTO_ABORTIFHUNG, 2000, &carried) != 0;
        if (!answered) slot->Withdraw(number);  // not to be carried out after the caller was told no
        return answered && carried != 0;
      },
      &error);
  if (served) {
    KillTimer(window_, kTimerWindowPipeRetry);
    return;
  }
  if (!pipeFailureLogged_) {
    log_.Write(kWindowChannelEntry, Tr(Text::WindowChannelNotOpened) + std::to_string(error) + ").");
  }
  pipeFailureLogged_ = true;
  SetTimer(window_, kTimerWindowPipeRetry, kRetryMs, nullptr);
}

// What the users' windows show, as of now: taken by the channel's thread
// at its next request.
void HeadlessMonitoring::PublishToWindows() {
  ProgramParts& parts = p_.parts;
  ServiceState state;
  state.tray = parts.policy.Tray();
  const RuntimeEstimate runtime = parts.battery.Runtime();
  state.ups = MakeShareSnapshot(parts.engine.Status(), parts.engine.Battery(), parts.engine.UpsAnswering(), false,
                                runtime);
  state.balloons = p_.balloons.shown;
  state.balloon = p_.balloons.last;
  for (size_t i = 0; i < kCountdownWindowCount; ++i) {
    const CountdownWindow window = static_cast<CountdownWindow>(i);
    if (p_.views.IsOpen(window)) state.countdowns.push_back({window, p_.countdowns.PictureOf(window)});
  }
  pipe_.Publish(state);
}

// Carried out as the monitoring's own menu would, and recorded the same
// way; a refusal goes to the Application log, where an administrator looks.
// Returns whether it was carried out: what the run or the count-downs do
// not take now (a shutdown under way, a test already running, a UPS that
// does not answer) is told to the caller, never an "OK".
LRESULT HeadlessMonitoring::OnWindowRequest(unsigned number) {
  const std::optional<RequestSlot::Held> held = requests_->Take(number);
  if (!held) return 0;
  const WindowRequest* request = &held->request;
  if (!held->allowed) {
    std::string what = request->asks == WindowAsks::SetSetting ? "[" + request->section + "]"
                                                               : std::to_string(request->command);
    for (const auto& key : request->keys) what += (&key == &request->keys.front() ? " " : ", ") + key.first;
    const std::string who = held->account.empty() ? "" : " (" + held->account + ")";
    log_.Write(kRequestRefusedEntry, Tr(Text::ServiceRequestRefusedEntry) + what + who);
    return 0;
  }
  if (p_.run.Quiet() || p_.parts.gate.ShutdownUnderWay() || !p_.run.Monitoring()) return 0;
  return CarryOut(*request);
}

// For the minutes the settings hold, as the dialog's OK would start it here.
LRESULT HeadlessMonitoring::StartTimedTest() {
  SelfTests& tests = p_.parts.selfTests;
  if (!tests.State().timedIdle) return 0;
  tests.OnTimedSettingsOpened();
  const std::string minutes = p_.config.ReadString(section::kAlarmMessage, "SpecialTimeTest");
  if (!tests.OnTimedSettingsOk(minutes)) return tests.Offered();  // not offered: nothing starts
  tests.OnTimedSettingsClosed();  // minutes no test can run for
  return 0;
}

// Written and recorded key by key, each only when it changes anything: a
// dialog saves all its keys. The first failure ends it, as it would here.
LRESULT HeadlessMonitoring::SetForWindow(const WindowRequest& request) {
  bool changed = false;
  bool failed = false;
  for (const auto& [key, value] : request.keys) {
    if (p_.config.ReadValue(request.section, key) == value) continue;
    failed = static_cast<bool>(p_.config.WriteString(request.section, key, value));
    if (failed) break;
    p_.parts.records.AppendEvent(std::string(Tr(Text::SettingChangedEvent)) + "[" + request.section + "] " + key);
    changed = true;
  }
  if (changed) p_.parts.schedule.SettingsChanging();
  return failed ? 0 : 1;
}

LRESULT HeadlessMonitoring::CarryOut(const WindowRequest& request) {
  ProgramParts& parts = p_.parts;
  switch (request.asks) {
    case WindowAsks::SetSetting: return SetForWindow(request);
    case WindowAsks::ApplySettings: p_.run.ApplySettings(); return 1;
    default: break;
  }
  switch (request.command) {
    case IDC_SHUTDOWN_SYSTEM: parts.manual.Start(); return parts.manual.State().counting;
    case IDC_CANCEL_SHUTDOWN: parts.manual.Cancel(); return !parts.manual.State().counting;
    case IDC_SELFTEST_10_SECONDS: parts.selfTests.StartTenSecond(); return parts.selfTests.State().running;
    case IDC_SELFTEST_TILL_LOW:
      parts.selfTests.StartUntilLow();
      return parts.selfTests.State().running || parts.selfTests.State().untilLowWaiting;
    case IDC_SELFTEST_SPECIAL_TIME: return StartTimedTest();
    case IDC_CANCEL_SELFTEST: parts.selfTests.Cancel(); return 1;
    case IDC_POWER_DRILL: return parts.drill.Start();  // its refusal would be a box nobody can see
    case IDC_NEW_BATTERY:
      parts.battery.NewBattery();
      return 1;
    default: return 0;
  }
}

}  // namespace voltaris
