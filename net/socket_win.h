// What the network's threads (the server's and the follower's) share about
// their sockets and their clock. Winsock 2 must come before <windows.h>:
// include this first.
#pragma once

#include <winsock2.h>

#include <cstdint>

namespace voltaris {

// Milliseconds since the system started: never goes back with the wall clock.
inline int64_t NowMs() { return static_cast<int64_t>(GetTickCount64()); }

// Calls on the socket return at once instead of waiting.
inline bool MakeNonBlocking(SOCKET socket) {
  u_long on = 1;
  return ioctlsocket(socket, FIONBIO, &on) == 0;
}

}  // namespace voltaris
