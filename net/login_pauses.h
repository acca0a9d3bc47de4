// Refused logins slow down the address they came from. After each refusal
// the address's next LOGIN waits a pause that doubles, up to a longest one:
// a secondary that had its password wrong once waits a second, while someone
// guessing passwords gets two answers a minute. Only logins wait, so the
// address's other requests (upsc reading the UPS) are answered at once.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace voltaris {

struct LoginPauseLimits {
  int64_t firstPauseMs = 1000;
  int64_t longestPauseMs = 30000;
  // An address that has been refused nothing for this long starts afresh.
  int64_t forgetMs = 15 * 60 * 1000;
  // Addresses remembered at most, so that refusals from ever new addresses
  // cannot grow the server's memory; the one refused longest ago goes first.
  size_t mostAddresses = 1024;
};

class LoginPauses {
 public:
  explicit LoginPauses(LoginPauseLimits limits) : limits_(limits) {}

  // A LOGIN from this address must wait until the pause ends.
  bool Paused(const std::string& address, int64_t nowMs) const;
  void Refused(const std::string& address, int64_t nowMs);
  // The address knew a password: what it got wrong before is forgotten.
  void Accepted(const std::string& address) { refusals_.erase(address); }
  // Forgets the addresses refused nothing for the forget time.
  void ForgetOld(int64_t nowMs);

 private:
  struct Refusals {
    int count = 0;
    int64_t lastMs = 0;
    int64_t pausedUntilMs = 0;
  };

  int64_t PauseAfter(int refusals) const;
  void MakeRoom();

  LoginPauseLimits limits_;
  std::map<std::string, Refusals> refusals_;
};

}  // namespace voltaris
