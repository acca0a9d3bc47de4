// The network protocol's requests and replies, line by line: words and
// quotes, every command a client of ours sends, and each error reply.
#include <gtest/gtest.h>

#include "net/nut_protocol.h"
#include "net/ups_share.h"

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
