// The network server's connections, without sockets: bytes in, replies out,
// and the limits that keep a client from holding the server or its memory.
// The socket side calls it from its one thread, with the time of its clock;
// the tests call it directly with a clock of their own.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "net/login_pauses.h"
#include "net/nut_protocol.h"
#include "net/share_board.h"

namespace voltaris {

struct NutLimits {
  size_t longestLine = 512;          // a longer request ends its connection
  size_t mostPendingOutput = 64 * 1024;  // a client that stops reading is let go
  size_t mostClients = 16;
  // Connections not logged in that one address may hold: its oldest makes
  // room for its next, so one computer cannot take every place.
  size_t mostNotLoggedInPerAddress = 4;
  int64_t idleMs = 120000;           // no request for this long (half-open or stuck): let go
  LoginPauseLimits loginPauses;      // how refused logins slow their address down
};

// What became of a new connection.
struct NutAdmission {
  bool accepted = false;         // false: the caller closes it
  std::optional<int> displaced;  // a connection let go to make room: the caller closes it
};

class NutServerCore {
 public:
  NutServerCore(const NetworkSettings& settings, ShareBoard& board, NutLimits limits = {});

  // A new connection. Logged-in secondaries keep their places; the others
  // make room, the one heard from longest ago first (a client in the middle
  // of its requests stays). Refused only when every place is logged in.
  NutAdmission Accept(int id, const std::string& address, int64_t nowMs);
  // Bytes from the client: each whole line is answered into its output and
  // counts as activity. A LOGIN from an address slowed down after refused
  // logins waits, with what follows it, for AnswerWaitingLogins.
  void Receive(int id, const char* bytes, size_t count, int64_t nowMs);
  // Answers the logins whose address's pause has ended, the one that has
  // waited longest first: if it is refused, the others wait for the next
  // pause. Called on every pass of the server's loop.
  void AnswerWaitingLogins(int64_t nowMs);
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
    std::string input;  // not yet answered: part of a line, or the lines from a waiting LOGIN on
    std::string output;
    int64_t lastHeardMs = 0;
    uint64_t acceptedTurn = 0;  // breaks ties between connections heard at the same time
    std::optional<uint64_t> loginWaitTurn;  // the LOGIN at the front of the input waits its address's pause
    bool abusive = false;
  };

  void AnswerWholeLines(Connection& connection, int64_t nowMs);
  void AnswerLine(Connection& connection, const std::string& line, int64_t nowMs);
  bool TooMuchUnread(const Connection& connection) const;
  Connection* LongestWaitingLogin(int64_t nowMs);
  size_t NotLoggedInFrom(const std::string& address) const;
  std::optional<int> HeardLongestAgoNotLoggedIn(const std::string* address) const;
  void PublishLogins();
  std::vector<std::string> LoggedInAddresses() const;

  NetworkSettings settings_;
  ShareBoard& board_;
  NutLimits limits_;
  LoginPauses loginPauses_;
  std::map<int, Connection> connections_;
  uint64_t nextTurn_ = 0;
};

}  // namespace voltaris
