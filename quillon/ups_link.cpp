#include "quillon/ups_link.h"

#include <algorithm>
#include <cctype>

namespace quillon {
namespace {

// The reply to the last query of the calling thread: the monitor's status
// query and the user interface's test commands never see each other's.
// Kept with its lead byte, taken when the reply came: the transport may be
// another by the time it is read.
thread_local std::string tLastReply;

// The switch-off delays a unit is given, in minutes, and the longest restore
// time its four digits carry.
constexpr int kShortestSwitchOffMinutes = 1;
constexpr int kLongestSwitchOffMinutes = 10;
constexpr int kLongestRestoreMinutes = 9999;

bool Digits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string Pad(int value, size_t width) {
  std::string s = std::to_string(value);
  return std::string(width > s.size() ? width - s.size() : 0, '0') + s;
}

// The UPS's switch-off "S" dd "R" rrrr CR, or nothing when it is not one a
// unit may be given. A delay of 0 is "switch the load off now" on real units,
// whatever the caller meant; more than ten minutes is more than the units
// are known to count, which the field's reference driver refuses too. The
// restore part is four digits on the wire: a longer one is not cut down.
std::optional<std::string> SwitchOffCommand(int delayMinutes, int restoreMinutes) {
  if (delayMinutes < kShortestSwitchOffMinutes || delayMinutes > kLongestSwitchOffMinutes) return std::nullopt;
  if (restoreMinutes < 0 || restoreMinutes > kLongestRestoreMinutes) return std::nullopt;
  return "S" + Pad(delayMinutes, 2) + "R" + Pad(restoreMinutes, 4) + "\r";
}

}  // namespace

std::optional<std::string> CommandForCode(int code) {
  switch (code) {
    case 1: return std::string("Q1\r");
    case 3: return std::string("F\r");
    case 4: return std::string("T\r");
    case 5: return std::string("TL\r");
    case 7: return std::string("CT\r");
    default: return std::nullopt;
  }
}

std::optional<std::string> CommandForText(const std::string& text) {
  if (text.size() == 4 && text[0] == 'T' && Digits(text.substr(1, 2)) && text[3] == '\r') return text;
  // "RS." d "R9999" CR: switch off after d minutes, stay off.
  if (text.rfind("RS.", 0) == 0 && text.size() >= 10 && text.back() == '\r') {
    const size_t r = text.find('R', 3);
    const std::string delay = text.substr(3, r == std::string::npos ? 0 : r - 3);
    const std::string restore = r == std::string::npos ? "" : text.substr(r + 1, text.size() - r - 2);
    if (!Digits(delay) || delay.size() > 2 || restore != "9999") return std::nullopt;
    return SwitchOffCommand(std::stoi(delay), std::stoi(restore));
  }
  // "R0" dd rrrrr: switch off after dd minutes, back on after rrrrr minutes.
  if (text.size() == 9 && text.rfind("R0", 0) == 0 && Digits(text.substr(2))) {
    return SwitchOffCommand(std::stoi(text.substr(2, 2)), std::stoi(text.substr(4)));
  }
  return std::nullopt;
}

bool UpsLink::Present() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (transport_ && transport_->EnsureConnected()) return true;
  const std::string refused = transport_ ? transport_->RefusedUnit() : "";
  tLastReply = refused.empty() ? "" : kRefusedLeadByte + refused;
  return false;
}

CommandFate UpsLink::Exchange(const std::string& command, bool wantsReply) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (wantsReply) tLastReply.clear();
  if (!transport_ || !transport_->EnsureConnected()) return CommandFate::NotSent;
  if (!transport_->Send(command)) return transport_->MaybeSent() ? CommandFate::MaybeSent : CommandFate::NotSent;
  if (!wantsReply) return CommandFate::Sent;
  const std::string line = transport_->ReceiveLine();
  if (!line.empty()) tLastReply = transport_->LeadByte() + line;
  return CommandFate::Sent;
}

void UpsLink::Output(int code) {
  const auto command = CommandForCode(code);
  if (command) Exchange(*command, code == 1 || code == 3);
}

std::string UpsLink::Input() const { return tLastReply; }

CommandFate UpsLink::Test(const std::string& text) {
  const auto command = CommandForText(text);
  return command ? Exchange(*command, false) : CommandFate::NotSent;
}

}  // namespace quillon
