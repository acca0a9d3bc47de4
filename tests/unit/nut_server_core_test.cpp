// The server's connections without sockets: lines cut anywhere, the limits
// that protect the program from bad clients, the places kept for logged-in
// secondaries, refused logins slowed down on the test's own clock, logins
// counted for the primary's wait; and the board the two threads share.
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
  void LogIn(int id, const std::string& password = "p", int64_t now = 0) {
    Send(id, "USERNAME u\nPASSWORD " + password + "\nLOGIN voltaris\n", now);
  }
  bool Accepted(int id, const std::string& address, int64_t now = 0) {
    const NutAdmission admission = core->Accept(id, address, now);
    return admission.accepted && !admission.displaced;
  }
  std::optional<int> Displaced(int id, const std::string& address, int64_t now = 0) {
    const NutAdmission admission = core->Accept(id, address, now);
    EXPECT_TRUE(admission.accepted);
    return admission.displaced;
  }
};

}  // namespace

TEST(NutConnections, AnswerLinesCutAnywhereAndEndedByLfOrCrLf) {
  Core c;
  ASSERT_TRUE(c.core->Accept(1, "127.0.0.1", 0).accepted);
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

// Up to the most clients each comes in freely; past it, only by taking the
// place of one that has not logged in.
TEST(NutConnections, AcceptsUpToTheMostClients) {
  NutLimits limits;
  limits.mostClients = 2;
  Core c(limits);
  EXPECT_TRUE(c.Accepted(1, "a"));
  EXPECT_TRUE(c.Accepted(2, "b"));
  c.LogIn(1);
  c.LogIn(2);
  EXPECT_FALSE(c.core->Accept(3, "c", 0).accepted);  // every place is logged in
  EXPECT_FALSE(c.core->Accept(1, "a", 0).accepted);  // an id in use
  c.core->Drop(1);
  EXPECT_TRUE(c.Accepted(3, "c"));
  EXPECT_EQ(c.Displaced(4, "d"), 3);
  EXPECT_EQ(c.core->Connections(), 2u);
  EXPECT_TRUE(c.core->ShouldClose(3));
  EXPECT_EQ(c.board.LoggedIn(), 1u);
}

// One computer opening every place and sending a request now and then (each
// within the idle limit) no longer keeps the secondaries out.
TEST(NutConnections, OneAddressCannotHoldEveryPlace) {
  Core c;
  for (int id = 1; id <= 16; ++id) c.core->Accept(id, "10.0.0.66", id);
  for (int id = 1; id <= 16; ++id) c.Send(id, "NETVER\n", 119000);
  EXPECT_EQ(c.core->Connections(), 4u);
  for (int id = 17; id <= 28; ++id) EXPECT_TRUE(c.Accepted(id, "10.0.0.1" + std::to_string(id), 119000));
  EXPECT_EQ(c.core->Connections(), 16u);
  // Full: a secondary still gets in, and once logged in keeps its place
  // against every later connection.
  EXPECT_EQ(c.Displaced(40, "10.0.0.2", 119500), 13);  // heard with the others, accepted first
  c.LogIn(40, "p", 119500);
  EXPECT_EQ(c.Take(40), "OK\nOK\nOK\n");
  for (int id = 41; id <= 80; ++id) c.core->Accept(id, "10.0.0.66", 120000);
  EXPECT_FALSE(c.core->ShouldClose(40));
  EXPECT_EQ(c.board.LoggedIn(), 1u);
  c.Send(40, "GET VAR voltaris ups.status\n", 120000);
  EXPECT_EQ(c.Take(40), "VAR voltaris ups.status \"OL\"\n");
}

TEST(NutConnections, AnAddressKeepsAtMostItsShareOfConnectionsNotLoggedIn) {
  Core c;  // four
  for (int id = 1; id <= 4; ++id) EXPECT_TRUE(c.Accepted(id, "10.0.0.9", id)) << id;
  EXPECT_EQ(c.Displaced(5, "10.0.0.9", 5), 1);  // its own oldest goes
  EXPECT_TRUE(c.Accepted(6, "10.0.0.8", 6));     // another address is not touched
  // Logged-in connections are not counted.
  c.LogIn(2);
  EXPECT_TRUE(c.Accepted(7, "10.0.0.9", 7));
  EXPECT_EQ(c.Displaced(8, "10.0.0.9", 8), 3);
  EXPECT_EQ(c.core->Connections(), 6u);
}

// When every place is taken, the connection heard from longest ago goes:
// one in the middle of its requests stays.
TEST(NutConnections, WhenFullTheNotLoggedInHeardFromLongestAgoMakesRoom) {
  NutLimits limits;
  limits.mostClients = 3;
  Core c(limits);
  c.core->Accept(1, "a", 0);
  c.core->Accept(2, "b", 0);
  c.core->Accept(3, "c", 0);
  c.Send(1, "NETVER\n", 10);
  c.Send(3, "NET", 20);  // half a request is not activity
  EXPECT_EQ(c.Displaced(4, "d", 30), 2);
  EXPECT_EQ(c.Displaced(5, "e", 30), 3);  // accepted before the later one heard at the same time
  EXPECT_EQ(c.Displaced(6, "f", 30), 1);
  EXPECT_EQ(c.Take(1), "");
}

// A refused login pauses its address's logins: 1 s, then doubled each time
// up to 30 s; the reply waits on the core's clock, the thread never does.
TEST(NutLoginPauses, ARefusedLoginHoldsTheAddresssNextLoginForAPauseThatDoubles) {
  Core c;
  c.core->Accept(1, "10.0.0.5", 0);
  c.LogIn(1, "wrong", 0);
  EXPECT_EQ(c.Take(1), "OK\nOK\nERR ACCESS-DENIED\n");  // the first refusal is not held
  c.Send(1, "LOGIN voltaris\nNETVER\n", 500);
  EXPECT_EQ(c.Take(1), "");  // what follows the waiting login waits with it
  c.core->AnswerWaitingLogins(999);
  EXPECT_EQ(c.Take(1), "");
  c.core->AnswerWaitingLogins(1000);
  EXPECT_EQ(c.Take(1), "ERR ACCESS-DENIED\n1.3\n");
  const int64_t pauses[] = {2000, 4000, 8000, 16000, 30000, 30000};
  int64_t now = 1000;
  for (const int64_t pause : pauses) {
    c.Send(1, "LOGIN voltaris\n", now);
    c.core->AnswerWaitingLogins(now + pause - 1);
    EXPECT_EQ(c.Take(1), "") << pause;
    now += pause;
    c.core->AnswerWaitingLogins(now);
    EXPECT_EQ(c.Take(1), "ERR ACCESS-DENIED\n") << pause;
  }
  EXPECT_FALSE(c.core->ShouldClose(1));
}

// Only logins wait, so the address's other clients and other addresses are
// served at once; and a right password waits like a wrong one, so that the
// wait does not tell which it was.
TEST(NutLoginPauses, OnlyTheAddresssLoginsWaitAndTheRightPasswordWaitsToo) {
  Core c;
  c.core->Accept(1, "10.0.0.5", 0);
  c.core->Accept(2, "10.0.0.5", 0);
  c.core->Accept(3, "10.0.0.6", 0);
  c.LogIn(1, "wrong", 0);
  c.Take(1);
  c.Send(2, "GET VAR voltaris ups.status\n", 10);
  EXPECT_EQ(c.Take(2), "VAR voltaris ups.status \"OL\"\n");
  c.LogIn(2, "p", 10);
  EXPECT_EQ(c.Take(2), "OK\nOK\n");
  EXPECT_EQ(c.board.LoggedIn(), 0u);  // not even counted before its answer
  c.LogIn(3, "p", 10);
  EXPECT_EQ(c.Take(3), "OK\nOK\nOK\n");
  c.core->AnswerWaitingLogins(1000);
  EXPECT_EQ(c.Take(2), "OK\n");
  EXPECT_EQ(c.board.LoggedIn(), 2u);
  // The address knew a password: its refusals are counted afresh, the next
  // answered at once and the one after it held the first pause only.
  c.Send(1, "LOGIN voltaris\nLOGIN voltaris\n", 1000);
  EXPECT_EQ(c.Take(1), "ERR ACCESS-DENIED\n");
  c.core->AnswerWaitingLogins(2000);
  EXPECT_EQ(c.Take(1), "ERR ACCESS-DENIED\n");
}

// Logins waiting on several connections of one address are answered one at
// a time: a refusal among them starts the next pause before the others go,
// so more connections guess no faster.
TEST(NutLoginPauses, WaitingLoginsOfOneAddressGoOneAPause) {
  Core c;
  for (int id = 1; id <= 3; ++id) c.core->Accept(id, "10.0.0.5", 0);
  c.LogIn(1, "wrong", 0);
  c.Take(1);
  c.LogIn(3, "wrong", 100);
  c.LogIn(2, "wrong", 200);
  c.core->AnswerWaitingLogins(1000);
  EXPECT_EQ(c.Take(3), "OK\nOK\nERR ACCESS-DENIED\n");  // waited longest
  EXPECT_EQ(c.Take(2), "OK\nOK\n");
  c.core->AnswerWaitingLogins(2999);
  EXPECT_EQ(c.Take(2), "");
  c.core->AnswerWaitingLogins(3000);
  EXPECT_EQ(c.Take(2), "ERR ACCESS-DENIED\n");
}

TEST(NutLoginPauses, RefusalsAreForgottenAfterAQuarterOfAnHourWithoutOne) {
  Core c;
  c.core->Accept(1, "10.0.0.5", 0);
  c.LogIn(1, "wrong", 0);
  c.Take(1);
  c.Send(1, "LOGIN voltaris\n", 0);
  c.core->AnswerWaitingLogins(1000);  // second refusal at 1 s: the next pause would be 2 s
  EXPECT_EQ(c.Take(1), "ERR ACCESS-DENIED\n");
  const int64_t forgotten = 1000 + 15 * 60 * 1000;
  c.core->AnswerWaitingLogins(forgotten - 1);
  c.Send(1, "LOGIN voltaris\n", forgotten - 1);  // remembered: not paused, but counted
  EXPECT_EQ(c.Take(1), "ERR ACCESS-DENIED\n");
  c.Send(1, "LOGIN voltaris\n", forgotten - 1 + 3999);
  EXPECT_EQ(c.Take(1), "");  // the third refusal paused 4 s
  c.core->AnswerWaitingLogins(forgotten - 1 + 4000);
  EXPECT_EQ(c.Take(1), "ERR ACCESS-DENIED\n");
  Core d;
  d.core->Accept(1, "10.0.0.5", 0);
  d.LogIn(1, "wrong", 0);
  d.Send(1, "LOGIN voltaris\n", 0);
  d.core->AnswerWaitingLogins(1000);
  d.Take(1);
  d.core->AnswerWaitingLogins(forgotten);
  d.Send(1, "LOGIN voltaris\n", forgotten);
  d.Send(1, "LOGIN voltaris\n", forgotten);
  EXPECT_EQ(d.Take(1), "ERR ACCESS-DENIED\n");  // counted afresh: the second waits 1 s
  d.core->AnswerWaitingLogins(forgotten + 1000);
  EXPECT_EQ(d.Take(1), "ERR ACCESS-DENIED\n");
}

// Refusals from ever new addresses do not grow the server's memory: the
// address refused longest ago is forgotten first.
TEST(NutLoginPauses, RemembersAtMostItsNumberOfAddresses) {
  NutLimits limits;
  limits.loginPauses.mostAddresses = 2;
  Core c(limits);
  for (int id = 1; id <= 3; ++id) {
    c.core->Accept(id, "10.0.0." + std::to_string(id), 0);
    c.LogIn(id, "wrong", id);
    c.Take(id);
  }
  c.Send(1, "LOGIN voltaris\n", 10);
  EXPECT_EQ(c.Take(1), "ERR ACCESS-DENIED\n");  // forgotten when the third came
  c.Send(3, "LOGIN voltaris\n", 10);
  EXPECT_EQ(c.Take(3), "");  // the two latest are remembered
}

// Lines queued behind a waiting login are bounded like unsent replies.
TEST(NutLoginPauses, LinesBehindAWaitingLoginAreBounded) {
  NutLimits limits;
  limits.mostPendingOutput = 64;
  Core c(limits);
  c.core->Accept(1, "a", 0);
  c.LogIn(1, "wrong", 0);
  c.Take(1);
  c.Send(1, "LOGIN voltaris\n" + std::string(49, '\n'), 0);  // 64 bytes: kept
  EXPECT_FALSE(c.core->ShouldClose(1));
  c.Send(1, "\n", 0);
  EXPECT_TRUE(c.core->ShouldClose(1));
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
