#include "net/ups_share.h"

#include <algorithm>

#include "events/timer_ids.h"
#include "i18n/catalogue.h"

namespace voltaris {
namespace {

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A reading as a number is written: "000.0" as "0.0", "050.0" as "50.0".
// Anything but plain digits (a garbled field) goes out as the UPS sent it.
std::string NumberText(const std::string& text) {
  std::string number = Trimmed(text);
  const size_t point = number.find('.');
  const size_t whole = point == std::string::npos ? number.size() : point;
  const bool plain = whole > 0 && number.find_first_not_of("0123456789.") == std::string::npos &&
                     number.find('.', whole + 1) == std::string::npos && number.back() != '.';
  if (!plain) return number;
  const size_t firstKept = std::min(number.find_first_not_of('0'), whole - 1);
  return number.substr(firstKept);
}

std::string StatusWords(const UpsStatus& status, bool forcedShutdown) {
  std::string words = forcedShutdown ? "FSD " : "";
  words += status.mainsFailed ? "OB" : "OL";
  if (status.batteryLow) words += " LB";
  if (status.testInProgress) words += " CAL";
  return words;
}

int BatteryCharge(LinkKind link, const UpsStatus& status) {
  UpsStatus copy = status;  // the reading keeps the last percentage when full
  const BatteryReading reading = ComputeBatteryPercent(link, copy);
  if (reading.full) return 100;
  return std::clamp(static_cast<int>(copy.batteryPercent), 0, 100);
}

}  // namespace

ShareSnapshot MakeShareSnapshot(LinkKind link, const UpsStatus& status, bool answering, bool forcedShutdown) {
  ShareSnapshot snapshot;
  snapshot.stale = !answering && !forcedShutdown;
  auto add = [&snapshot](const char* name, const std::string& value) {
    if (!value.empty()) snapshot.variables.emplace_back(name, value);
  };
  add("battery.charge", std::to_string(BatteryCharge(link, status)));
  add("battery.voltage", NumberText(status.batteryVoltageText));
  add("battery.voltage.nominal", NumberText(status.ratedBatteryVoltageText));
  add("device.type", "ups");
  add("driver.name", "voltaris");
  add("input.frequency", NumberText(status.frequencyText));
  add("input.voltage", NumberText(status.inputVoltageText));
  add("input.voltage.fault", NumberText(status.inputFaultVoltageText));
  add("output.voltage", NumberText(status.outputVoltageText));
  add("ups.load", status.loadPercentText);
  add("ups.status", StatusWords(status, forcedShutdown));
  add("ups.temperature", NumberText(status.temperatureText));
  add("ups.type", status.standbyType ? "offline / line interactive" : "online");
  return snapshot;
}

UpsShare::UpsShare(TimerPort& timers, SharePort& server, RecordKeeper& records, const ConfigFile& config,
                   const PowerEngine& engine, ShutdownPort& system)
    : timers_(timers), server_(server), records_(records), config_(config), engine_(engine), system_(system) {}

void UpsShare::OwnTimers(TimerTable& table) {
  table.Own(kTimerSharePublish, *this);
  table.Own(kTimerHostSync, *this);
}

void UpsShare::Start() {
  const NetworkSettings settings = ReadNetworkSettings(config_);
  if (!settings.enabled) return;
  state_.hostSyncSeconds = settings.hostSyncSeconds;
  state_.listening = server_.Listen(settings);
  if (!state_.listening) {
    records_.AppendEvent(Tr(Text::NetworkServerNotStartedEvent));
    return;
  }
  Publish();
  timers_.Arm(kTimerSharePublish, kPublishMs);
}

void UpsShare::OnTimer(unsigned id) {
  if (id == kTimerSharePublish) {
    NoteReplies();
    Publish();
  }
  if (id == kTimerHostSync) WaitForSecondaries();
}

void UpsShare::NoteReplies() {
  const long accepted = engine_.AcceptedStatusReplies();
  state_.publishesWithoutReply = accepted == state_.lastAcceptedReplies ? state_.publishesWithoutReply + 1 : 0;
  state_.lastAcceptedReplies = accepted;
}

void UpsShare::Publish() {
  if (!state_.listening) return;
  const bool fresh = engine_.UpsAnswering() && state_.publishesWithoutReply < kStaleAfterPublishes;
  server_.Publish(MakeShareSnapshot(engine_.Link(), engine_.Status(), fresh, state_.forcedShutdown));
}

void UpsShare::EndAndShutDown() {
  if (state_.shutdownAsked) return;  // one wait serves every count-down that ends meanwhile
  state_.shutdownAsked = true;
  AfterSecondaries([this] {
    state_.shutdownAsked = false;
    system_.EndAndShutDown();
  });
}

void UpsShare::AfterSecondaries(std::function<void()> then) {
  if (!state_.listening || state_.released) {
    then();
    return;
  }
  afterSecondaries_.push_back(std::move(then));
  if (state_.waiting) return;
  state_.forcedShutdown = true;
  Publish();
  state_.waiting = true;
  state_.waitedMs = 0;
  state_.loggedInAtFsd = server_.LoggedIn();
  if (state_.loggedInAtFsd == 0) {
    FinishWaiting(Text::SecondariesLoggedOutEvent);
  } else if (state_.hostSyncSeconds == 0) {
    FinishWaiting(Text::SecondariesStillLoggedInEvent);
  } else {
    timers_.Arm(kTimerHostSync, kHostSyncPollMs);
  }
}

void UpsShare::ShutdownRefused() {
  state_.forcedShutdown = false;
  state_.released = false;
  Publish();
}

void UpsShare::WaitForSecondaries() {
  if (!state_.waiting) return;
  state_.waitedMs += kHostSyncPollMs;
  if (server_.LoggedIn() == 0) {
    FinishWaiting(Text::SecondariesLoggedOutEvent);
  } else if (state_.waitedMs >= static_cast<unsigned>(state_.hostSyncSeconds) * 1000u) {
    FinishWaiting(Text::SecondariesStillLoggedInEvent);
  }
}

// Recorded only when someone was logged in; then whatever waited goes on.
void UpsShare::FinishWaiting(Text event) {
  timers_.Kill(kTimerHostSync);
  state_.waiting = false;
  state_.released = true;
  if (state_.loggedInAtFsd > 0) records_.AppendEvent(Tr(event));
  std::vector<std::function<void()>> waiting;
  waiting.swap(afterSecondaries_);
  for (auto& then : waiting) then();
}

}  // namespace voltaris
