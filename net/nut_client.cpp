#include "net/nut_client.h"

#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>

#include "base/text_ends.h"
#include "net/nut_protocol.h"

namespace voltaris {
namespace {

using Words = std::vector<std::string>;

// A user, password or UPS name as one word: quoted when it holds what would
// split it (servers take quoted words the way ours does).
std::string Word(const std::string& text) {
  const bool plain = !text.empty() && text.find_first_of(" \t\"\\\r\n") == std::string::npos;
  return plain ? text : QuoteNut(text);
}

// The words of a reply line, or none for a line no server sends: one that
// still holds a CR is a value with a line break in it, garbled on its way.
std::optional<Words> ReplyWords(const std::string& line) {
  if (line.find('\r') != std::string::npos) return std::nullopt;
  return SplitNutLine(line);
}

// "BEGIN LIST VAR ups" and "END LIST VAR ups".
bool IsListEdge(const Words& words, const char* edge, const std::string& ups) {
  return words.size() == 4 && SameNutWord(words[0], edge) && SameNutWord(words[1], "LIST") &&
         SameNutWord(words[2], "VAR") && SameNutWord(words[3], ups.c_str());
}

// The whole value as a number; none for a value that is not one.
std::optional<double> Number(const std::string& value) {
  double number = 0;
  const char* end = value.data() + value.size();
  const auto [stop, error] = std::from_chars(value.data(), end, number);
  if (value.empty() || error != std::errc() || stop != end) return std::nullopt;
  return number;
}

ServedStatus FlagsOf(const std::string& status) {
  ServedStatus flags;
  const auto words = SplitNutLine(status);
  if (!words) return flags;
  for (const std::string& word : *words) {
    flags.onLine = flags.onLine || word == "OL";
    flags.onBattery = flags.onBattery || word == "OB";
    flags.batteryLow = flags.batteryLow || word == "LB";
    flags.forcedShutdown = flags.forcedShutdown || word == "FSD";
    flags.calibrating = flags.calibrating || word == "CAL";
  }
  return flags;
}

void Store(ServedReadings& readings, const std::string& name, const std::string& value) {
  using Field = std::optional<double> ServedReadings::*;
  static const std::pair<const char*, Field> kNumbers[] = {
      {"input.voltage", &ServedReadings::inputVoltage},       {"output.voltage", &ServedReadings::outputVoltage},
      {"ups.load", &ServedReadings::load},                    {"battery.charge", &ServedReadings::batteryCharge},
      {"battery.voltage", &ServedReadings::batteryVoltage},   {"input.frequency", &ServedReadings::inputFrequency},
      {"ups.temperature", &ServedReadings::temperature},      {"battery.runtime", &ServedReadings::runtimeSeconds},
      {"battery.runtime.low", &ServedReadings::runtimeLowSeconds},
      {kBatteryHealthVariable, &ServedReadings::healthPercent},
  };
  if (SameNutWord(name, "ups.status")) readings.status = value;
  for (const auto& [variable, field] : kNumbers) {
    if (SameNutWord(name, variable)) readings.*field = Number(value);
  }
}

ServedRefusal RefusalOf(const std::string& line) {
  if (line == "ERR ACCESS-DENIED") return ServedRefusal::AccessDenied;
  if (line == "ERR UNKNOWN-UPS") return ServedRefusal::UnknownUps;
  if (line == "ERR INVALID-USERNAME" || line == "ERR INVALID-PASSWORD") return ServedRefusal::WrongCredentials;
  return ServedRefusal::LoginRefused;
}

}  // namespace

ServedReadings ServedReadingsOf(const std::vector<std::pair<std::string, std::string>>& variables) {
  ServedReadings readings;
  for (const auto& [name, value] : variables) Store(readings, name, value);
  readings.flags = FlagsOf(readings.status);
  return readings;
}

NutClient::NutClient(NetworkUpsSettings settings, NutClientPort& port, NutClientReports& reports,
                     NutClientLimits limits)
    : settings_(std::move(settings)), port_(port), reports_(reports), limits_(limits), pauseMs_(limits.firstPauseMs) {}

void NutClient::Start(int64_t nowMs) {
  if (state_ == NutClientState::Idle) Connect(nowMs);
}

void NutClient::Connect(int64_t nowMs) {
  state_ = NutClientState::Connecting;
  waitingSinceMs_ = nowMs;
  input_.clear();
  port_.Connect();
}

void NutClient::OnConnected(int64_t nowMs) {
  if (state_ != NutClientState::Connecting) return;
  if (settings_.user.empty()) return Poll(nowMs);
  state_ = NutClientState::LoggingIn;
  Request("USERNAME " + Word(settings_.user), Awaiting::Username, nowMs);
}

void NutClient::Request(const std::string& line, Awaiting reply, int64_t nowMs) {
  awaiting_ = reply;
  waitingSinceMs_ = nowMs;
  port_.Send(line + "\n");
}

void NutClient::Poll(int64_t nowMs) {
  state_ = NutClientState::Polling;
  nextPollMs_ = nowMs + limits_.pollMs;
  Request("LIST VAR " + Word(settings_.upsName), Awaiting::ListStart, nowMs);
}

void NutClient::OnBytes(const char* bytes, size_t count, int64_t nowMs) {
  if (state_ != NutClientState::LoggingIn && state_ != NutClientState::Polling) return;
  input_.append(bytes, count);
  size_t end;
  while ((end = input_.find('\n')) != std::string::npos) {
    std::string line = input_.substr(0, end);
    input_.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > limits_.longestLine) return Fail(nowMs);
    AnswerLine(line, nowMs);
    if (state_ != NutClientState::LoggingIn && state_ != NutClientState::Polling) return;
  }
  // No server sends such a line: the buffer does not grow without end.
  if (input_.size() - (!input_.empty() && input_.back() == '\r') > limits_.longestLine) Fail(nowMs);
}

void NutClient::AnswerLine(const std::string& line, int64_t nowMs) {
  switch (awaiting_) {
    case Awaiting::Username:
    case Awaiting::Password:
    case Awaiting::Login: return LoginReply(line, nowMs);
    case Awaiting::ListStart: return ListStart(line, nowMs);
    case Awaiting::ListBody: return ListBody(line, nowMs);
    case Awaiting::Command: return CommandReply(line);
    case Awaiting::Nothing: return;  // nothing was asked: not an answer
  }
}

void NutClient::LoginReply(const std::string& line, int64_t nowMs) {
  if (!StartsWith(line, "OK")) return Refuse(RefusalOf(line), nowMs);
  if (awaiting_ == Awaiting::Username) return Request("PASSWORD " + Word(settings_.password), Awaiting::Password, nowMs);
  if (awaiting_ == Awaiting::Password) return Request("LOGIN " + Word(settings_.upsName), Awaiting::Login, nowMs);
  Poll(nowMs);
}

// An ERR to LIST VAR comes from a server that answers: the client stays
// connected and logged in, as upsmon does, so that the primary still counts
// this computer while the UPS's data are stale.
void NutClient::ListStart(const std::string& line, int64_t nowMs) {
  const auto words = ReplyWords(line);
  if (words && IsListEdge(*words, "BEGIN", settings_.upsName)) {
    awaiting_ = Awaiting::ListBody;
    reading_ = ServedReadings{};
    return;
  }
  if (!StartsWith(line, "ERR ")) return Fail(nowMs);  // not this conversation: start afresh
  const ServedRefusal refusal = RefusalOf(line);
  const bool refused = refusal == ServedRefusal::AccessDenied || refusal == ServedRefusal::UnknownUps;
  if (refused) return Refuse(refusal, nowMs);
  awaiting_ = Awaiting::Nothing;  // the UPS's data are missing (stale, no driver), not the server
  NotAnswering();
}

// A line that is not a whole VAR of this UPS is left out, never half read.
void NutClient::ListBody(const std::string& line, int64_t nowMs) {
  const auto words = ReplyWords(line);
  if (!words) return;
  if (IsListEdge(*words, "END", settings_.upsName)) return Heard(nowMs);
  const bool variable = words->size() == 4 && SameNutWord((*words)[0], "VAR") &&
                        SameNutWord((*words)[1], settings_.upsName.c_str());
  if (variable) Store(reading_, (*words)[2], (*words)[3]);
}

void NutClient::Heard(int64_t nowMs) {
  awaiting_ = Awaiting::Nothing;
  reading_.flags = FlagsOf(reading_.status);
  last_ = reading_;
  lastHeardMs_ = nowMs;
  silenceTold_ = false;
  pauseMs_ = limits_.firstPauseMs;  // a good session: the next loss waits the first pause
  refusalsTold_ = 0;
  if (lossTold_) reports_.Answering(true);
  lossTold_ = false;
  reports_.Readings(reading_);
}

void NutClient::OnTime(int64_t nowMs) {
  CheckSilence(nowMs);
  switch (state_) {
    case NutClientState::Pausing:
      if (nowMs >= reconnectAtMs_) Connect(nowMs);
      return;
    case NutClientState::Connecting:
    case NutClientState::LoggingIn:
      if (TimedOut(nowMs)) Fail(nowMs);
      return;
    case NutClientState::Polling:
      if (TimedOut(nowMs)) return Fail(nowMs);
      if (awaiting_ == Awaiting::Nothing && !commands_.empty()) return SendCommand(nowMs);
      if (awaiting_ == Awaiting::Nothing && nowMs >= nextPollMs_) Poll(nowMs);
      return;
    case NutClientState::Idle:
    case NutClientState::Stopped: return;
  }
}

int64_t NutClient::NextDueMs(int64_t nowMs) const {
  int64_t due = INT64_MAX;
  if (last_ && last_->flags.onBattery && !silenceTold_) {
    due = lastHeardMs_ + int64_t{settings_.deadTimeSeconds} * 1000;
  }
  if (AwaitingReply()) return std::min(due, waitingSinceMs_ + limits_.replyWithinMs);
  switch (state_) {
    case NutClientState::Pausing: return std::min(due, reconnectAtMs_);
    case NutClientState::Polling: return commands_.empty() ? std::min(due, nextPollMs_) : nowMs;
    default: return due;
  }
}

bool NutClient::TimedOut(int64_t nowMs) const {
  return AwaitingReply() && nowMs - waitingSinceMs_ >= limits_.replyWithinMs;
}

// upsmon's rule: a UPS last seen on battery that stays silent may be empty
// by now, so its hosts shut down rather than wait for news that never comes.
void NutClient::CheckSilence(int64_t nowMs) {
  if (!last_ || !last_->flags.onBattery || silenceTold_) return;
  if (nowMs - lastHeardMs_ < int64_t{settings_.deadTimeSeconds} * 1000) return;
  silenceTold_ = true;
  ServedReadings silent = *last_;
  silent.flags.batteryLow = true;
  silent.silentOnBattery = true;
  reports_.Readings(silent);
}

void NutClient::Refuse(ServedRefusal refusal, int64_t nowMs) {
  const unsigned bit = 1u << static_cast<unsigned>(refusal);
  if ((refusalsTold_ & bit) == 0) reports_.Refused(refusal);
  refusalsTold_ |= bit;
  Fail(nowMs);
}

void NutClient::Fail(int64_t nowMs) {
  port_.Close();
  Lost(nowMs);
}

void NutClient::OnConnectionLost(int64_t nowMs) {
  const bool connected = state_ == NutClientState::Connecting || state_ == NutClientState::LoggingIn ||
                         state_ == NutClientState::Polling;
  if (connected) Lost(nowMs);
}

void NutClient::Lost(int64_t nowMs) {
  DropCommands();
  NotAnswering();
  state_ = NutClientState::Pausing;
  awaiting_ = Awaiting::Nothing;
  reconnectAtMs_ = nowMs + pauseMs_;
  pauseMs_ = std::min(pauseMs_ * 2, limits_.longestPauseMs);
}

void NutClient::NotAnswering() {
  if (!lossTold_) reports_.Answering(false);
  lossTold_ = true;
}

void NutClient::Command(unsigned id, const std::string& instantCommand) {
  commands_.emplace_back(id, instantCommand);
  // Only a connection that follows the UPS carries them: none now, none later.
  if (state_ != NutClientState::Polling) DropCommands();
}

void NutClient::SendCommand(int64_t nowMs) {
  Request("INSTCMD " + Word(settings_.upsName) + " " + commands_.front().second, Awaiting::Command, nowMs);
}

// "OK" (or "OK TRACKING ..."): the server passed it to the UPS's driver.
void NutClient::CommandReply(const std::string& line) {
  awaiting_ = Awaiting::Nothing;
  const unsigned id = commands_.front().first;
  commands_.pop_front();
  reports_.CommandDone(id, StartsWith(line, "OK"));
}

void NutClient::DropCommands() {
  while (!commands_.empty()) {
    const unsigned id = commands_.front().first;
    commands_.pop_front();
    reports_.CommandDone(id, false);
  }
}

void NutClient::LogOut() {
  DropCommands();
  const bool connected = state_ == NutClientState::LoggingIn || state_ == NutClientState::Polling;
  if (connected) port_.Send("LOGOUT\n");
  if (connected || state_ == NutClientState::Connecting) port_.Close();
  state_ = NutClientState::Stopped;
}

bool ReadingPace::Passes(const ServedReadings& readings) {
  if (!every_.load() && last_ && SameReadings(*last_, readings)) return false;
  last_ = readings;
  return true;
}

}  // namespace voltaris
