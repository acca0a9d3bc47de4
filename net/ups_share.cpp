#include "net/ups_share.h"

#include <algorithm>

#include "i18n/catalogue.h"
#include "power/timer_ids.h"

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

}  // namespace

ShareSnapshot MakeShareSnapshot(const UpsStatus& status, const BatteryReading& battery, bool answering,
                                bool forcedShutdown, const RuntimeEstimate& runtime, int runtimeLowSeconds) {
  ShareSnapshot snapshot;
  snapshot.stale = !answering && !forcedShutdown;
  auto add = [&snapshot](const char* name, const std::string& value) {
    if (!value.empty()) snapshot.variables.emplace_back(name, value);
  };
  add("battery.charge", std::to_string(battery.gaugePosition));  // whole percent, 100 when full
  add("battery.runtime", runtime.known ? std::to_string(runtime.seconds) : "");
  add("battery.runtime.low", runtimeLowSeconds > 0 ? std::to_string(runtimeLowSeconds) : "");
  add("battery.voltage", NumberText(status.batteryVoltageText));
  add("battery.voltage.nominal", NumberText(status.ratedBatteryVoltageText));
  add("device.type", "ups");
  add("driver.name", "voltaris");
  add(kBatteryHealthVariable, runtime.healthPercent >= 0 ? std::to_string(runtime.healthPercent) : "");
  add("input.frequency", NumberText(status.frequencyText));
  add("input.voltage", NumberText(status.inputVoltageText));
  add("input.voltage.fault", NumberText(status.inputFaultVoltageText));
  add("output.voltage", NumberText(status.outputVoltageText));
  add("ups.load", status.loadPercentText);
  add("ups.status", StatusWords(status, forcedShutdown));
  // Left out when there is no reading: a client reads "not supported", not 0.
  add("ups.temperature", TemperatureDegrees(status.temperatureText) ? NumberText(status.temperatureText) : "");
  add("ups.type", status.standbyType ? "offline / line interactive" : "online");
  return snapshot;
}

UpsShare::UpsShare(TimerPort& timers, SharePort& server, RecordKeeper& records, const ConfigFile& config,
                   const PowerEngine& engine, const RuntimeSource* runtime)
    : timers_(timers), server_(server), records_(records), config_(config), engine_(engine), runtime_(runtime) {}

void UpsShare::OwnTimers(TimerTable& table) {
  table.Own(kTimerSharePublish, *this);
  table.Own(kTimerShareListen, *this);
}

// A UPS followed over the network already has its server: serving it again
// from here would hand other computers second-hand news, a second late, and
// an order to shut down that the real primary never gave.
void UpsShare::Start() {
  settings_ = ReadNetworkSettings(config_);
  if (!settings_.enabled) return;
  if (engine_.Link() != LinkKind::Network) return TryListening();
  if (!state_.offWhileFollowingRecorded) records_.AppendEvent(Tr(Text::NetworkServerOffWhileFollowing));
  state_.offWhileFollowingRecorded = true;
}

void UpsShare::OnLinkChanged() {
  if (engine_.Link() != LinkKind::Network) {
    if (!state_.listening) Start();
    return;
  }
  if (state_.listening) server_.Stop();
  state_.listening = false;
  timers_.Kill(kTimerShareListen);
  timers_.Kill(kTimerSharePublish);
  Start();
}

// "Not started" is recorded once; the server starts as soon as it can.
void UpsShare::TryListening() {
  state_.listening = server_.Listen(settings_);
  if (!state_.listening) {
    if (!state_.notStartedRecorded) records_.AppendEvent(Tr(Text::NetworkServerNotStartedEvent));
    state_.notStartedRecorded = true;
    timers_.Arm(kTimerShareListen, kListenRetryMs);
    return;
  }
  timers_.Kill(kTimerShareListen);
  Publish();
  timers_.Arm(kTimerSharePublish, kPublishMs);
}

void UpsShare::OnTimer(unsigned id) {
  switch (id) {
    case kTimerSharePublish:
      NoteReplies();
      Publish();
      break;
    case kTimerShareListen:
      if (!state_.listening) TryListening();
      break;
    default: break;
  }
}

void UpsShare::NoteReplies() {
  const long accepted = engine_.AcceptedStatusReplies();
  state_.publishesWithoutReply = accepted == state_.lastAcceptedReplies ? state_.publishesWithoutReply + 1 : 0;
  state_.lastAcceptedReplies = accepted;
}

void UpsShare::Publish() {
  if (!state_.listening) return;
  // Before the first status reply only the rating may be known: OL with no
  // readings would be a guess, so the data counts as stale until then.
  const bool fresh = engine_.UpsAnswering() && engine_.AcceptedStatusReplies() > 0 &&
                     state_.publishesWithoutReply < kStaleAfterPublishes;
  const RuntimeEstimate runtime = runtime_ ? runtime_->Runtime() : RuntimeEstimate{};
  // The margin is a promise only while the shutdown on the estimate keeps it.
  const RuntimeSettings onRuntime = ReadRuntimeSettings(config_);
  const int runtimeLowSeconds = onRuntime.shutdownOnRuntime ? onRuntime.marginMinutes * 60 : 0;
  server_.Publish(MakeShareSnapshot(engine_.Status(), engine_.Battery(), fresh, state_.forcedShutdown, runtime,
                                    runtimeLowSeconds));
}

// Nobody can see it while the server is not listening, and a server that
// starts later begins without it.
void UpsShare::AnnounceForcedShutdown(bool announce) {
  state_.forcedShutdown = announce && state_.listening;
  Publish();
}

}  // namespace voltaris
