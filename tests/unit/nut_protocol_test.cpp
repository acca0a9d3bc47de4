// The network protocol's requests and replies, line by line: words and
// quotes, every command a client of ours sends, and each error reply.
#include <gtest/gtest.h>

#include "net/nut_protocol.h"
#include "net/ups_share.h"
#include "net/window_channel.h"

using namespace voltaris;

namespace {

using Words = std::vector<std::string>;

struct Server {
  NetworkSettings settings;
  ShareSnapshot snapshot;
  std::vector<std::string> logins;
  NutSession session;

  Server() {
    settings.users = {{"monuser", "secret"}, {"other", "pass word"}};
    snapshot.stale = false;
    snapshot.variables = {{"battery.charge", "87"}, {"ups.status", "OB LB"}, {"device.type", "ups"}};
  }
  std::string operator()(const std::string& line) {
    return AnswerNutLine(line, session, {settings, snapshot, logins});
  }
  std::string LogIn(const std::string& user = "monuser", const std::string& password = "secret") {
    (*this)("USERNAME " + user);
    (*this)("PASSWORD " + QuoteNut(password));
    return (*this)("LOGIN voltaris");
  }
};

}  // namespace

TEST(NutLine, SplitsAtBlanksAndKeepsQuotedBlanksAndEscapes) {
  EXPECT_EQ(*SplitNutLine("GET VAR voltaris ups.status"), (Words{"GET", "VAR", "voltaris", "ups.status"}));
  EXPECT_EQ(*SplitNutLine("  \tLIST\t UPS  "), (Words{"LIST", "UPS"}));
  EXPECT_EQ(*SplitNutLine("PASSWORD \"pass word\""), (Words{"PASSWORD", "pass word"}));
  EXPECT_EQ(*SplitNutLine(R"(X "a \"b\" \\c")"), (Words{"X", R"(a "b" \c)"}));
  EXPECT_EQ(*SplitNutLine(R"(X a\ b "")"), (Words{"X", "a b", ""}));
  EXPECT_EQ(*SplitNutLine("   "), Words{});
}

TEST(NutLine, RefusesAnOpenQuoteOrATrailingBackslash) {
  EXPECT_FALSE(SplitNutLine("USERNAME \"abc"));
  EXPECT_FALSE(SplitNutLine("USERNAME \"abc\\\""));
  EXPECT_FALSE(SplitNutLine("USERNAME abc\\"));
}

TEST(NutLine, QuotesValuesWithEscapes) {
  const struct {
    std::string value, quoted;
  } kCases[] = {
      {"OL", R"("OL")"},
      {"a\"b\\c", R"("a\"b\\c")"},
      // A garbled reading must not split the reply line it travels in.
      {"OB\nLB", R"("OB LB")"},
      {"230\r\n", R"("230  ")"},
  };
  for (const auto& c : kCases) EXPECT_EQ(QuoteNut(c.value), c.quoted) << c.value;
  // What goes out quoted comes back as the same word.
  EXPECT_EQ(*SplitNutLine("X " + QuoteNut("a \"b\\")), (Words{"X", "a \"b\\"}));
}

TEST(NutRequests, AnswerTheVersionsHelpAndStartTls) {
  Server server;
  EXPECT_EQ(server("NETVER"), "1.3\n");
  EXPECT_EQ(server("protver"), "1.3\n");
  EXPECT_NE(server("VER").find("1.3"), std::string::npos);
  EXPECT_EQ(server("HELP").rfind("Commands: HELP VER", 0), 0u);
  EXPECT_EQ(server("STARTTLS"), "ERR FEATURE-NOT-CONFIGURED\n");
  EXPECT_EQ(server("VER 1"), "ERR INVALID-ARGUMENT\n");
  // A blank line is answered: a client that sent one waits for a reply.
  EXPECT_EQ(server(""), "ERR UNKNOWN-COMMAND\n");
  EXPECT_EQ(server(" \t "), "ERR UNKNOWN-COMMAND\n");
}

TEST(NutRequests, ListTheUpsItsVariablesAndNoCommands) {
  Server server;
  EXPECT_EQ(server("LIST UPS"), "BEGIN LIST UPS\nUPS voltaris \"UPS monitored by Voltaris\"\nEND LIST UPS\n");
  EXPECT_EQ(server("list var voltaris"),
            "BEGIN LIST VAR voltaris\n"
            "VAR voltaris battery.charge \"87\"\n"
            "VAR voltaris ups.status \"OB LB\"\n"
            "VAR voltaris device.type \"ups\"\n"
            "END LIST VAR voltaris\n");
  EXPECT_EQ(server("LIST CMD voltaris"), "BEGIN LIST CMD voltaris\nEND LIST CMD voltaris\n");
  EXPECT_EQ(server("LIST RW voltaris"), "BEGIN LIST RW voltaris\nEND LIST RW voltaris\n");
}

TEST(NutRequests, ListAndCountTheLoggedInClients) {
  Server server;
  server.logins = {"127.0.0.1", "10.0.0.2"};
  EXPECT_EQ(server("LIST CLIENT voltaris"),
            "BEGIN LIST CLIENT voltaris\nCLIENT voltaris 127.0.0.1\nCLIENT voltaris 10.0.0.2\n"
            "END LIST CLIENT voltaris\n");
  EXPECT_EQ(server("GET NUMLOGINS voltaris"), "NUMLOGINS voltaris 2\n");
}

TEST(NutRequests, GetAVariableItsTypeAndDescriptionEchoingTheNamesAsAsked) {
  Server server;
  EXPECT_EQ(server("GET VAR voltaris ups.status"), "VAR voltaris ups.status \"OB LB\"\n");
  EXPECT_EQ(server("get var VOLTARIS UPS.STATUS"), "VAR VOLTARIS UPS.STATUS \"OB LB\"\n");
  EXPECT_EQ(server("GET TYPE voltaris ups.status"), "TYPE voltaris ups.status NUMBER\n");
  EXPECT_EQ(server("GET DESC voltaris battery.charge"), "DESC voltaris battery.charge \"Battery charge (percent)\"\n");
  EXPECT_EQ(server("GET UPSDESC voltaris"), "UPSDESC voltaris \"UPS monitored by Voltaris\"\n");
  // Any name has a description, published or not.
  EXPECT_EQ(server("GET DESC voltaris ups.temperature"), "DESC voltaris ups.temperature \"UPS temperature (degrees C)\"\n");
  EXPECT_EQ(server("GET DESC voltaris ups.alarm"), "DESC voltaris ups.alarm \"Description unavailable\"\n");
}

// Only missing words are refused: a client that adds a word is answered.
TEST(NutRequests, IgnoreWordsAfterThoseARequestNeeds) {
  const std::pair<const char*, const char*> kAnswered[] = {
      {"GET VAR voltaris ups.status extra", "VAR voltaris ups.status \"OB LB\"\n"},
      {"GET TYPE voltaris ups.status a b", "TYPE voltaris ups.status NUMBER\n"},
      {"GET DESC voltaris ups.status x", "DESC voltaris ups.status \"UPS status\"\n"},
      {"GET NUMLOGINS voltaris x", "NUMLOGINS voltaris 0\n"},
      {"GET UPSDESC voltaris x", "UPSDESC voltaris \"UPS monitored by Voltaris\"\n"},
      {"LIST UPS x", "BEGIN LIST UPS\nUPS voltaris \"UPS monitored by Voltaris\"\nEND LIST UPS\n"},
      {"LIST VAR voltaris x",
       "BEGIN LIST VAR voltaris\nVAR voltaris battery.charge \"87\"\nVAR voltaris ups.status \"OB LB\"\n"
       "VAR voltaris device.type \"ups\"\nEND LIST VAR voltaris\n"},
      {"LIST CLIENT voltaris x", "BEGIN LIST CLIENT voltaris\nEND LIST CLIENT voltaris\n"},
  };
  Server server;
  for (const auto& [request, reply] : kAnswered) EXPECT_EQ(server(request), reply) << request;
}

// Words match whole: a name that begins with another published name is its
// own variable, and a longer word is no command or UPS of ours.
TEST(NutRequests, MatchWholeWordsOnlyAmongNamesThatBeginWithOthers) {
  Server server;
  UpsStatus status;
  status.batteryVoltageText = "13.6";
  status.ratedBatteryVoltageText = "12.00";
  status.inputVoltageText = "230.0";
  status.inputFaultVoltageText = "180.0";
  server.snapshot = MakeShareSnapshot(status, BatteryReading{}, true, false);
  EXPECT_EQ(server("GET VAR voltaris battery.voltage.nominal"), "VAR voltaris battery.voltage.nominal \"12.00\"\n");
  EXPECT_EQ(server("GET VAR voltaris battery.voltage"), "VAR voltaris battery.voltage \"13.6\"\n");
  EXPECT_EQ(server("GET VAR voltaris input.voltage.fault"), "VAR voltaris input.voltage.fault \"180.0\"\n");
  EXPECT_EQ(server("GET DESC voltaris battery.voltage.nominal"),
            "DESC voltaris battery.voltage.nominal \"Nominal battery voltage (V)\"\n");
  EXPECT_EQ(server("GET VAR voltaris input.voltage.faults"), "ERR VAR-NOT-SUPPORTED\n");
  EXPECT_EQ(server("VERSION"), "ERR UNKNOWN-COMMAND\n");
  EXPECT_EQ(server("GET VAR voltaris2 battery.voltage"), "ERR UNKNOWN-UPS\n");
}

TEST(NutRequests, ReplyWithTheProtocolsErrors) {
  Server server;
  EXPECT_EQ(server("FROB"), "ERR UNKNOWN-COMMAND\n");
  EXPECT_EQ(server("\x01\xff\x7f"), "ERR UNKNOWN-COMMAND\n");
  EXPECT_EQ(server("GET VAR other ups.status"), "ERR UNKNOWN-UPS\n");
  EXPECT_EQ(server("LIST VAR other"), "ERR UNKNOWN-UPS\n");
  EXPECT_EQ(server("GET NUMLOGINS other"), "ERR UNKNOWN-UPS\n");
  EXPECT_EQ(server("GET VAR voltaris ups.mode.buzzwords"), "ERR VAR-NOT-SUPPORTED\n");
  EXPECT_EQ(server("GET TYPE voltaris ups.alarm"), "ERR VAR-NOT-SUPPORTED\n");
  for (const char* wrong : {"GET", "GET VAR", "GET VAR voltaris", "GET UPSDESC", "GET FOO voltaris x", "LIST",
                            "LIST VAR", "LIST ENUM voltaris ups.status", "USERNAME", "USERNAME a b", "PASSWORD",
                            "LOGOUT now", "NETVER 2", "GET VAR \"voltaris"}) {
    EXPECT_EQ(server(wrong), "ERR INVALID-ARGUMENT\n") << wrong;
  }
}

TEST(NutRequests, StaleDataRefusesVariablesButNotTheRest) {
  Server server;
  server.snapshot.stale = true;
  EXPECT_EQ(server("GET VAR voltaris ups.status"), "ERR DATA-STALE\n");
  EXPECT_EQ(server("LIST VAR voltaris"), "ERR DATA-STALE\n");
  // An unknown UPS is reported before the staleness of this one.
  EXPECT_EQ(server("GET VAR other ups.status"), "ERR UNKNOWN-UPS\n");
  EXPECT_EQ(server("LIST UPS").rfind("BEGIN LIST UPS", 0), 0u);
  EXPECT_EQ(server("GET NUMLOGINS voltaris"), "NUMLOGINS voltaris 0\n");
  EXPECT_EQ(server("GET TYPE voltaris ups.status"), "TYPE voltaris ups.status NUMBER\n");
}

// Each wants the user's names first, as a client like upscmd expects.
TEST(NutRequests, RefuseEveryRequestThatWouldChangeTheUps) {
  const char* const kChanges[] = {"PRIMARY voltaris", "MASTER voltaris", "FSD voltaris", "SET VAR voltaris x 1",
                                  "INSTCMD voltaris test.battery.start", "SET TRACKING ON", "FSD"};
  Server server;
  for (const char* change : kChanges) EXPECT_EQ(server(change), "ERR USERNAME-REQUIRED\n") << change;
  server("USERNAME monuser");
  for (const char* change : kChanges) EXPECT_EQ(server(change), "ERR PASSWORD-REQUIRED\n") << change;
  server("PASSWORD secret");
  for (const char* change : kChanges) EXPECT_EQ(server(change), "ERR ACCESS-DENIED\n") << change;
  server("LOGIN voltaris");
  for (const char* change : kChanges) EXPECT_EQ(server(change), "ERR ACCESS-DENIED\n") << change;
  EXPECT_EQ(server.session.refusedLogins, 0);  // no login was refused: nothing to slow down
}

TEST(NutLogin, AcceptsAConfiguredUserAndPasswordOnce) {
  Server server;
  EXPECT_EQ(server("USERNAME monuser"), "OK\n");
  EXPECT_EQ(server("USERNAME monuser"), "ERR ALREADY-SET-USERNAME\n");
  EXPECT_EQ(server("PASSWORD secret"), "OK\n");
  EXPECT_EQ(server("PASSWORD secret"), "ERR ALREADY-SET-PASSWORD\n");
  EXPECT_EQ(server("LOGIN other"), "ERR UNKNOWN-UPS\n");
  EXPECT_FALSE(server.session.loggedIn);
  EXPECT_EQ(server("LOGIN voltaris"), "OK\n");
  EXPECT_TRUE(server.session.loggedIn);
  EXPECT_EQ(server("LOGIN voltaris"), "ERR ALREADY-LOGGED-IN\n");
}

TEST(NutLogin, AcceptsAQuotedPasswordWithBlanks) {
  Server server;
  server("USERNAME other");
  server("PASSWORD \"pass word\"");
  EXPECT_EQ(server("LOGIN voltaris"), "OK\n");
}

TEST(NutLogin, NeedsBothNamesAndRefusesWhatIsNotConfigured) {
  Server first;
  EXPECT_EQ(first("LOGIN voltaris"), "ERR USERNAME-REQUIRED\n");
  EXPECT_EQ(first("LOGIN"), "ERR USERNAME-REQUIRED\n");  // the names come before the words
  first("USERNAME monuser");
  EXPECT_EQ(first("LOGIN voltaris"), "ERR PASSWORD-REQUIRED\n");
  first("PASSWORD secret");
  EXPECT_EQ(first("LOGIN"), "ERR INVALID-ARGUMENT\n");
  EXPECT_EQ(first("LOGIN voltaris x"), "ERR INVALID-ARGUMENT\n");
  EXPECT_EQ(first.session.refusedLogins, 0);

  Server wrongPassword;
  EXPECT_EQ(wrongPassword.LogIn("monuser", "Secret"), "ERR ACCESS-DENIED\n");
  EXPECT_EQ(wrongPassword.session.refusedLogins, 1);  // counted, so the server can slow the address down
  EXPECT_EQ(wrongPassword("LOGIN other"), "ERR UNKNOWN-UPS\n");
  EXPECT_EQ(wrongPassword.session.refusedLogins, 1);  // no password was checked
  Server wrongUser;
  EXPECT_EQ(wrongUser.LogIn("MonUser", "secret"), "ERR ACCESS-DENIED\n");
  Server crossed;  // one user's name with the other's password
  EXPECT_EQ(crossed.LogIn("monuser", "pass word"), "ERR ACCESS-DENIED\n");
  EXPECT_FALSE(crossed.session.loggedIn);

  Server noUsers;
  noUsers.settings.users.clear();
  EXPECT_EQ(noUsers.LogIn(), "ERR ACCESS-DENIED\n");
}

TEST(NutLogin, LogoutSaysGoodbyeAndEndsTheLogin) {
  Server server;
  server.LogIn();
  EXPECT_EQ(server("LOGOUT"), "OK Goodbye\n");
  EXPECT_FALSE(server.session.loggedIn);
  EXPECT_TRUE(server.session.loggingOut);
}

// ---- The service's local channel to its windows ----------------------------------------

TEST(WindowChannel, EachRequestIsReadBackAndAnythingElseRefusedWithWhy) {
  for (WindowAsks asks : {WindowAsks::State, WindowAsks::ShutDown, WindowAsks::CancelShutDown, WindowAsks::TenSecondTest,
                          WindowAsks::TestUntilLow, WindowAsks::TimedTest, WindowAsks::CancelSelfTest,
                          WindowAsks::Drill, WindowAsks::NewBattery, WindowAsks::ApplySettings}) {
    RequestRefusal refusal = RequestRefusal::NotAllowed;
    const auto request = ParseWindowRequest(RequestLine(asks) + "\n", &refusal);
    ASSERT_TRUE(request) << RequestLine(asks);
    EXPECT_EQ(request->asks, asks);
    EXPECT_EQ(refusal, RequestRefusal::None);
    EXPECT_EQ(request->command == 0, asks == WindowAsks::State || asks == WindowAsks::ApplySettings) << RequestLine(asks);
    if (request->command != 0) {
      EXPECT_EQ(RequestForCommand(request->command), asks);
    }
  }
  EXPECT_EQ(RequestForCommand(40012), WindowAsks::ShutDown);
  EXPECT_FALSE(RequestForCommand(0));      // the state is no menu's
  EXPECT_FALSE(RequestForCommand(40006));  // a viewer is the window's own
  const struct {
    std::string line;
    RequestRefusal why;
  } refused[] = {
      {"FORMAT C:", RequestRefusal::Unknown},
      {"shutdown", RequestRefusal::Unknown},  // the words are the protocol's, exactly
      {"TEST 10 20", RequestRefusal::Unknown},
      {"", RequestRefusal::Unknown},
      {"STATE" + std::string(kLongestWindowRequest, ' '), RequestRefusal::TooLong},
  };
  for (const auto& line : refused) {
    RequestRefusal refusal = RequestRefusal::None;
    EXPECT_FALSE(ParseWindowRequest(line.line, &refusal)) << line.line;
    EXPECT_EQ(refusal, line.why) << line.line;
  }
  RequestRefusal refusal = RequestRefusal::None;
  EXPECT_TRUE(ParseWindowRequest("STATE" + std::string(kLongestWindowRequest - 5, ' '), &refusal));
  // Settings: section, then keys and values at tabs; a value may be empty or hold blanks.
  const auto keysOf = [](const std::optional<WindowRequest>& request) {
    std::string text = request ? request->section : "none";
    for (const auto& [key, value] : request ? request->keys : SettingKeys{}) text += "|" + key + "=" + value;
    return text;
  };
  const auto setting = SettingLines("AlarmMessage", {{"AcInterruptlMessage", "Mains gone, saving work"}, {"NormalMessage", ""}});
  ASSERT_TRUE(setting);
  ASSERT_EQ(setting->size(), 1u);
  const auto set = ParseWindowRequest(setting->front() + "\n", &refusal);
  ASSERT_TRUE(set);
  EXPECT_EQ(set->asks, WindowAsks::SetSetting);
  EXPECT_EQ(keysOf(set), "AlarmMessage|AcInterruptlMessage=Mains gone, saving work|NormalMessage=");
  EXPECT_FALSE(SettingLines("Mscomm", {{"ComboRate", "9600"}, {"CommPort", "1\n[Notify]"}}));  // a line break would make a line of its own
  EXPECT_FALSE(SettingLines("Mscomm", {{"", "1"}}));
  EXPECT_FALSE(SettingLines("Mscomm", {}));
  EXPECT_FALSE(SettingLines("Mscomm", {{"CommPort", std::string(kLongestWindowRequest, '1')}}));
  // Eight keys to a line at most: the service writes them all before it answers.
  for (const size_t count : {kMostKeysPerLine, kMostKeysPerLine + 1}) {
    SettingKeys keys;
    for (size_t i = 0; i < count; ++i) keys.emplace_back("K" + std::to_string(i), "1");
    EXPECT_EQ(SettingLines("Schema", keys)->size(), count == kMostKeysPerLine ? 1u : 2u) << count;
  }
  // Keys that fit the longest request go in one line, one byte more in two;
  // each line stands alone and together they keep every key in order.
  const std::string head = "SET Schema\tA\t";
  for (const size_t extra : {0u, 1u}) {
    const SettingKeys keys{{"A", std::string(kLongestWindowRequest - head.size() - 4 + extra, 'x')}, {"B", "1"}};
    const auto lines = SettingLines("Schema", keys);
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 1u + extra);
    std::string joined = "Schema";
    for (const std::string& line : *lines) {
      EXPECT_LE(line.size(), kLongestWindowRequest);
      joined += keysOf(ParseWindowRequest(line, &refusal)).substr(sizeof "Schema" - 1);
    }
    EXPECT_EQ(joined, keysOf(WindowRequest{WindowAsks::SetSetting, 0, "Schema", keys}));
  }
  // Blanks about a name would make it another's once the file trims them.
  for (const char* garbled : {"SET Mscomm\tCommPort", "SET \tCommPort\t1", "SET Mscomm\t\t1", "SET Mscomm\tCommPort\t1\t2", "SET Mscomm\tA\t1\t\t2",
                              "SET  Notify\tMainsFailed\tcmd", "SET Notify \tMainsFailed\tcmd",
                              "SET DataRecord\t Notify\t1", "SET DataRecord\tKey \t1"}) {
    EXPECT_FALSE(ParseWindowRequest(garbled, &refusal)) << garbled;
    EXPECT_EQ(refusal, RequestRefusal::Unknown) << garbled;
  }
  EXPECT_EQ(RefusalAnswer(RequestRefusal::NotAllowed), "ERR ACCESS-DENIED");
  EXPECT_EQ(RefusalAnswer(RequestRefusal::NotNow), "ERR NOT-NOW");
  EXPECT_EQ(RefusalAnswer(RequestRefusal::None), "OK");
}

TEST(WindowChannel, WhoMayDoWhat) {
  const CallerRights user{false, false, ""}, mayShutDown{false, true, ""}, administrator{true, true, ""};
  const struct {
    WindowAsks asks;
    bool user, mayShutDown, administrator;
  } table[] = {
      {WindowAsks::State, true, true, true},           {WindowAsks::ShutDown, false, true, true},
      {WindowAsks::CancelShutDown, false, true, true}, {WindowAsks::TenSecondTest, false, true, true},
      {WindowAsks::TestUntilLow, false, true, true},   {WindowAsks::CancelSelfTest, false, true, true},
      {WindowAsks::TimedTest, false, true, true},
      {WindowAsks::Drill, false, false, true},         {WindowAsks::ApplySettings, true, true, true},
      {WindowAsks::NewBattery, false, false, true},
  };
  for (const auto& row : table) {
    const WindowRequest request{row.asks, 0, {}, {}};
    EXPECT_EQ(MayAsk(request, user), row.user) << RequestLine(row.asks);
    EXPECT_EQ(MayAsk(request, mayShutDown), row.mayShutDown) << RequestLine(row.asks);
    EXPECT_EQ(MayAsk(request, administrator), row.administrator) << RequestLine(row.asks);
  }
  // A setting, by its section: the history's every user's, what decides when
  // Windows goes down the shutdown right's, the rest (the commands run with
  // the system's rights, the link, the server followed) the administrators'.
  const struct {
    const char* section;
    bool user, mayShutDown;
  } settings[] = {{"DataRecord", true, true},   {"AlarmMessage", false, true}, {"Schema", false, true},
                  {"Runtime", false, true},     {"Notify", false, false},      {"Mscomm", false, false},
                  {"NetworkUps", false, false}, {"Network", false, false},     {"alarmmessage", false, false},
                  {"DataRecordx", false, false}};
  for (const auto& row : settings) {
    const WindowRequest request{WindowAsks::SetSetting, 0, row.section, {{"MainsFailed", "C:\\x.cmd"}}};
    EXPECT_EQ(MayAsk(request, user), row.user) << row.section;
    EXPECT_EQ(MayAsk(request, mayShutDown), row.mayShutDown) << row.section;
    EXPECT_TRUE(MayAsk(request, administrator)) << row.section;
  }
}

TEST(WindowChannel, TheServiceStateReadsBackWholeAndNeverHalf) {
  ServiceState state;
  state.ups = {false, {{"ups.status", "OB LB"}, {"input.voltage", "0.0"}, {"ups.model", "line\nbreak"}}};
  state.tray = {true, true, 95, false, true, ServiceWait::None, "about 14 min left"};
  state.balloons = 3;
  state.balloon = {"Voltaris\tdrill", "Mains failed.\tShutdown in 2 min.", true};
  CountdownPicture counting;
  counting.alarmLine = "AC Power Failure!";
  counting.showCount = true;
  counting.seconds = 95;
  counting.runtimeLine = "about 14 min left";
  CountdownPicture restored;
  restored.normalLine = "AC Power\tRestored";
  restored.countX = 12;
  state.countdowns = {{CountdownWindow::MainsFail, counting}, {CountdownWindow::Drill, restored}};
  const std::string message = WriteServiceState(state);
  const auto read = ReadServiceState(message);
  ASSERT_TRUE(read);
  EXPECT_FALSE(read->ups.stale);
  ASSERT_EQ(read->ups.variables.size(), 3u);
  EXPECT_EQ(read->ups.variables[0].second, "OB LB");
  EXPECT_EQ(read->ups.variables[2].second, "line break");  // a value's line break does not end its line
  EXPECT_TRUE(read->tray.answering && read->tray.onBattery && read->tray.drill);
  EXPECT_EQ(read->tray.secondsLeft, 95);
  EXPECT_EQ(read->tray.runtime, "about 14 min left");
  EXPECT_EQ(read->balloons, 3u);
  EXPECT_EQ(read->balloon.title, "Voltaris drill");  // a tab would end the field
  EXPECT_EQ(read->balloon.text, "Mains failed. Shutdown in 2 min.");
  EXPECT_TRUE(read->balloon.warning);
  ASSERT_EQ(read->countdowns.size(), 2u);
  EXPECT_EQ(read->countdowns[0].which, CountdownWindow::MainsFail);
  const CountdownPicture& shown = read->countdowns[0].picture;
  EXPECT_TRUE(shown.showCount);
  EXPECT_EQ(shown.seconds, 95);
  EXPECT_EQ(CountLine(shown), CountLine(counting));
  EXPECT_EQ(shown.alarmLine, "AC Power Failure!");
  EXPECT_EQ(shown.runtimeLine, "about 14 min left");
  EXPECT_EQ(read->countdowns[1].which, CountdownWindow::Drill);
  EXPECT_FALSE(read->countdowns[1].picture.showCount);
  EXPECT_EQ(read->countdowns[1].picture.normalLine, "AC Power Restored");
  EXPECT_EQ(read->countdowns[1].picture.countX, 12);
  const std::string window = "TRAY 1 1 -1 0\nWINDOW %s\tm\ta\tn\tr\tp\ts\nEND\n";
  const auto withWindow = [&window](const std::string& numbers) {
    return ReadServiceState(window.substr(0, window.find("%s")) + numbers + window.substr(window.find("%s") + 2));
  };
  EXPECT_TRUE(withWindow("7 0 0 40 10"));   // the drill, the last kind
  EXPECT_FALSE(withWindow("8 0 0 40 10"));  // no such window
  EXPECT_FALSE(withWindow("-1 0 0 40 10"));
  EXPECT_FALSE(withWindow("0 2 0 40 10"));
  EXPECT_FALSE(withWindow("0 1 0 40"));
  EXPECT_FALSE(ReadServiceState("TRAY 1 1 -1 0\nWINDOW 0 1 5 40 10\tm\ta\tn\tr\tp\nEND\n"));  // a field short
  EXPECT_FALSE(ReadServiceState("TRAY 1 1 -1 0\nBALLOON 3 1 no tabs\nEND\n"));
  EXPECT_FALSE(ReadServiceState("TRAY 1 1 -1 0\nBALLOON -3 1\tt\tx\nEND\n"));

  EXPECT_FALSE(ReadServiceState(message.substr(0, message.size() - 1)));  // cut before the end's line break
  EXPECT_FALSE(ReadServiceState(message.substr(0, message.find("TRAY"))));
  EXPECT_FALSE(ReadServiceState(message + "VAR ups.load 40\n"));  // more after the end
  EXPECT_FALSE(ReadServiceState("STALE 0\nEND\n"));               // no tray: no count to show
  EXPECT_FALSE(ReadServiceState("STALE 0\nTRAY 1 1 -2 0\nEND\n"));
  EXPECT_FALSE(ReadServiceState("STALE 0\nTRAY 1 1 95x 0\nEND\n"));
  EXPECT_FALSE(ReadServiceState("STALE 2\nTRAY 1 1 95 0\nEND\n"));
  EXPECT_FALSE(ReadServiceState("VAR novalue\nTRAY 1 1 95 0\nEND\n"));
  EXPECT_TRUE(ReadServiceState("NEWER thing\nTRAY 1 1 -1 0\nEND\n"));  // a later version's line is left out
  const std::string longest = "TRAY 1 1 -1 0\n" + std::string(kLongestServiceState - 18, '\n') + "END\n";
  EXPECT_TRUE(ReadServiceState(longest));
  EXPECT_FALSE(ReadServiceState("\n" + longest));
}
