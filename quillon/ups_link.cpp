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

bool Digits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string Pad(int value, size_t width) {
  std::string s = std::to_string(value);
  return std::string(width > s.size() ? width - s.size() : 0, '0') + s;
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
    return "S" + Pad(std::stoi(delay), 2) + "R9999\r";
  }
  // "R0" dd rrrrr: switch off after dd minutes, back on after rrrrr minutes.
  if (text.size() == 9 && text.rfind("R0", 0) == 0 && Digits(text.substr(2))) {
    const int delay = std::stoi(text.substr(2, 2));
    const int restore = std::min(std::stoi(text.substr(4)), 9999);  // what four digits carry
    return "S" + Pad(delay, 2) + "R" + Pad(restore, 4) + "\r";
  }
  return std::nullopt;
}

bool UpsLink::Present() {
  std::lock_guard<std::mutex> lock(mutex_);
  return transport_ && transport_->EnsureConnected();
}

void UpsLink::Exchange(const std::string& command, bool wantsReply) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (wantsReply) tLastReply.clear();
  if (!transport_ || !transport_->EnsureConnected() || !transport_->Send(command)) return;
  if (!wantsReply) return;
  const std::string line = transport_->ReceiveLine();
  if (!line.empty()) tLastReply = transport_->LeadByte() + line;
}

void UpsLink::Output(int code) {
  const auto command = CommandForCode(code);
  if (command) Exchange(*command, code == 1 || code == 3);
}

std::string UpsLink::Input() const { return tLastReply; }

void UpsLink::Test(const std::string& text) {
  const auto command = CommandForText(text);
  if (command) Exchange(*command, false);
}

}  // namespace quillon
