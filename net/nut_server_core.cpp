#include "net/nut_server_core.h"

#include <utility>

namespace voltaris {
namespace {
const std::string kNothing;
}

NutServerCore::NutServerCore(const NetworkSettings& settings, ShareBoard& board, NutLimits limits)
    : settings_(settings), board_(board), limits_(limits), loginPauses_(limits.loginPauses) {}

NutAdmission NutServerCore::Accept(int id, const std::string& address, int64_t nowMs) {
  if (connections_.count(id) != 0) return {};
  NutAdmission admission{true, std::nullopt};
  const bool addressFull = NotLoggedInFrom(address) >= limits_.mostNotLoggedInPerAddress;
  if (addressFull || connections_.size() >= limits_.mostClients) {
    admission.displaced = HeardLongestAgoNotLoggedIn(addressFull ? &address : nullptr);
    if (!admission.displaced) return {};
    Drop(*admission.displaced);
  }
  Connection& connection = connections_[id];
  connection.session.address = address;
  connection.lastHeardMs = nowMs;
  connection.acceptedTurn = nextTurn_++;
  return admission;
}

size_t NutServerCore::NotLoggedInFrom(const std::string& address) const {
  size_t count = 0;
  for (const auto& [id, connection] : connections_) {
    count += !connection.session.loggedIn && connection.session.address == address;
  }
  return count;
}

// Of the connections not logged in (from the address, when one is given).
std::optional<int> NutServerCore::HeardLongestAgoNotLoggedIn(const std::string* address) const {
  std::optional<int> oldest;
  const Connection* oldestConnection = nullptr;
  for (const auto& [id, connection] : connections_) {
    if (connection.session.loggedIn || (address != nullptr && connection.session.address != *address)) continue;
    const bool older = oldestConnection == nullptr ||
                       std::make_pair(connection.lastHeardMs, connection.acceptedTurn) <
                           std::make_pair(oldestConnection->lastHeardMs, oldestConnection->acceptedTurn);
    if (older) {
      oldest = id;
      oldestConnection = &connection;
    }
  }
  return oldest;
}

void NutServerCore::Receive(int id, const char* bytes, size_t count, int64_t nowMs) {
  const auto it = connections_.find(id);
  if (it == connections_.end()) return;
  Connection& connection = it->second;
  // Nothing is read after LOGOUT or once the connection has been given up.
  if (connection.abusive || connection.session.loggingOut) return;
  const std::string received(bytes, count);
  // Only whole requests count as activity: a client sending a byte now and
  // then does not keep its place.
  if (received.find('\n') != std::string::npos) connection.lastHeardMs = nowMs;
  connection.input += received;
  if (!connection.loginWaitTurn) AnswerWholeLines(connection, nowMs);
  if (TooMuchUnread(connection)) connection.abusive = true;
}

void NutServerCore::AnswerWholeLines(Connection& connection, int64_t nowMs) {
  connection.loginWaitTurn.reset();
  while (!connection.abusive) {
    const size_t end = connection.input.find('\n');
    if (end == std::string::npos) return;
    std::string line = connection.input.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > limits_.longestLine) {
      connection.abusive = true;
      return;
    }
    if (AsksToLogIn(line) && loginPauses_.Paused(connection.session.address, nowMs)) {
      connection.loginWaitTurn = nextTurn_++;
      return;
    }
    connection.input.erase(0, end + 1);
    AnswerLine(connection, line, nowMs);
    if (connection.output.size() > limits_.mostPendingOutput) connection.abusive = true;
    if (connection.session.loggingOut) connection.input.clear();  // nothing is read after LOGOUT
  }
}

// A line this long is no client's request: the connection ends rather than
// the buffer growing (the CR of a CRLF does not count). Behind a waiting
// LOGIN whole lines may queue, up to the bound of the replies.
bool NutServerCore::TooMuchUnread(const Connection& connection) const {
  if (connection.loginWaitTurn) return connection.input.size() > limits_.mostPendingOutput;
  const std::string& part = connection.input;
  return part.size() - (!part.empty() && part.back() == '\r') > limits_.longestLine;
}

void NutServerCore::AnswerLine(Connection& connection, const std::string& line, int64_t nowMs) {
  NutSession& session = connection.session;
  const bool wasLoggedIn = session.loggedIn;
  const int refusedBefore = session.refusedLogins;
  const ShareSnapshot snapshot = board_.Read();
  const std::vector<std::string> addresses = LoggedInAddresses();
  connection.output += AnswerNutLine(line, session, {settings_, snapshot, addresses});
  if (session.refusedLogins != refusedBefore) loginPauses_.Refused(session.address, nowMs);
  if (session.loggedIn && !wasLoggedIn) loginPauses_.Accepted(session.address);
  if (session.loggedIn != wasLoggedIn) PublishLogins();
}

void NutServerCore::AnswerWaitingLogins(int64_t nowMs) {
  loginPauses_.ForgetOld(nowMs);
  while (Connection* next = LongestWaitingLogin(nowMs)) {
    AnswerWholeLines(*next, nowMs);
    if (TooMuchUnread(*next)) next->abusive = true;
  }
}

NutServerCore::Connection* NutServerCore::LongestWaitingLogin(int64_t nowMs) {
  Connection* longest = nullptr;
  for (auto& [id, connection] : connections_) {
    const bool ready = connection.loginWaitTurn && !loginPauses_.Paused(connection.session.address, nowMs);
    if (ready && (longest == nullptr || *connection.loginWaitTurn < *longest->loginWaitTurn)) longest = &connection;
  }
  return longest;
}

const std::string& NutServerCore::PendingOutput(int id) const {
  const auto it = connections_.find(id);
  return it == connections_.end() ? kNothing : it->second.output;
}

void NutServerCore::Sent(int id, size_t count) {
  const auto it = connections_.find(id);
  if (it != connections_.end()) it->second.output.erase(0, count);
}

bool NutServerCore::ShouldClose(int id) const {
  const auto it = connections_.find(id);
  if (it == connections_.end()) return true;
  const Connection& c = it->second;
  return c.abusive || (c.session.loggingOut && c.output.empty());
}

void NutServerCore::Drop(int id) {
  const auto it = connections_.find(id);
  if (it == connections_.end()) return;
  const bool wasLoggedIn = it->second.session.loggedIn;
  connections_.erase(it);
  if (wasLoggedIn) PublishLogins();
}

std::vector<int> NutServerCore::Idle(int64_t nowMs) const {
  std::vector<int> idle;
  for (const auto& [id, connection] : connections_) {
    if (nowMs - connection.lastHeardMs > limits_.idleMs) idle.push_back(id);
  }
  return idle;
}

size_t NutServerCore::LoggedIn() const { return LoggedInAddresses().size(); }

std::vector<std::string> NutServerCore::LoggedInAddresses() const {
  std::vector<std::string> addresses;
  for (const auto& [id, connection] : connections_) {
    if (connection.session.loggedIn) addresses.push_back(connection.session.address);
  }
  return addresses;
}

void NutServerCore::PublishLogins() { board_.SetLoggedIn(LoggedIn()); }

}  // namespace voltaris
