// Following a UPS served over the network, on a fake connection and a clock
// the test moves by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "net/nut_client.h"

using namespace voltaris;

namespace {

using Lines = std::vector<std::string>;

struct FakePort : NutClientPort {
  explicit FakePort(const int64_t& now) : clock(now) {}
  void Connect() override { connects.push_back(clock); }
  void Send(const std::string& line) override { sent.push_back(line); }
  void Close() override { ++closes; }
  const int64_t& clock;
  std::vector<int64_t> connects;
  Lines sent;
  int closes = 0;
};

struct FakeReports : NutClientReports {
  void Readings(const ServedReadings& r) override { readings.push_back(r); }
  void Answering(bool answering) override { answers.push_back(answering); }
  void Refused(ServedRefusal refusal) override { refusals.push_back(refusal); }
  void CommandDone(unsigned id, bool done) override { commands.emplace_back(id, done); }
  std::vector<ServedReadings> readings;
  std::vector<std::pair<unsigned, bool>> commands;
  std::vector<bool> answers;
  std::vector<ServedRefusal> refusals;
};

NetworkUpsSettings Anonymous() { return NetworkUpsSettings{}; }
NetworkUpsSettings WithUser() {
  NetworkUpsSettings s;
  s.user = "monuser";
  s.password = "pass word";
  return s;
}

// A LIST VAR reply of the UPS "ups".
std::string Reply(const std::vector<std::pair<std::string, std::string>>& variables) {
  std::string reply = "BEGIN LIST VAR ups\n";
  for (const auto& [name, value] : variables) reply += "VAR ups " + name + " \"" + value + "\"\n";
  return reply + "END LIST VAR ups\n";
}
std::string Status(const std::string& status) { return Reply({{"ups.status", status}}); }

struct Rig {
  explicit Rig(NetworkUpsSettings settings = Anonymous()) : client(std::move(settings), port, reports) {
    client.Start(now);
  }
  void Receive(const std::string& bytes) { client.OnBytes(bytes.data(), bytes.size(), now); }
  // Moves the clock a millisecond at a time, as a thread that ticks often would.
  void RunTo(int64_t ms) {
    while (now < ms) client.OnTime(++now);
  }
  void Connected() { client.OnConnected(now); }
  // Connected and polling, one reply read.
  void Following(const std::string& status = "OL") {
    Connected();
    Receive(Status(status));
  }

  int64_t now = 0;
  FakePort port{now};
  FakeReports reports;
  NutClient client;
};

}  // namespace

TEST(NutClient, WithoutAUserAsksForTheVariablesAtOnce) {
  Rig rig;
  EXPECT_EQ(rig.port.connects, std::vector<int64_t>{0});
  rig.Connected();
  EXPECT_EQ(rig.port.sent, Lines{"LIST VAR ups\n"});
  EXPECT_EQ(rig.client.State(), NutClientState::Polling);
}

// The login makes the server count this computer among its secondaries.
TEST(NutClient, WithAUserLogsInFirstEachStepOnItsOk) {
  Rig rig(WithUser());
  rig.Connected();
  EXPECT_EQ(rig.port.sent, Lines{"USERNAME monuser\n"});
  rig.Receive("OK\n");
  EXPECT_EQ(rig.port.sent.back(), "PASSWORD \"pass word\"\n");
  rig.Receive("OK\n");
  EXPECT_EQ(rig.port.sent.back(), "LOGIN ups\n");
  EXPECT_EQ(rig.client.State(), NutClientState::LoggingIn);
  rig.Receive("OK\n");
  EXPECT_EQ(rig.port.sent.back(), "LIST VAR ups\n");
  EXPECT_EQ(rig.port.sent.size(), 4u);
}

TEST(NutClient, ReadsEveryVariableAndNothingForOneTheServerLacks) {
  Rig rig;
  rig.Connected();
  rig.Receive(Reply({{"ups.status", "OL"}, {"input.voltage", "230.5"}, {"output.voltage", "229"},
                     {"ups.load", "35"}, {"battery.charge", "100"}, {"battery.voltage", "13.6"},
                     {"input.frequency", "50.0"}, {"battery.runtime", "1260"}, {"battery.runtime.low", "120"},
                     {"device.type", "ups"}, {"experimental.battery.health", "72"}}));
  ASSERT_EQ(rig.reports.readings.size(), 1u);
  const ServedReadings& r = rig.reports.readings[0];
  EXPECT_EQ(r.status, "OL");
  EXPECT_TRUE(r.flags.onLine);
  EXPECT_EQ(r.inputVoltage, 230.5);
  EXPECT_EQ(r.outputVoltage, 229.0);
  EXPECT_EQ(r.load, 35.0);
  EXPECT_EQ(r.batteryCharge, 100.0);
  EXPECT_EQ(r.batteryVoltage, 13.6);
  EXPECT_EQ(r.inputFrequency, 50.0);
  EXPECT_EQ(r.runtimeSeconds, 1260.0);
  EXPECT_EQ(r.runtimeLowSeconds, 120.0);
  EXPECT_EQ(r.healthPercent, 72.0);  // a Voltaris service's, as its windows show it
  EXPECT_EQ(r.temperature, std::nullopt);  // not served: no reading, not 0
  EXPECT_FALSE(r.silentOnBattery);
  EXPECT_TRUE(rig.reports.answers.empty());  // the first answer is no news
}

TEST(NutClient, AValueThatIsNoNumberIsNoReading) {
  Rig rig;
  rig.Connected();
  rig.Receive(Reply({{"ups.load", "n/a"}, {"battery.charge", ""}, {"input.voltage", "230V"}}));
  const ServedReadings& r = rig.reports.readings.at(0);
  EXPECT_EQ(r.load, std::nullopt);
  EXPECT_EQ(r.batteryCharge, std::nullopt);
  EXPECT_EQ(r.inputVoltage, std::nullopt);
  EXPECT_EQ(r.status, "");
}

TEST(NutClient, AReplyCutAnywhereAcrossReadsReadsTheSame) {
  const std::string reply = Reply({{"ups.status", "OB LB"}, {"battery.charge", "12"}});
  for (size_t cut = 0; cut <= reply.size(); ++cut) {
    Rig rig;
    rig.Connected();
    rig.Receive(reply.substr(0, cut));
    rig.Receive(reply.substr(cut));
    ASSERT_EQ(rig.reports.readings.size(), 1u) << cut;
    EXPECT_EQ(rig.reports.readings[0].batteryCharge, 12.0) << cut;
    EXPECT_TRUE(rig.reports.readings[0].flags.batteryLow) << cut;
  }
  Rig byteByByte;
  byteByByte.Connected();
  std::string crlf;  // CRLF ends a line too
  for (const char c : reply) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  for (const char c : crlf) byteByByte.Receive(std::string(1, c));
  EXPECT_EQ(byteByByte.reports.readings.size(), 1u);
}

TEST(NutClient, StatusWordsBecomeFlags) {
  const struct {
    const char* status;
    bool onLine, onBattery, batteryLow, forcedShutdown, calibrating = false;
  } kCases[] = {
      {"OL", true, false, false, false},      {"OB", false, true, false, false},
      {"OB LB", false, true, true, false},    {"FSD OL", true, false, false, true},
      {"FSD OB LB", false, true, true, true}, {"OL CHRG", true, false, false, false},
      {"OLD", false, false, false, false},    {"OL CAL", true, false, false, false, true},
      {"OL CALIBRATING", true, false, false, false, false},
  };
  for (const auto& c : kCases) {
    Rig rig;
    rig.Following(c.status);
    const ServedStatus f = rig.reports.readings.at(0).flags;
    EXPECT_EQ(f.onLine, c.onLine) << c.status;
    EXPECT_EQ(f.onBattery, c.onBattery) << c.status;
    EXPECT_EQ(f.batteryLow, c.batteryLow) << c.status;
    EXPECT_EQ(f.forcedShutdown, c.forcedShutdown) << c.status;
    EXPECT_EQ(f.calibrating, c.calibrating) << c.status;
  }
}

TEST(NutClient, AsksEachSecondOneRequestAtATime) {
  Rig rig;
  rig.Connected();
  rig.RunTo(1500);  // no reply yet: no second request
  EXPECT_EQ(rig.port.sent.size(), 1u);
  rig.Receive(Status("OL"));
  rig.RunTo(1501);  // the second was due: asked at once
  EXPECT_EQ(rig.port.sent.size(), 2u);
  rig.Receive(Status("OL"));
  rig.RunTo(2500);
  EXPECT_EQ(rig.port.sent.size(), 2u);
  rig.RunTo(2501);
  EXPECT_EQ(rig.port.sent.size(), 3u);
}

// A value with a raw line break was garbled: its line is left out, whole.
TEST(NutClient, ALineHoldingACarriageReturnOrASplitValueIsRefused) {
  Rig rig;
  rig.Connected();
  rig.Receive("BEGIN LIST VAR ups\nVAR ups ups.status \"OL\rLB\"\nVAR ups battery.charge \"9\n5\"\n"
              "VAR ups ups.load \"35\"\nEND LIST VAR ups\n");
  ASSERT_EQ(rig.reports.readings.size(), 1u);
  const ServedReadings& r = rig.reports.readings[0];
  EXPECT_EQ(r.status, "");
  EXPECT_FALSE(r.flags.onLine);
  EXPECT_EQ(r.batteryCharge, std::nullopt);
  EXPECT_EQ(r.load, 35.0);
  EXPECT_EQ(rig.port.closes, 0);
}

TEST(NutClient, AnEscapedValueIsReadWhole) {
  Rig rig;
  rig.Connected();
  rig.Receive("BEGIN LIST VAR ups\nVAR ups ups.status \"OB \\\"LB\\\\\"\nEND LIST VAR ups\n");
  EXPECT_EQ(rig.reports.readings.at(0).status, "OB \"LB\\");
}

TEST(NutClient, ALineLongerThanTheBoundEndsTheConnection) {
  const std::string head = "VAR ups device.model \"";
  const std::string longest = head + std::string(512 - head.size() - 1, 'x') + "\"";
  Rig fits;
  fits.Connected();
  fits.Receive("BEGIN LIST VAR ups\n" + longest + "\r\nEND LIST VAR ups\n");
  EXPECT_EQ(fits.port.closes, 0);
  EXPECT_EQ(fits.reports.readings.size(), 1u);
  Rig tooLong;
  tooLong.Connected();
  tooLong.Receive("BEGIN LIST VAR ups\n" + longest + "x\nEND LIST VAR ups\n");
  EXPECT_EQ(tooLong.port.closes, 1);
  EXPECT_TRUE(tooLong.reports.readings.empty());
  EXPECT_EQ(tooLong.reports.answers, std::vector<bool>{false});
  Rig endless;  // no LF yet: the buffer stops at the bound all the same
  endless.Connected();
  endless.Receive(std::string(512, 'x'));
  EXPECT_EQ(endless.port.closes, 0);
  endless.Receive("x");
  EXPECT_EQ(endless.port.closes, 1);
  EXPECT_EQ(endless.client.State(), NutClientState::Pausing);
}

// The server answers: the client stays logged in, so that the primary goes
// on counting this computer, and asks again each second.
TEST(NutClient, StaleDataIsNotAnsweringToldOnceEachWay) {
  Rig rig;
  rig.Following();
  rig.RunTo(1000);
  rig.Receive("ERR DATA-STALE\n");
  rig.RunTo(2000);
  rig.Receive("ERR DRIVER-NOT-CONNECTED\n");
  EXPECT_EQ(rig.reports.answers, std::vector<bool>{false});
  EXPECT_EQ(rig.port.closes, 0);
  EXPECT_EQ(rig.port.sent.size(), 3u);
  rig.RunTo(3000);
  rig.Receive(Status("OL"));
  rig.RunTo(4000);
  rig.Receive(Status("OL"));
  EXPECT_EQ(rig.reports.answers, (std::vector<bool>{false, true}));
  EXPECT_EQ(rig.reports.readings.size(), 3u);
  EXPECT_TRUE(rig.reports.refusals.empty());
}

TEST(NutClient, AServerSilentInTheMiddleOfALineIsNotAnsweringAfterTheBound) {
  Rig rig;
  rig.Following();
  rig.RunTo(1000);  // the second request
  rig.Receive("BEGIN LIST VAR ups\nVAR ups ups.sta");
  rig.RunTo(5999);
  EXPECT_EQ(rig.port.closes, 0);
  EXPECT_TRUE(rig.reports.answers.empty());
  rig.RunTo(6000);
  EXPECT_EQ(rig.port.closes, 1);
  EXPECT_EQ(rig.reports.answers, std::vector<bool>{false});
  EXPECT_EQ(rig.reports.readings.size(), 1u);
  rig.RunTo(7000);  // the first pause
  EXPECT_EQ(rig.port.connects, (std::vector<int64_t>{0, 7000}));
  rig.Receive("tus \"OL\"\nEND LIST VAR ups\n");  // the old connection's tail: not read
  EXPECT_EQ(rig.reports.readings.size(), 1u);
}

TEST(NutClient, AConnectionThatNeverOpensIsGivenUpAfterTheBound) {
  Rig rig;
  rig.RunTo(4999);
  EXPECT_EQ(rig.port.closes, 0);
  rig.RunTo(5000);
  EXPECT_EQ(rig.port.closes, 1);
  EXPECT_EQ(rig.reports.answers, std::vector<bool>{false});
  rig.client.OnConnected(rig.now);  // too late: that connection was closed
  EXPECT_TRUE(rig.port.sent.empty());
}

// 1, 2, 4 ... 30 seconds between attempts; a good session starts again at 1.
TEST(NutClient, ThePauseBeforeConnectingAgainDoublesUpToThirtySeconds) {
  Rig rig;
  std::vector<int64_t> expected{0};
  for (const int64_t pause : {1000, 2000, 4000, 8000, 16000, 30000, 30000}) {
    rig.client.OnConnectionLost(rig.now);
    const int64_t due = rig.now + pause;
    rig.RunTo(due - 1);
    EXPECT_EQ(rig.port.connects, expected) << pause;
    rig.RunTo(due);
    expected.push_back(due);
    EXPECT_EQ(rig.port.connects, expected) << pause;
  }
  EXPECT_EQ(rig.reports.answers, std::vector<bool>{false});
  rig.Following();
  EXPECT_EQ(rig.reports.answers, (std::vector<bool>{false, true}));
  rig.client.OnConnectionLost(rig.now);
  const int64_t lost = rig.now;
  rig.RunTo(lost + 1000);
  EXPECT_EQ(rig.port.connects.back(), lost + 1000);
  EXPECT_EQ(rig.reports.answers, (std::vector<bool>{false, true, false}));
}

// Each refusal is told once, not at every attempt, which waits its pause.
TEST(NutClient, EachLoginRefusalIsToldOnceAndRetriedAfterThePause) {
  const struct {
    int oks;  // requests accepted before the refused one
    const char* reply;
    ServedRefusal refusal;
  } kCases[] = {
      {0, "ERR INVALID-USERNAME", ServedRefusal::WrongCredentials},
      {1, "ERR INVALID-PASSWORD", ServedRefusal::WrongCredentials},
      {2, "ERR ACCESS-DENIED", ServedRefusal::AccessDenied},
      {2, "ERR UNKNOWN-UPS", ServedRefusal::UnknownUps},
      {2, "ERR USERNAME-REQUIRED", ServedRefusal::LoginRefused},
      {2, "GOODBYE", ServedRefusal::LoginRefused},
  };
  for (const auto& c : kCases) {
    Rig rig(WithUser());
    for (const int64_t attempt : {0, 1000, 3000}) {
      rig.RunTo(attempt);
      ASSERT_EQ(rig.port.connects.back(), attempt) << c.reply;
      rig.Connected();
      for (int i = 0; i < c.oks; ++i) rig.Receive("OK\n");
      rig.Receive(std::string(c.reply) + "\n");
    }
    EXPECT_EQ(rig.reports.refusals, std::vector<ServedRefusal>{c.refusal}) << c.reply;
    EXPECT_EQ(rig.port.closes, 3) << c.reply;
    EXPECT_EQ(rig.reports.answers, std::vector<bool>{false}) << c.reply;
    EXPECT_EQ(rig.client.State(), NutClientState::Pausing) << c.reply;
  }
}

TEST(NutClient, AListRefusedIsToldAndTheConnectionEnds) {
  for (const auto& [reply, refusal] : {std::pair{"ERR ACCESS-DENIED\n", ServedRefusal::AccessDenied},
                                       std::pair{"ERR UNKNOWN-UPS\n", ServedRefusal::UnknownUps}}) {
    Rig rig;
    rig.Connected();
    rig.Receive(reply);
    EXPECT_EQ(rig.reports.refusals, std::vector<ServedRefusal>{refusal}) << reply;
    EXPECT_EQ(rig.port.closes, 1) << reply;
  }
}

// After reading the UPS again, a refusal is news once more.
TEST(NutClient, ARefusalIsToldAgainAfterAGoodSession) {
  Rig rig;
  rig.Connected();
  rig.Receive("ERR UNKNOWN-UPS\n");
  rig.RunTo(1000);
  rig.Following();
  rig.client.OnConnectionLost(rig.now);
  rig.RunTo(2000);
  rig.Connected();
  rig.Receive("ERR UNKNOWN-UPS\n");
  EXPECT_EQ(rig.reports.refusals, (std::vector<ServedRefusal>{ServedRefusal::UnknownUps, ServedRefusal::UnknownUps}));
}

TEST(NutClient, AReplyOfAnotherConversationEndsTheConnection) {
  Rig rig;
  rig.Connected();
  rig.Receive("BEGIN LIST VAR other\n");
  EXPECT_EQ(rig.port.closes, 1);
  EXPECT_EQ(rig.reports.answers, std::vector<bool>{false});
}

// upsmon's rule: last seen on battery, then silent for the dead time, the
// battery counts as low.
TEST(NutClient, OnBatteryAndSilentForTheDeadTimeIsBatteryLow) {
  Rig rig;
  rig.RunTo(100);
  rig.Following("OB");
  rig.RunTo(100 + 15000 - 1);
  ASSERT_EQ(rig.reports.readings.size(), 1u);
  rig.RunTo(100 + 15000);
  ASSERT_EQ(rig.reports.readings.size(), 2u);
  const ServedReadings& silent = rig.reports.readings[1];
  EXPECT_TRUE(silent.silentOnBattery);
  EXPECT_TRUE(silent.flags.batteryLow);
  EXPECT_TRUE(silent.flags.onBattery);
  rig.RunTo(100 + 60000);
  EXPECT_EQ(rig.reports.readings.size(), 2u);  // told once
}

TEST(NutClient, TheDeadTimeIsTheSettingsAndCountsOnlyOnBattery) {
  NetworkUpsSettings settings;
  settings.deadTimeSeconds = 30;
  Rig rig(settings);
  rig.Following("OB");
  rig.RunTo(29999);
  EXPECT_EQ(rig.reports.readings.size(), 1u);
  rig.RunTo(30000);
  EXPECT_EQ(rig.reports.readings.size(), 2u);
  Rig onMains;
  onMains.Following("OL");
  onMains.RunTo(120000);
  EXPECT_EQ(onMains.reports.readings.size(), 1u);
}

TEST(NutClient, StaleDataOnBatteryIsSilenceToo) {
  Rig rig;
  rig.Following("OB");
  for (int64_t second = 1; second < 15; ++second) {
    rig.RunTo(second * 1000);
    rig.Receive("ERR DATA-STALE\n");
  }
  rig.RunTo(15000);
  EXPECT_TRUE(rig.reports.readings.back().silentOnBattery);
}

TEST(NutClient, LoggingOutSaysGoodbyeClosesAndConnectsNoMore) {
  Rig rig(WithUser());
  rig.Connected();
  for (int i = 0; i < 3; ++i) rig.Receive("OK\n");
  rig.client.LogOut();
  EXPECT_EQ(rig.port.sent.back(), "LOGOUT\n");
  EXPECT_EQ(rig.port.closes, 1);
  EXPECT_EQ(rig.client.State(), NutClientState::Stopped);
  rig.client.OnConnectionLost(rig.now);
  rig.RunTo(60000);
  EXPECT_EQ(rig.port.connects.size(), 1u);
  EXPECT_TRUE(rig.reports.answers.empty());
  Rig pausing;
  pausing.client.OnConnectionLost(0);
  pausing.client.LogOut();
  pausing.RunTo(60000);
  EXPECT_EQ(pausing.port.connects.size(), 1u);
  EXPECT_TRUE(pausing.port.sent.empty());
}

// The self-tests of a UPS the server owns go as instant commands, between
// two polls, one request at a time; each is told done or not done once.
TEST(NutClient, AnInstantCommandGoesBetweenPollsAndItsAnswerIsToldOnce) {
  Rig rig(WithUser());
  rig.Connected();
  for (const char* ok : {"OK\n", "OK\n", "OK\n"}) rig.Receive(ok);
  rig.Receive(Status("OL"));
  rig.port.sent.clear();
  rig.client.Command(7, "test.battery.start.quick");
  rig.client.Command(8, "test.battery.stop");
  rig.RunTo(rig.now + 1);
  EXPECT_EQ(rig.port.sent, Lines{"INSTCMD ups test.battery.start.quick\n"});
  rig.RunTo(rig.now + 2000);  // no poll while the answer is awaited
  EXPECT_EQ(rig.port.sent.size(), 1u);
  rig.Receive("OK\n");
  rig.RunTo(rig.now + 1);
  EXPECT_EQ(rig.port.sent.back(), "INSTCMD ups test.battery.stop\n");
  rig.Receive("ERR ACCESS-DENIED\n");  // refused: the UPS is still followed
  rig.RunTo(rig.now + 1);
  EXPECT_EQ(rig.port.sent.back(), "LIST VAR ups\n");
  EXPECT_EQ(rig.reports.commands, (std::vector<std::pair<unsigned, bool>>{{7, true}, {8, false}}));
  EXPECT_TRUE(rig.reports.refusals.empty());
  EXPECT_EQ(rig.client.State(), NutClientState::Polling);
}

TEST(NutClient, AnInstantCommandWithoutAConnectionThatFollowsIsNotDone) {
  Rig rig;
  rig.client.Command(1, "test.battery.start.quick");  // still connecting
  EXPECT_EQ(rig.reports.commands, (std::vector<std::pair<unsigned, bool>>{{1, false}}));
  rig.Following();
  rig.client.Command(2, "test.battery.start.deep");
  rig.RunTo(1000);
  rig.client.OnConnectionLost(rig.now);  // before its answer
  rig.client.Command(3, "test.battery.stop");
  EXPECT_EQ(rig.reports.commands, (std::vector<std::pair<unsigned, bool>>{{1, false}, {2, false}, {3, false}}));
  EXPECT_EQ(std::count(rig.port.sent.begin(), rig.port.sent.end(), "INSTCMD ups test.battery.start.deep\n"), 1);
}

// The socket side sleeps until the client is due: each of its deadlines is
// the next wake, and a command waiting is due at once.
TEST(NutClient, SaysWhenItIsNextDue) {
  Rig rig(WithUser());
  EXPECT_EQ(rig.client.NextDueMs(0), 5000);  // the connection opened within the reply limit
  rig.Connected();
  rig.RunTo(100);
  EXPECT_EQ(rig.client.NextDueMs(100), 5000);  // USERNAME's answer, awaited since 0
  for (const char* ok : {"OK\n", "OK\n", "OK\n"}) rig.Receive(ok);  // LIST VAR sent at 100
  EXPECT_EQ(rig.client.NextDueMs(100), 5100);
  rig.Receive(Status("OB"));
  EXPECT_EQ(rig.client.NextDueMs(100), 1100);  // the next poll, before the dead time (15 s)
  rig.client.Command(1, "test.battery.stop");
  EXPECT_EQ(rig.client.NextDueMs(150), 150);
  rig.client.OnConnectionLost(200);
  EXPECT_EQ(rig.client.NextDueMs(200), 1200);  // the pause before connecting again
}

// A reading just like the last one handed on is kept back only while
// nothing wants each one; any figure changed, or any other news between,
// lets the next one go.
TEST(ReadingPace, KeepsBackOnlyAReadingLikeTheLastWhileNothingWantsEach) {
  ServedReadings base;
  base.status = "OL";
  base.inputVoltage = 230.0;
  base.load = 35.0;
  ReadingPace pace;
  EXPECT_TRUE(pace.Passes(base));
  EXPECT_TRUE(pace.Passes(base)) << "every reading goes until the window says otherwise";
  pace.EveryReading(false);
  EXPECT_FALSE(pace.Passes(base));
  const std::vector<std::function<void(ServedReadings&)>> changes = {
      [](ServedReadings& r) { r.status = "OB"; },
      [](ServedReadings& r) { r.silentOnBattery = true; },
      [](ServedReadings& r) { r.inputVoltage = 230.1; },
      [](ServedReadings& r) { r.outputVoltage = 229.0; },
      [](ServedReadings& r) { r.load.reset(); },
      [](ServedReadings& r) { r.batteryCharge = 96.0; },
      [](ServedReadings& r) { r.batteryVoltage = 27.1; },
      [](ServedReadings& r) { r.inputFrequency = 50.0; },
      [](ServedReadings& r) { r.temperature = 25.0; },
      [](ServedReadings& r) { r.runtimeSeconds = 1200.0; },
      [](ServedReadings& r) { r.runtimeLowSeconds = 120.0; },
      [](ServedReadings& r) { r.healthPercent = 80.0; },
  };
  for (size_t i = 0; i < changes.size(); ++i) {
    ServedReadings changed = base;
    changes[i](changed);
    EXPECT_TRUE(pace.Passes(changed)) << "change " << i;
    EXPECT_FALSE(pace.Passes(changed)) << "change " << i << " again";
    EXPECT_TRUE(pace.Passes(base)) << "back from change " << i;
  }
  pace.Forget();
  EXPECT_TRUE(pace.Passes(base));
  pace.EveryReading(true);
  EXPECT_TRUE(pace.Passes(base));
}
