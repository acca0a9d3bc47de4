// The service's local channel to its windows: requests, who may ask what,
// and the service state read back whole.
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "net/window_channel.h"

using namespace voltaris;

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
