#include "app/window_on_service_win.h"

#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "app/app_messages.h"
#include "app/line_keeper_win.h"
#include "app/service_win.h"
#include "i18n/catalogue.h"
#include "net/nut_client.h"
#include "power/battery_watch.h"
#include "res/resource_ids.h"
#include "ups/served_ups.h"

namespace voltaris {
namespace {

// What the service's answer other than "OK" says to the user.
Text AnswerText(const std::string& answer) {
  if (answer == RefusalAnswer(RequestRefusal::NotAllowed)) return Text::ServiceRefusedRequest;
  if (answer == RefusalAnswer(RequestRefusal::NotNow)) return Text::ServiceCouldNotNow;
  return Text::ServiceDidNotAnswer;
}

}  // namespace

void WindowOnService::Begin() {
  w_.timedTest.StartElsewhere([this] { link_.Ask(WindowAsks::TimedTest); });
  w_.config.WriteThrough(
      [this](const std::string& section, const ConfigFile::KeyValues& keys) { return SetThroughService(section, keys); });
  w_.countdowns.OnMirroredCancel([this](CountdownWindow) { AskService(IDC_CANCEL_SHUTDOWN); });
  wait_ = ServiceWait::Asked;
  HWND window = w_.hwnd;
  const bool started = link_.Start(
      [window](ServiceNews news) {
        auto* posted = new ServiceNews(std::move(news));
        if (!PostMessageA(window, WM_APP_SERVICE_NEWS, 0, reinterpret_cast<LPARAM>(posted))) delete posted;
      },
      IsServiceMonitor);
  if (!started) NoteServiceSilent();
}

// A window on the service saves its settings by having the service write
// them, a dialog's keys in one conversation (two when they do not fit one
// line); what it said comes back as the failure the settings dialogs show.
FileError WindowOnService::SetThroughService(const std::string& section, const ConfigFile::KeyValues& keys) {
  const std::optional<std::vector<std::string>> lines = SettingLines(section, keys);
  std::string answer = lines ? kRequestTaken : RefusalAnswer(RequestRefusal::Unknown);
  for (size_t i = 0; lines && i < lines->size() && answer == kRequestTaken; ++i) answer = link_.AskNow((*lines)[i]);
  if (answer == kRequestTaken) return {};
  const bool refused = answer == RefusalAnswer(RequestRefusal::NotAllowed);
  return {refused ? ERROR_ACCESS_DENIED : ERROR_NOT_READY, Tr(AnswerText(answer))};
}

void WindowOnService::OnNews(const ServiceNews& news) {
  switch (news.kind) {
    case ServiceNews::Kind::State: ShowServiceState(news.state); break;
    case ServiceNews::Kind::Silent: NoteServiceSilent(); break;
    case ServiceNews::Kind::Answer: ShowServiceAnswer(news.answer); break;
  }
}

void WindowOnService::ShowServiceState(const ServiceState& state) {
  // What it showed before this window heard from it (first, or again) is left unsaid.
  if (state.balloons != balloons_ && state.balloons > 0 && wait_ == ServiceWait::None) {
    w_.tray.ShowBalloon(state.balloon.title, state.balloon.text, state.balloon.warning);
  }
  balloons_ = state.balloons;
  wait_ = ServiceWait::None;
  tray_ = state.tray;
  const ServedReadings served = ServedReadingsOf(state.ups.variables);
  UpsStatus status;
  FillServedStatus(served, status);
  const BatteryReading battery = ServedBattery(served, status);
  w_.gauges.ShowLinkPictures(!state.ups.stale);
  if (state.ups.stale) {
    w_.gauges.ZeroGauges();
  } else {
    w_.gauges.ShowReadings(LinkKind::Network, status, battery);
  }
  const int health = served.healthPercent ? static_cast<int>(std::lround(*served.healthPercent)) : -1;
  w_.gauges.ShowRuntime(WithHealth(state.tray.runtime, health));
  w_.countdowns.Mirror(state.countdowns);
  w_.menus.SetControlCenterEnabled(state.tray.answering);
  w_.stateChanged();
}

// Said once when it stops answering, in the tray, the title and a balloon.
void WindowOnService::NoteServiceSilent() {
  if (wait_ == ServiceWait::NotRunning) return;
  wait_ = ServiceWait::NotRunning;
  w_.gauges.ShowLinkPictures(false);
  w_.gauges.ZeroGauges();
  w_.countdowns.Mirror({});  // nothing counts while nobody watches
  w_.stateChanged();
  w_.tray.ShowBalloon("Voltaris", Tr(Text::ServiceNotRunningBalloon), true);
}

void WindowOnService::OnBalloonClicked() {
  if (wait_ == ServiceWait::NotRunning) OfferToStartService();
}

// Starting it is the service manager's to allow: a refusal says why.
void WindowOnService::OfferToStartService() {
  if (MessageBoxA(w_.hwnd, Tr(Text::ServiceStartOffer), "Voltaris", MB_YESNO | MB_ICONWARNING) != IDYES) return;
  const DWORD error = StartTheService();
  if (error) MessageBoxA(w_.hwnd, (Tr(Text::ServiceNotStarted) + std::to_string(error) + ").").c_str(), "Voltaris", MB_OK | MB_ICONWARNING);
}

// A refusal is told, never silent; what was carried out shows in the state.
void WindowOnService::ShowServiceAnswer(const std::string& answer) {
  if (answer == kRequestTaken) return;
  MessageBoxA(w_.hwnd, Tr(AnswerText(answer)), "Voltaris", MB_OK | MB_ICONWARNING);
}

bool WindowOnService::AskService(WORD command) {
  const std::optional<WindowAsks> asks = RequestForCommand(command);
  if (!asks) return false;
  if (wait_ == ServiceWait::NotRunning) {
    OfferToStartService();
  } else {
    link_.Ask(*asks);
  }
  return true;
}

}  // namespace voltaris
