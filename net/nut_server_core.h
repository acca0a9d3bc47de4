// The network server's connections, without sockets: bytes in, replies out,
// and the limits that keep a client from holding the server or its memory.
// The socket side calls it from its one thread; the tests call it directly.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "net/nut_protocol.h"
#include "net/share_board.h"

namespace voltaris {

struct NutLimits {
  size_t longestLine = 512;          // a longer request ends its connection
  size_t mostPendingOutput = 64 * 1024;  // a client that stops reading is let go
  size_t mostClients = 16;
  int64_t idleMs = 120000;           // no request for this long (half-open or stuck): let go
};

class NutServerCore {
 public:
  NutServerCore(const NetworkSettings& settings, ShareBoard& board, NutLimits limits = {});

  // A new connection; false when the server is full (the caller closes it).
  bool Accept(int id, const std::string& address, int64_t nowMs);
  // Bytes from the client: each whole line is answered into its output and
  // counts as activity.
  void Receive(int id, const char* bytes, size_t count, int64_t nowMs);
  // What waits to be sent, and how much of it went.
  const std::string& PendingOutput(int id) const;
  void Sent(int id, size_t count);
  // The connection is to be closed: now (`ShouldClose`), or once its output
  // is sent (after LOGOUT).
  bool ShouldClose(int id) const;
  // The client closed or the socket failed.
  void Drop(int id);
  // Connections without a request for longer than the idle limit.
  std::vector<int> Idle(int64_t nowMs) const;

  size_t Connections() const { return connections_.size(); }
  size_t LoggedIn() const;

 private:
  struct Connection {
    NutSession session;
    std::string input, output;
    int64_t lastHeardMs = 0;
    bool abusive = false;
  };

  void AnswerLine(Connection& connection, std::string line);
  void PublishLogins();
  std::vector<std::string> LoggedInAddresses() const;

  NetworkSettings settings_;
  ShareBoard& board_;
  NutLimits limits_;
  std::map<int, Connection> connections_;
};

}  // namespace voltaris
