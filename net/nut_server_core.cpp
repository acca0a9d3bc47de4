#include "net/nut_server_core.h"

namespace voltaris {
namespace {
const std::string kNothing;
}

NutServerCore::NutServerCore(const NetworkSettings& settings, ShareBoard& board, NutLimits limits)
    : settings_(settings), board_(board), limits_(limits) {}

bool NutServerCore::Accept(int id, const std::string& address, int64_t nowMs) {
  if (connections_.size() >= limits_.mostClients || connections_.count(id) != 0) return false;
  Connection& connection = connections_[id];
  connection.session.address = address;
  connection.lastHeardMs = nowMs;
  return true;
}

void NutServerCore::Receive(int id, const char* bytes, size_t count, int64_t nowMs) {
  const auto it = connections_.find(id);
  if (it == connections_.end()) return;
  Connection& connection = it->second;
  // Nothing is read after LOGOUT or once the connection has been given up.
  for (size_t i = 0; i < count && !connection.abusive && !connection.session.loggingOut; ++i) {
    if (bytes[i] != '\n') {
      connection.input += bytes[i];
      // A line this long is no client's request: the connection ends
      // rather than the buffer growing. The CR of a CRLF does not count.
      const size_t length = connection.input.size() - (connection.input.back() == '\r');
      if (length > limits_.longestLine) connection.abusive = true;
      continue;
    }
    // Only whole requests count as activity: a client sending a byte now
    // and then does not keep its place.
    connection.lastHeardMs = nowMs;
    std::string line;
    line.swap(connection.input);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    AnswerLine(connection, std::move(line));
    if (connection.output.size() > limits_.mostPendingOutput) connection.abusive = true;
  }
}

void NutServerCore::AnswerLine(Connection& connection, std::string line) {
  const bool wasLoggedIn = connection.session.loggedIn;
  const ShareSnapshot snapshot = board_.Read();
  const std::vector<std::string> addresses = LoggedInAddresses();
  connection.output += AnswerNutLine(line, connection.session, {settings_, snapshot, addresses});
  if (connection.session.loggedIn != wasLoggedIn) PublishLogins();
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
