// The network server's connection logic on arbitrary bytes: requests split
// at arbitrary points, with small limits so that every bound is reached.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "net/nut_server_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace voltaris;
  NetworkSettings settings;
  settings.users = {{"u", "p"}};
  ShareBoard board;
  ShareSnapshot snapshot;
  snapshot.stale = size % 2 == 0;
  snapshot.variables = {{"ups.status", "OL"}, {"battery.charge", "\"9\\9"}};
  board.Publish(snapshot);
  NutLimits limits;
  limits.longestLine = 64;
  limits.mostPendingOutput = 512;
  limits.mostClients = 2;
  limits.loginPauses.firstPauseMs = 8;  // refused logins wait and go within one input
  limits.loginPauses.longestPauseMs = 64;
  NutServerCore core(settings, board, limits);
  core.Accept(1, "a", 0);
  core.Accept(2, "b", 0);
  // The first byte of each piece says its length and its connection.
  for (size_t at = 0; at < size;) {
    const size_t length = std::min<size_t>(data[at] % 32 + 1, size - at);
    const int id = 1 + data[at] % 2;
    core.Receive(id, reinterpret_cast<const char*>(data + at), length, static_cast<int64_t>(at));
    if (core.PendingOutput(id).size() > limits.mostPendingOutput + 1024) std::abort();
    if (data[at] % 3 == 0) core.Sent(id, core.PendingOutput(id).size());
    if (data[at] % 5 == 0) core.AnswerWaitingLogins(static_cast<int64_t>(at));
    if (core.ShouldClose(id)) core.Drop(id);
    at += length;
  }
  if (board.LoggedIn() > 2 || board.LoggedIn() != core.LoggedIn()) std::abort();
  return 0;
}
