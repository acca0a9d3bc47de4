// The network server's Winsock side under Wine, on loopback: it answers over
// real sockets, counts logins as clients come and go, lets go of floods,
// silent clients and long lines while the clients that behave are served, and
// holds a refused login's next try without holding anyone else.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "net/nut_server_win.h"
#include "net/window_pipe_win.h"

using namespace voltaris;

namespace {

class Client {
 public:
  explicit Client(int port) {
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    connected_ = connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    DWORD timeout = 3000;
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  }
  ~Client() { closesocket(socket_); }
  bool Connected() const { return connected_; }
  void Send(const std::string& bytes) { send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0); }
  // Reads until `lines` LFs came; "" when the server closed or went quiet.
  std::string Read(int lines = 1) {
    std::string text;
    char c;
    while (lines > 0 && recv(socket_, &c, 1, 0) == 1) {
      text += c;
      lines -= c == '\n';
    }
    return lines == 0 ? text : "";
  }
  std::string Ask(const std::string& line, int lines = 1) {
    Send(line + "\n");
    return Read(lines);
  }
  // The server closed the connection (a read returns 0 within the timeout).
  bool Closed() {
    char c;
    return recv(socket_, &c, 1, 0) == 0;
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  bool connected_ = false;
};

struct Winsock {
  Winsock() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~Winsock() { WSACleanup(); }
};

NetworkSettings LoopbackSettings() {
  NetworkSettings s;
  s.enabled = true;
  s.port = 0;  // the system chooses a free port
  s.users = {{"mon", "pw"}};
  return s;
}

ShareSnapshot Answering() {
  ShareSnapshot snapshot;
  snapshot.stale = false;
  snapshot.variables = {{"ups.status", "OL"}, {"battery.charge", "94"}};
  return snapshot;
}

bool WaitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 100; ++i) {
    if (condition()) return true;
    Sleep(20);
  }
  return condition();
}

}  // namespace

TEST(NutServerWin, AnswersOverLoopbackAndCountsLoginsAsClientsComeAndGo) {
  Winsock winsock;
  NutServer server;
  ASSERT_TRUE(server.Listen(LoopbackSettings()));
  server.Publish(Answering());
  const int port = server.BoundPort();
  ASSERT_GT(port, 0);
  {
    Client client(port);
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(client.Ask("STARTTLS"), "ERR FEATURE-NOT-CONFIGURED\n");
    EXPECT_EQ(client.Ask("GET VAR voltaris ups.status"), "VAR voltaris ups.status \"OL\"\n");
    EXPECT_EQ(client.Ask("LIST VAR voltaris", 4),
              "BEGIN LIST VAR voltaris\nVAR voltaris ups.status \"OL\"\nVAR voltaris battery.charge \"94\"\n"
              "END LIST VAR voltaris\n");
    client.Send("USERNAME mon\nPASSWORD pw\n");
    EXPECT_EQ(client.Read(2), "OK\nOK\n");
    EXPECT_EQ(client.Ask("LOGIN voltaris"), "OK\n");
    EXPECT_TRUE(WaitFor([&] { return server.LoggedIn() == 1; }));
    EXPECT_EQ(client.Ask("LIST CLIENT voltaris", 3),
              "BEGIN LIST CLIENT voltaris\nCLIENT voltaris 127.0.0.1\nEND LIST CLIENT voltaris\n");
  }  // the secondary drops its connection without a word
  EXPECT_TRUE(WaitFor([&] { return server.LoggedIn() == 0; }));

  Client leaving(port);
  leaving.Send("USERNAME mon\nPASSWORD pw\nLOGIN voltaris\n");
  EXPECT_EQ(leaving.Read(3), "OK\nOK\nOK\n");
  EXPECT_EQ(leaving.Ask("LOGOUT"), "OK Goodbye\n");
  EXPECT_TRUE(leaving.Closed());
  EXPECT_TRUE(WaitFor([&] { return server.LoggedIn() == 0; }));
}

TEST(NutServerWin, ListensOnlyWhereItIsToldAndNotTwiceOnOnePort) {
  Winsock winsock;
  NutServer first;
  ASSERT_TRUE(first.Listen(LoopbackSettings()));
  NetworkSettings same = LoopbackSettings();
  same.port = first.BoundPort();
  NutServer second;
  EXPECT_FALSE(second.Listen(same));
  NetworkSettings nowhere = LoopbackSettings();
  nowhere.listenAddress = "not an address";
  EXPECT_FALSE(second.Listen(nowhere));
  nowhere.listenAddress = "192.0.2.1";  // not this machine's
  EXPECT_FALSE(second.Listen(nowhere));
}

TEST(NutServerWin, LetsGoOfFloodsSilentClientsAndLongLinesWhileServingTheRest) {
  Winsock winsock;
  NutLimits limits;
  limits.mostClients = 4;
  limits.idleMs = 500;
  NutServer server(limits);
  ASSERT_TRUE(server.Listen(LoopbackSettings()));
  server.Publish(Answering());
  const int port = server.BoundPort();

  Client secondary(port);
  secondary.Send("USERNAME mon\nPASSWORD pw\nLOGIN voltaris\n");
  EXPECT_EQ(secondary.Read(3), "OK\nOK\nOK\n");
  // A flood beyond the limit: each connection takes the place of the oldest
  // that has not logged in, whose socket is closed; the secondary stays.
  std::vector<std::unique_ptr<Client>> flood;
  for (int i = 0; i < 40; ++i) flood.push_back(std::make_unique<Client>(port));
  for (int i = 0; i < 37; ++i) EXPECT_TRUE(flood[i]->Closed()) << i;
  EXPECT_EQ(flood[39]->Ask("NETVER"), "1.3\n");
  EXPECT_EQ(secondary.Ask("NETVER"), "1.3\n");

  Client longLine(port);
  longLine.Send(std::string(600, 'A'));  // a line longer than allowed, without its end
  EXPECT_TRUE(longLine.Closed());
  Client garbage(port);
  garbage.Send(std::string("\x00\xff\x01garbage\r\n", 12));
  EXPECT_EQ(garbage.Read(), "ERR UNKNOWN-COMMAND\n");

  // Clients that keep talking stay; the silent ones are let go.
  for (int i = 0; i < 4; ++i) {
    Sleep(200);
    EXPECT_EQ(secondary.Ask("NETVER"), "1.3\n");
  }
  EXPECT_TRUE(garbage.Closed());
  EXPECT_TRUE(flood[39]->Closed());
  Client later(port);
  EXPECT_EQ(later.Ask("NETVER"), "1.3\n");
}

// The server's loop answers a held login once its pause is over, and
// serves everyone else meanwhile.
TEST(NutServerWin, HoldsARefusedLoginsNextTryWithoutHoldingTheOthers) {
  Winsock winsock;
  NutServer server;
  ASSERT_TRUE(server.Listen(LoopbackSettings()));
  server.Publish(Answering());
  Client guesser(server.BoundPort());
  guesser.Send("USERNAME mon\nPASSWORD guess\nLOGIN voltaris\n");
  EXPECT_EQ(guesser.Read(3), "OK\nOK\nERR ACCESS-DENIED\n");
  const auto tried = std::chrono::steady_clock::now();
  guesser.Send("LOGIN voltaris\n");
  Client reader(server.BoundPort());
  EXPECT_EQ(reader.Ask("GET VAR voltaris ups.status"), "VAR voltaris ups.status \"OL\"\n");
  EXPECT_LT(std::chrono::steady_clock::now() - tried, std::chrono::milliseconds(800));
  EXPECT_EQ(guesser.Read(), "ERR ACCESS-DENIED\n");
  EXPECT_GE(std::chrono::steady_clock::now() - tried, std::chrono::milliseconds(900));
}

TEST(NutServerWin, StopsPromptlyWithClientsConnected) {
  Winsock winsock;
  NutServer server;
  ASSERT_TRUE(server.Listen(LoopbackSettings()));
  Client client(server.BoundPort());
  client.Send("NET");  // half a request
  Sleep(100);
  const auto started = std::chrono::steady_clock::now();
  server.Stop();
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_LT(took, std::chrono::milliseconds(NutServer::kWakeMs * 3));
  EXPECT_FALSE(server.Running());
  EXPECT_TRUE(client.Closed());
}

// ---- The service's local channel to its windows ----------------------------------------

namespace {

// What the window's side hands its window, kept for the test's thread.
class NewsInbox {
 public:
  ServiceWindowLink::Deliver Deliver() {
    return [this](ServiceNews news) {
      std::lock_guard<std::mutex> lock(lock_);
      news_.push_back(std::move(news));
      SetEvent(arrived_);
    };
  }
  // The first news of `kind` within `ms`, taking what came before it.
  std::optional<ServiceNews> Await(ServiceNews::Kind kind, DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    for (;;) {
      {
        std::lock_guard<std::mutex> lock(lock_);
        while (!news_.empty()) {
          ServiceNews news = std::move(news_.front());
          news_.erase(news_.begin());
          if (news.kind == kind) return news;
        }
      }
      const DWORD now = GetTickCount();
      if (static_cast<LONG>(until - now) <= 0 || WaitForSingleObject(arrived_, until - now) == WAIT_TIMEOUT) {
        return std::nullopt;
      }
    }
  }
  ~NewsInbox() { CloseHandle(arrived_); }

 private:
  std::mutex lock_;
  std::vector<ServiceNews> news_;
  HANDLE arrived_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
};

bool ThisProcess(DWORD server) { return server == GetCurrentProcessId(); }

ServiceState OnBatteryCounting(int secondsLeft) {
  ServiceState state;
  state.ups = {false, {{"ups.status", "OB"}, {"input.voltage", "0.0"}}};
  state.tray.answering = state.tray.onBattery = true;
  state.tray.secondsLeft = secondsLeft;
  return state;
}

// A raw conversation, as a client of another kind would have it.
std::string Transact(const std::string& request) {
  char answer[512] = "";
  DWORD read = 0;
  if (!CallNamedPipeW(kWindowPipeName, const_cast<char*>(request.data()), static_cast<DWORD>(request.size()), answer,
                      sizeof answer, &read, 2000)) {
    return "failed " + std::to_string(GetLastError());
  }
  return std::string(answer, read);
}

}  // namespace

TEST(WindowPipe, TheWindowSeesTheStateAndItsRequestsReachTheServiceOnce) {
  std::mutex carriedLock;
  std::vector<std::pair<unsigned, bool>> carried;
  std::string account;
  WindowPipeServer server;
  DWORD error = 0;
  ASSERT_TRUE(server.Start([&](const WindowRequest& request, const std::string& caller, bool allowed) {
    std::lock_guard<std::mutex> lock(carriedLock);
    carried.emplace_back(request.command, allowed);
    account = caller;
    return request.asks != WindowAsks::TestUntilLow;  // that one the service cannot carry out now
  }, &error)) << error;
  server.Publish(OnBatteryCounting(95));
  // A second server under the same name is refused: the first holds the only instance.
  WindowPipeServer squatter;
  EXPECT_FALSE(squatter.Start([](const WindowRequest&, const std::string&, bool) { return true; }, &error));

  NewsInbox inbox;
  ServiceWindowLink link;
  ASSERT_TRUE(link.Start(inbox.Deliver(), ThisProcess));
  auto news = inbox.Await(ServiceNews::Kind::State, 3000);
  ASSERT_TRUE(news);
  EXPECT_EQ(news->state.tray.secondsLeft, 95);
  server.Publish(OnBatteryCounting(94));
  news = inbox.Await(ServiceNews::Kind::State, 3000);
  ASSERT_TRUE(news);
  EXPECT_EQ(news->state.tray.secondsLeft, 94);

  // Wine's account is an administrator holding the right to shut down: the
  // caller's rights are read from its token, and it may.
  link.Ask(WindowAsks::TenSecondTest);
  news = inbox.Await(ServiceNews::Kind::Answer, 3000);
  ASSERT_TRUE(news);
  EXPECT_EQ(news->asked, WindowAsks::TenSecondTest);
  EXPECT_EQ(news->answer, "OK");
  link.Ask(WindowAsks::TestUntilLow);
  news = inbox.Await(ServiceNews::Kind::Answer, 3000);
  ASSERT_TRUE(news);
  EXPECT_EQ(news->answer, "ERR NOT-NOW");  // allowed, not carried out: never an "OK"
  std::lock_guard<std::mutex> lock(carriedLock);
  ASSERT_EQ(carried.size(), 2u);
  EXPECT_EQ(carried[0], std::make_pair(40014u, true));
  EXPECT_EQ(carried[1], std::make_pair(40015u, true));
  // Named for the records of what it asked, as its own account reads.
  char name[256];
  DWORD size = sizeof name;
  ASSERT_TRUE(GetUserNameA(name, &size));
  EXPECT_EQ(account.substr(account.find('\\') + 1), name) << account;
}

TEST(WindowPipe, AServerNotTheServiceIsNeitherShownNorToldAnything) {
  std::atomic<bool> carried{false};
  WindowPipeServer server;
  DWORD error = 0;
  ASSERT_TRUE(server.Start([&](const WindowRequest&, const std::string&, bool) { return carried = true; }, &error)) << error;
  server.Publish(OnBatteryCounting(95));
  NewsInbox inbox;
  ServiceWindowLink link;
  ASSERT_TRUE(link.Start(inbox.Deliver(), [](DWORD) { return false; }));
  link.Ask(WindowAsks::ShutDown);
  // Said once the service has not answered a few times running.
  EXPECT_TRUE(inbox.Await(ServiceNews::Kind::Silent, 1000 * (ServiceWindowLink::kSilentAfterMisses + 2)));
  link.Stop();
  EXPECT_FALSE(carried);
}

TEST(WindowPipe, WhatNoWindowSendsIsAnsweredWithWhyAndTheNextIsServed) {
  WindowPipeServer server;
  DWORD error = 0;
  ASSERT_TRUE(server.Start([](const WindowRequest&, const std::string&, bool) { return true; }, &error)) << error;
  server.Publish(OnBatteryCounting(30));
  EXPECT_EQ(Transact("FORMAT C:"), "ERR UNKNOWN-COMMAND");
  EXPECT_EQ(Transact(std::string(kLongestWindowRequest + 1, 'S')), "ERR TOO-LONG");
  EXPECT_EQ(Transact(std::string(kLongestWindowRequest * 4, 'S')), "ERR TOO-LONG");  // read in several pieces
  EXPECT_TRUE(ReadServiceState(Transact("STATE")));
}

TEST(WindowPipe, StopsAreBoundedWhateverTheOtherSideDoes) {
  WindowPipeServer server;
  DWORD error = 0;
  ASSERT_TRUE(server.Start([](const WindowRequest&, const std::string&, bool) { return true; }, &error)) << error;
  // A client that connects and says nothing holds the server's thread in a read.
  HANDLE silent = CreateFileW(kWindowPipeName, GENERIC_READ | FILE_WRITE_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(silent, INVALID_HANDLE_VALUE);
  DWORD started = GetTickCount();
  server.Stop();
  EXPECT_LT(GetTickCount() - started, 500u);
  CloseHandle(silent);

  // With no server at all, the window's side says so and stops at once.
  NewsInbox inbox;
  ServiceWindowLink link;
  ASSERT_TRUE(link.Start(inbox.Deliver(), ThisProcess));
  EXPECT_TRUE(inbox.Await(ServiceNews::Kind::Silent, 1000 * (ServiceWindowLink::kSilentAfterMisses + 2)));
  started = GetTickCount();
  link.Stop();
  EXPECT_LT(GetTickCount() - started, 500u);
}
