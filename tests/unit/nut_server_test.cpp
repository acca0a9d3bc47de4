// The server's connections without sockets: lines cut anywhere, the limits
// that protect the program from bad clients, logins counted for the
// primary's wait; and the board the two threads share.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "net/nut_server_core.h"

using namespace voltaris;

namespace {

struct Core {
  NetworkSettings settings;
  ShareBoard board;
  NutLimits limits;
  std::unique_ptr<NutServerCore> core;

  explicit Core(NutLimits l = {}) : limits(l) {
    settings.users = {{"u", "p"}};
    ShareSnapshot snapshot;
    snapshot.stale = false;
    snapshot.variables = {{"ups.status", "OL"}};
    board.Publish(snapshot);
    core = std::make_unique<NutServerCore>(settings, board, limits);
  }
  void Send(int id, const std::string& bytes, int64_t now = 0) { core->Receive(id, bytes.data(), bytes.size(), now); }
  std::string Take(int id) {
    std::string out = core->PendingOutput(id);
    core->Sent(id, out.size());
    return out;
  }
  void LogIn(int id) { Send(id, "USERNAME u\nPASSWORD p\nLOGIN voltaris\n"); }
};

}  // namespace

TEST(NutConnections, AnswerLinesCutAnywhereAndEndedByLfOrCrLf) {
  Core c;
  ASSERT_TRUE(c.core->Accept(1, "127.0.0.1", 0));
  c.Send(1, "GET VAR volt");
  EXPECT_EQ(c.Take(1), "");
  c.Send(1, "aris ups.status\r\nNETVER\nNET");
  EXPECT_EQ(c.Take(1), "VAR voltaris ups.status \"OL\"\n1.3\n");
  c.Send(1, "VER\n\n");
  EXPECT_NE(c.Take(1), "");
  EXPECT_FALSE(c.core->ShouldClose(1));
}

TEST(NutConnections, SentBytesLeaveThePendingOutput) {
  Core c;
  c.core->Accept(1, "a", 0);
  c.Send(1, "NETVER\n");
  c.core->Sent(1, 2);
  EXPECT_EQ(c.core->PendingOutput(1), "3\n");
}

TEST(NutConnections, ALineLongerThanTheLimitEndsTheConnection) {
  NutLimits limits;
  limits.longestLine = 16;
  Core c(limits);
  c.core->Accept(1, "a", 0);
  c.core->Accept(2, "b", 0);
  c.Send(1, std::string(16, 'x') + "\n");  // exactly the limit: answered
  EXPECT_EQ(c.Take(1), "ERR UNKNOWN-COMMAND\n");
  EXPECT_FALSE(c.core->ShouldClose(1));
  c.Send(1, std::string(16, 'x') + "\r\n");  // the CR of a CRLF does not count
  EXPECT_EQ(c.Take(1), "ERR UNKNOWN-COMMAND\n");
  EXPECT_FALSE(c.core->ShouldClose(1));
  c.Send(2, std::string(17, 'x'));  // one more, even without its LF
  EXPECT_TRUE(c.core->ShouldClose(2));
  c.Send(2, "\nNETVER\n");
  EXPECT_EQ(c.core->PendingOutput(2), "");  // nothing more is read from it
}

TEST(NutConnections, AClientThatDoesNotReadIsLetGoOnceItsRepliesPassTheLimit) {
  NutLimits limits;
  limits.mostPendingOutput = 40;
  Core c(limits);
  c.core->Accept(1, "a", 0);
  c.Send(1, "VAR\n");
  c.Send(1, "GET VAR voltaris ups.status\n");  // 20 + 29 bytes waiting
  EXPECT_TRUE(c.core->ShouldClose(1));
  EXPECT_LE(c.core->PendingOutput(1).size(), limits.mostPendingOutput + 64);
}

TEST(NutConnections, PendingOutputAtTheLimitIsKept) {
  NutLimits limits;
  limits.mostPendingOutput = 8;
  Core c(limits);
  c.core->Accept(1, "a", 0);
  c.Send(1, "NETVER\nNETVER\nNETVER\nNETVER\n");  // 4 x "1.3\n": 16 bytes
  EXPECT_TRUE(c.core->ShouldClose(1));
  Core d(limits);
  d.core->Accept(1, "a", 0);
  d.Send(1, "NETVER\nNETVER\n");  // exactly 8
  EXPECT_FALSE(d.core->ShouldClose(1));
}

TEST(NutConnections, AcceptsUpToTheMostClients) {
  NutLimits limits;
  limits.mostClients = 2;
  Core c(limits);
  EXPECT_TRUE(c.core->Accept(1, "a", 0));
  EXPECT_TRUE(c.core->Accept(2, "b", 0));
  EXPECT_FALSE(c.core->Accept(3, "c", 0));
  EXPECT_FALSE(c.core->Accept(1, "a", 0));  // an id in use
  c.core->Drop(1);
  EXPECT_TRUE(c.core->Accept(3, "c", 0));
  EXPECT_EQ(c.core->Connections(), 2u);
}

TEST(NutConnections, SilentClientsAreIdleOnlyPastTheLimit) {
  NutLimits limits;
  limits.idleMs = 1000;
  Core c(limits);
  c.core->Accept(1, "a", 0);
  c.core->Accept(2, "b", 0);
  c.Send(1, "NET", 600);  // half a request is not activity
  c.Send(2, "NETVER\n", 600);
  EXPECT_TRUE(c.core->Idle(1000).empty());
  EXPECT_EQ(c.core->Idle(1001), std::vector<int>{1});
  EXPECT_EQ(c.core->Idle(1601), (std::vector<int>{1, 2}));
}

TEST(NutConnections, LogoutClosesOnlyOnceTheGoodbyeIsSentAndReadsNothingAfter) {
  Core c;
  c.core->Accept(1, "a", 0);
  c.Send(1, "LOGOUT\nNETVER\n");
  EXPECT_FALSE(c.core->ShouldClose(1));
  EXPECT_EQ(c.Take(1), "OK Goodbye\n");
  EXPECT_TRUE(c.core->ShouldClose(1));
}

TEST(NutConnections, LoginsAreCountedOnTheBoardAndListedByAddress) {
  Core c;
  c.core->Accept(1, "10.0.0.1", 0);
  c.core->Accept(2, "10.0.0.2", 0);
  c.core->Accept(3, "10.0.0.3", 0);
  c.LogIn(1);
  c.LogIn(2);
  c.Send(3, "USERNAME u\nPASSWORD wrong\nLOGIN voltaris\n");
  EXPECT_EQ(c.board.LoggedIn(), 2u);
  c.Take(3);
  c.Send(3, "GET NUMLOGINS voltaris\nLIST CLIENT voltaris\n");
  EXPECT_EQ(c.Take(3),
            "NUMLOGINS voltaris 2\nBEGIN LIST CLIENT voltaris\nCLIENT voltaris 10.0.0.1\n"
            "CLIENT voltaris 10.0.0.2\nEND LIST CLIENT voltaris\n");
  c.Send(1, "LOGOUT\n");
  EXPECT_EQ(c.board.LoggedIn(), 1u);
  c.core->Drop(2);  // a secondary that goes without a word counts as gone
  EXPECT_EQ(c.board.LoggedIn(), 0u);
  c.core->Drop(3);
  c.core->Drop(3);
  EXPECT_EQ(c.core->Connections(), 1u);
}

TEST(NutConnections, RequestsForUnknownConnectionsAreIgnored) {
  Core c;
  c.Send(9, "NETVER\n");
  EXPECT_EQ(c.core->PendingOutput(9), "");
  EXPECT_TRUE(c.core->ShouldClose(9));
}

TEST(NutConnections, GarbageNeverGrowsAConnectionPastItsLimits) {
  NutLimits limits;
  Core c(limits);
  c.core->Accept(1, "a", 0);
  std::string garbage;
  uint32_t x = 12345;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1103515245 + 12345;
    garbage += static_cast<char>(x >> 24);
  }
  for (size_t at = 0; at < garbage.size() && !c.core->ShouldClose(1); at += 1000) {
    c.Send(1, garbage.substr(at, 1000));
    EXPECT_LE(c.core->PendingOutput(1).size(), limits.mostPendingOutput + 256);
  }
}

TEST(ShareBoard, ReadersSeeWholeSnapshotsWhileTheWriterPublishes) {
  ShareBoard board;
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int generation = 0; generation < 20000; ++generation) {
      ShareSnapshot s;
      s.stale = generation % 2 == 0;
      const std::string value = std::to_string(generation);
      s.variables = {{"a", value}, {"b", value}, {"c", value}};
      board.Publish(s);
      board.SetLoggedIn(static_cast<size_t>(generation));
    }
    done = true;
  });
  int torn = 0;
  while (!done) {
    const ShareSnapshot s = board.Read();
    if (s.variables.empty()) continue;
    const bool whole = s.variables[0].second == s.variables[1].second &&
                       s.variables[1].second == s.variables[2].second &&
                       s.stale == (std::stoi(s.variables[0].second) % 2 == 0);
    torn += !whole;
  }
  writer.join();
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(board.LoggedIn(), 19999u);
}
