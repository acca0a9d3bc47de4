// The network client's Winsock side under Wine, against a small server of
// the test's own on loopback: it logs in and reads the served values, logs
// out before it hangs up when stopped, stops in time whatever the server
// does, tells of servers that do not answer, refuse or cannot be found, and
// reaches a server by name and by IPv6 address.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "net/nut_follower_win.h"

using namespace voltaris;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

using Lines = std::vector<std::string>;

// A server of few words, one connection at a time. Answering, it says OK to
// the login, the UPS "ups"'s variables to LIST VAR ups and goodbye to LOGOUT
// before it hangs up; silent, it reads and says nothing; deaf, it does not
// even read. It writes down each line it reads, and "<connected>",
// "<closed>" (by the client) and "<hung up>" (by itself).
class LoopbackServer {
 public:
  enum class Manner { Answering, Silent, Deaf };

  LoopbackServer(const char* address, Manner manner, int port = 0) : manner_(manner) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE;
    addrinfo* found = nullptr;
    if (getaddrinfo(address, std::to_string(port).c_str(), &hints, &found) != 0) return;
    listener_ = socket(found->ai_family, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_storage bound{};
    int length = sizeof bound;
    const bool listening = listener_ != INVALID_SOCKET &&
                           bind(listener_, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0 &&
                           listen(listener_, SOMAXCONN) == 0 &&
                           getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &length) == 0;
    freeaddrinfo(found);
    if (!listening) {
      CloseListener();
      return;
    }
    // The port sits at the same place in IPv4 and IPv6 addresses.
    port_ = ntohs(reinterpret_cast<const sockaddr_in&>(bound).sin_port);
    thread_ = std::thread([this] { Run(); });
  }
  ~LoopbackServer() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    CloseListener();
    WSACleanup();
  }

  bool Listening() const { return listener_ != INVALID_SOCKET; }
  int Port() const { return port_; }
  void Become(Manner manner) { manner_ = manner; }
  Lines Heard() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return heard_;
  }
  std::optional<Clock::time_point> FirstConnected() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return firstConnected_;
  }
  // Waits up to two seconds until the server has heard the line.
  bool Hears(const std::string& line) const {
    for (int i = 0; i < 100; ++i) {
      const Lines heard = Heard();
      if (std::find(heard.begin(), heard.end(), line) != heard.end()) return true;
      Sleep(20);
    }
    return false;
  }

 private:
  void Run() {
    while (!stopping_) {
      if (client_ != INVALID_SOCKET && manner_ == Manner::Deaf) {
        Sleep(20);
        continue;
      }
      const SOCKET watched = client_ == INVALID_SOCKET ? listener_ : client_;
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(watched, &readable);
      timeval wait{0, 20 * 1000};
      if (select(0, &readable, nullptr, nullptr, &wait) != 1) continue;
      if (client_ == INVALID_SOCKET) {
        Accept();
      } else {
        Read();
      }
    }
    if (client_ != INVALID_SOCKET) closesocket(client_);
  }

  void Accept() {
    client_ = accept(listener_, nullptr, nullptr);
    if (client_ == INVALID_SOCKET) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!firstConnected_) firstConnected_ = Clock::now();
    heard_.push_back("<connected>");
  }

  void Read() {
    char bytes[512];
    const int count = recv(client_, bytes, sizeof bytes, 0);
    if (count <= 0) return HangUp("<closed>");
    input_.append(bytes, static_cast<size_t>(count));
    size_t end;
    while (client_ != INVALID_SOCKET && (end = input_.find('\n')) != std::string::npos) {
      const std::string line = input_.substr(0, end);
      input_.erase(0, end + 1);
      Note(line);
      if (manner_ == Manner::Answering) Answer(line);
    }
  }

  void Answer(const std::string& line) {
    if (line.rfind("USERNAME ", 0) == 0 || line.rfind("PASSWORD ", 0) == 0 || line == "LOGIN ups") return Say("OK\n");
    if (line == "LIST VAR ups") {
      return Say(
          "BEGIN LIST VAR ups\nVAR ups ups.status \"OL\"\nVAR ups battery.charge \"94\"\n"
          "VAR ups input.voltage \"230.0\"\nEND LIST VAR ups\n");
    }
    if (line == "INSTCMD ups test.battery.start.quick") return Say("OK\n");
    if (line.rfind("INSTCMD ", 0) == 0) return Say("ERR ACCESS-DENIED\n");
    if (line != "LOGOUT") return Say("ERR UNKNOWN-COMMAND\n");
    Say("OK Goodbye\n");
    HangUp("<hung up>");
  }

  void Say(const std::string& reply) { send(client_, reply.data(), static_cast<int>(reply.size()), 0); }

  void Note(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    heard_.push_back(line);
  }

  void HangUp(const char* note) {
    closesocket(client_);
    client_ = INVALID_SOCKET;
    input_.clear();
    Note(note);
  }

  void CloseListener() {
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    listener_ = INVALID_SOCKET;
  }

  std::atomic<Manner> manner_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  SOCKET client_ = INVALID_SOCKET;  // the server thread's
  std::string input_;               // the server thread's
  mutable std::mutex mutex_;
  Lines heard_;
  std::optional<Clock::time_point> firstConnected_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

struct Arrival {
  NetworkNews news;
  Clock::time_point at;
};

// Takes the follower's news on its thread, as the window would.
class Newsroom {
 public:
  NutFollower::Deliver Deliver() {
    return [this](NetworkNews news) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        arrivals_.push_back({std::move(news), Clock::now()});
      }
      came_.notify_all();
    };
  }
  // The news of that kind, once `count` pieces of it came or two seconds passed.
  std::vector<Arrival> Await(NetworkNews::Kind kind, size_t count = 1) {
    std::unique_lock<std::mutex> lock(mutex_);
    came_.wait_for(lock, milliseconds(2000), [&] { return OfKind(kind).size() >= count; });
    return OfKind(kind);
  }

 private:
  std::vector<Arrival> OfKind(NetworkNews::Kind kind) const {
    std::vector<Arrival> found;
    for (const Arrival& arrival : arrivals_) {
      if (arrival.news.kind == kind) found.push_back(arrival);
    }
    return found;
  }

  std::mutex mutex_;
  std::condition_variable came_;
  std::vector<Arrival> arrivals_;
};

NetworkUpsSettings Following(const std::string& host, int port, const std::string& user = "") {
  NetworkUpsSettings settings;
  settings.host = host;
  settings.port = port;
  settings.user = user;
  settings.password = user.empty() ? "" : "pw";
  return settings;
}

milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

// A loopback port where nothing listens.
int UnusedPort() {
  LoopbackServer briefly("127.0.0.1", LoopbackServer::Manner::Silent);
  return briefly.Port();
}

// The readings that came from a server listening at `listenAt`, reached as
// `host`; none when the server cannot listen there.
std::optional<size_t> ReadingsFrom(const char* listenAt, const std::string& host) {
  LoopbackServer server(listenAt, LoopbackServer::Manner::Answering);
  if (!server.Listening()) return std::nullopt;
  Newsroom news;
  NutFollower follower;
  if (!follower.Start(Following(host, server.Port()), news.Deliver())) return 0;
  return news.Await(NetworkNews::Kind::Readings).size();
}

}  // namespace

// Starting again ends the first run with its LOGOUT; the second, without a
// user, asks for the variables at once.
TEST(NutFollowerWin, LogsInReadsTheServedValuesAndLogsOutBeforeItHangsUp) {
  LoopbackServer server("127.0.0.1", LoopbackServer::Manner::Answering);
  ASSERT_TRUE(server.Listening());
  Newsroom news;
  NutFollower follower;
  ASSERT_TRUE(follower.Start(Following("127.0.0.1", server.Port(), "mon"), news.Deliver()));
  const auto readings = news.Await(NetworkNews::Kind::Readings);
  ASSERT_EQ(readings.size(), 1u);
  const ServedReadings& first = readings[0].news.readings;
  EXPECT_EQ(first.status, "OL");
  EXPECT_TRUE(first.flags.onLine);
  EXPECT_EQ(first.batteryCharge, 94.0);
  EXPECT_EQ(first.inputVoltage, 230.0);
  EXPECT_EQ(first.load, std::nullopt);

  ASSERT_TRUE(follower.Start(Following("127.0.0.1", server.Port()), news.Deliver()));
  EXPECT_EQ(news.Await(NetworkNews::Kind::Readings, 2).size(), 2u);
  const auto stopping = Clock::now();
  follower.Stop();
  // The server's goodbye ends the wait at once, long before the close limit.
  EXPECT_LT(Since(stopping), milliseconds(NutFollower::kCloseMs));
  EXPECT_FALSE(follower.Running());
  EXPECT_TRUE(server.Hears("<hung up>"));
  EXPECT_EQ(server.Heard(), (Lines{"<connected>", "USERNAME mon", "PASSWORD pw", "LOGIN ups", "LIST VAR ups",
                                   "LOGOUT", "<hung up>", "<connected>", "LIST VAR ups", "LOGOUT", "<hung up>"}));
  EXPECT_TRUE(news.Await(NetworkNews::Kind::Answering, 0).empty());
}

// The self-tests cross from the window's thread to the follower's and go
// out between polls; each answer comes back as news, done or refused.
TEST(NutFollowerWin, InstantCommandsReachTheServerAndTheirAnswersComeBack) {
  LoopbackServer server("127.0.0.1", LoopbackServer::Manner::Answering);
  ASSERT_TRUE(server.Listening());
  Newsroom news;
  NutFollower follower;
  EXPECT_FALSE(follower.Command(40, "test.battery.start.quick"));  // nothing followed yet
  ASSERT_TRUE(follower.Start(Following("127.0.0.1", server.Port(), "mon"), news.Deliver()));
  ASSERT_EQ(news.Await(NetworkNews::Kind::Readings).size(), 1u);
  EXPECT_TRUE(follower.Command(41, "test.battery.start.quick"));
  EXPECT_TRUE(follower.Command(42, "test.battery.start.deep"));
  const auto answers = news.Await(NetworkNews::Kind::CommandDone, 2);
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0].news.commandId, 41u);
  EXPECT_TRUE(answers[0].news.answering);
  EXPECT_EQ(answers[1].news.commandId, 42u);
  EXPECT_FALSE(answers[1].news.answering);
  EXPECT_TRUE(server.Hears("INSTCMD ups test.battery.start.deep"));
  follower.Stop();
}

TEST(NutFollowerWin, StopsInTimeAndTellsOfAServerThatNeverAnswers) {
  LoopbackServer server("127.0.0.1", LoopbackServer::Manner::Silent);
  ASSERT_TRUE(server.Listening());
  Newsroom news;
  {
    NutFollower follower;
    ASSERT_TRUE(follower.Start(Following("127.0.0.1", server.Port()), news.Deliver()));
    ASSERT_TRUE(server.Hears("LIST VAR ups"));
    // A server that reads nothing more never closes its end: the follower
    // waits for that until its close limit, and no longer.
    server.Become(LoopbackServer::Manner::Deaf);
    const auto stopping = Clock::now();
    follower.Stop();
    EXPECT_GE(Since(stopping), milliseconds(NutFollower::kCloseMs - 20));
    EXPECT_LT(Since(stopping), milliseconds(NutFollower::kStopMs));
    server.Become(LoopbackServer::Manner::Silent);
    EXPECT_TRUE(server.Hears("<closed>"));
    EXPECT_EQ(server.Heard(), (Lines{"<connected>", "LIST VAR ups", "LOGOUT", "<closed>"}));
  }

  NutClientLimits limits;
  limits.replyWithinMs = 300;
  NutFollower follower(limits);
  const auto started = Clock::now();
  ASSERT_TRUE(follower.Start(Following("127.0.0.1", server.Port()), news.Deliver()));
  const auto answers = news.Await(NetworkNews::Kind::Answering);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_FALSE(answers[0].news.answering);
  const auto waited = answers[0].at - started;
  EXPECT_GE(waited, milliseconds(limits.replyWithinMs));
  EXPECT_LT(waited, milliseconds(limits.replyWithinMs + NutFollower::kWakeMs + 200));
  EXPECT_TRUE(news.Await(NetworkNews::Kind::Readings, 0).empty());
}

// The client's reply limit bounds the lookup of a name; after a refusal the
// next try waits the first pause, and no longer than a wake past it; a
// connection the server ends is told of at once.
TEST(NutFollowerWin, TellsWhenTheServerCannotBeFoundRefusesOrGoesAwayAndTriesAgainAfterThePause) {
  NutClientLimits limits;
  limits.replyWithinMs = 300;
  limits.firstPauseMs = 600;
  {
    Newsroom news;
    NutFollower follower(limits);
    ASSERT_TRUE(follower.Start(Following("no-such-host.invalid", 3493), news.Deliver()));
    const auto answers = news.Await(NetworkNews::Kind::Answering);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_FALSE(answers[0].news.answering);
    const auto stopping = Clock::now();
    follower.Stop();
    EXPECT_LT(Since(stopping), milliseconds(NutFollower::kStopMs));
  }

  // A reply limit long enough to tell the refusal from a time-out.
  limits.replyWithinMs = 2500;
  const int port = UnusedPort();
  Newsroom news;
  NutFollower follower(limits);
  const auto started = Clock::now();
  ASSERT_TRUE(follower.Start(Following("127.0.0.1", port), news.Deliver()));
  const auto refused = news.Await(NetworkNews::Kind::Answering);
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_FALSE(refused[0].news.answering);
  EXPECT_LT(refused[0].at - started, milliseconds(1000));
  auto server = std::make_unique<LoopbackServer>("127.0.0.1", LoopbackServer::Manner::Answering, port);
  ASSERT_TRUE(server->Listening());
  EXPECT_EQ(news.Await(NetworkNews::Kind::Readings).size(), 1u);
  const auto answers = news.Await(NetworkNews::Kind::Answering, 2);
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_TRUE(answers[1].news.answering);
  ASSERT_TRUE(server->FirstConnected());
  const auto pause = *server->FirstConnected() - refused[0].at;
  EXPECT_GE(pause, milliseconds(limits.firstPauseMs - 50));  // the clock ticks in steps of up to 16 ms
  EXPECT_LT(pause, milliseconds(limits.firstPauseMs + 2 * NutFollower::kWakeMs + 100));

  // The server goes away with the connection open.
  const auto ended = Clock::now();
  server.reset();
  const auto lost = news.Await(NetworkNews::Kind::Answering, 3);
  ASSERT_EQ(lost.size(), 3u);
  EXPECT_FALSE(lost[2].news.answering);
  EXPECT_LT(lost[2].at - ended, milliseconds(2 * NutFollower::kWakeMs));
}

TEST(NutFollowerWin, ReachesTheServerByNameAndByIpv6Address) {
  EXPECT_EQ(ReadingsFrom("127.0.0.1", "localhost"), 1u);
  const std::optional<size_t> overIpv6 = ReadingsFrom("::1", "::1");
  if (!overIpv6) GTEST_SKIP() << "no IPv6 loopback here";
  EXPECT_EQ(*overIpv6, 1u);
}
