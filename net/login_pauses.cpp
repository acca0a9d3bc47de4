#include "net/login_pauses.h"

#include <algorithm>

namespace voltaris {

bool LoginPauses::Paused(const std::string& address, int64_t nowMs) const {
  const auto it = refusals_.find(address);
  return it != refusals_.end() && nowMs < it->second.pausedUntilMs;
}

void LoginPauses::Refused(const std::string& address, int64_t nowMs) {
  if (refusals_.count(address) == 0) MakeRoom();
  Refusals& refusals = refusals_[address];
  ++refusals.count;
  refusals.lastMs = nowMs;
  refusals.pausedUntilMs = nowMs + PauseAfter(refusals.count);
}

void LoginPauses::ForgetOld(int64_t nowMs) {
  for (auto it = refusals_.begin(); it != refusals_.end();) {
    it = nowMs - it->second.lastMs >= limits_.forgetMs ? refusals_.erase(it) : std::next(it);
  }
}

int64_t LoginPauses::PauseAfter(int refusals) const {
  int64_t pause = limits_.firstPauseMs;
  for (int doubled = 1; doubled < refusals && pause < limits_.longestPauseMs; ++doubled) pause *= 2;
  return std::min(pause, limits_.longestPauseMs);
}

void LoginPauses::MakeRoom() {
  if (refusals_.size() < limits_.mostAddresses || refusals_.empty()) return;
  const auto oldest = std::min_element(refusals_.begin(), refusals_.end(), [](const auto& a, const auto& b) {
    return a.second.lastMs < b.second.lastMs;
  });
  refusals_.erase(oldest);
}

}  // namespace voltaris
