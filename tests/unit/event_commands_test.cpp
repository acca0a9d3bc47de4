// The commands each power event runs: started, limited and recorded, on virtual time.
#include <gtest/gtest.h>

#include <algorithm>

#include "power/timer_ids.h"
#include "res/command_ids.h"
#include "tests/unit/countdown_rig.h"

using namespace voltaris;
using namespace voltaris::testing;

TEST(EventCommands, ArgumentsComeBackUnchangedThroughTheRuntimesParser) {
  const std::vector<std::pair<std::string, std::string>> quoted = {
      {"", "\"\""},
      {"  AC Fail!", "\"  AC Fail!\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"C:\\dir\\", "\"C:\\dir\\\\\""},
      {"a\\\"b", "\"a\\\\\\\"b\""},
      {"a\\b", "\"a\\b\""},
  };
  for (const auto& [plain, text] : quoted) EXPECT_EQ(QuoteArgument(plain), text) << plain;
}

// The service finds a program named without a folder in Windows' own
// folders only: telling the name and the rest apart must hold for quoted
// paths with blanks, and a name with any folder in it is not bare.
TEST(EventCommands, TheProgramOfACommandAndWhetherItNamesAFolder) {
  const struct {
    const char* line;
    const char* program;
    const char* arguments;
    bool bare;
  } cases[] = {
      {"notify.cmd \"  AC Fail!\"", "notify.cmd", " \"  AC Fail!\"", true},
      {"\"C:\\Program Files\\Hooks\\on batt.cmd\" 1 2", "C:\\Program Files\\Hooks\\on batt.cmd", " 1 2", false},
      {"  shutdown.exe /s", "shutdown.exe", " /s", true},
      {"C:\\hooks\\fsd.cmd", "C:\\hooks\\fsd.cmd", "", false},
      {".\\notify.cmd", ".\\notify.cmd", "", false},
      {"C:notify.cmd", "C:notify.cmd", "", false},
      {"hooks/notify.cmd", "hooks/notify.cmd", "", false},
      {"\"unclosed name", "unclosed name", "", true},
      {"notify.cmd\tONBATT", "notify.cmd", "\tONBATT", true},
  };
  for (const auto& c : cases) {
    const CommandProgram split = SplitCommand(c.line);
    EXPECT_EQ(split.program, c.program) << c.line;
    EXPECT_EQ(split.arguments, c.arguments) << c.line;
    EXPECT_EQ(IsBareProgramName(split.program), c.bare) << c.line;
  }
}

TEST(EventCommands, ACommandThatCannotStartIsRecordedOnceAndNeverDelaysTheCount) {
  NotifyRig rig("Command=C:\\missing\\notify.exe\n");
  rig.RunWith(kMainsFailed, 5);
  rig.RunWith(kHealthy, 6);
  rig.RunWith(kMainsFailed, 5);
  EXPECT_EQ(rig.Count("  Event Command Not Started: MainsFailed"), 1);
  EXPECT_EQ(rig.Count("  Event Command Not Started: MainsBack"), 0);  // the same command: once
  rig.RunWith(kMainsFailed, 299);
  EXPECT_EQ(rig.shutdown.calls, 0);
  rig.RunWith(kMainsFailed, 1);
  EXPECT_EQ(rig.shutdown.calls, 1);
}

// The settings file holds 254 characters for other readers: a longer
// command, cut there, could do something else than was written.
TEST(EventCommands, ACommandLongerThanTheFileHoldsIsRefusedAndRecordedOnceNeverCut) {
  const std::string fits = "notify.exe " + std::string(EventCommands::kLongestCommand - 11, 'a');
  NotifyRig whole("Command=" + fits + "\n");
  whole.RunWith(kMainsFailed, 5);
  ASSERT_EQ(whole.commands.started.size(), 1u);
  EXPECT_EQ(whole.commands.started[0].commandLine.rfind(fits + " ", 0), 0u);
  NotifyRig rig("Command=" + fits + "a\n");
  rig.RunWith(kMainsFailed, 5);
  rig.RunWith(kHealthy, 2);
  EXPECT_TRUE(rig.commands.started.empty());
  EXPECT_EQ(rig.Count("  Event Command Too Long, Not Run: MainsFailed"), 1);
  EXPECT_EQ(rig.Count("  Event Command Too Long, Not Run: MainsBack"), 0);  // the same command: once
}

// A link that drops and comes back every few seconds: three of one event
// run at once at most; the rest are recorded once, not started.
TEST(EventCommands, AtMostThreeOfOneEventRunAtOnce) {
  NotifyRig rig("Command=notify.exe\nCommandTimeLimit=60\n");
  for (int failure = 0; failure < 5; ++failure) {
    rig.RunWith(kMainsFailed, 5);
    rig.RunWith(kHealthy, 5);
  }
  int mainsFailed = 0;
  for (const auto& c : rig.commands.started) mainsFailed += Env(c, "VOLTARIS_EVENT") == "MainsFailed";
  EXPECT_EQ(mainsFailed, EventCommands::kMostRunningOfOneEvent);
  EXPECT_EQ(rig.Count("  Event Command Not Started, Too Many Running: MainsFailed"), 1);
  for (auto& [token, state] : rig.commands.states) state = CommandState::Ended;
  rig.RunWith(kHealthy, 2);
  rig.RunWith(kMainsFailed, 5);
  mainsFailed = 0;
  for (const auto& c : rig.commands.started) mainsFailed += Env(c, "VOLTARIS_EVENT") == "MainsFailed";
  EXPECT_EQ(mainsFailed, EventCommands::kMostRunningOfOneEvent + 1);
}

TEST(EventCommands, OneStillRunningAtTheLimitIsRecordedOnceAndLeftAlone) {
  NotifyRig rig("Command=notify.exe\nCommandTimeLimit=5\n");
  rig.RunWith(kMainsFailed, 5);
  ASSERT_EQ(rig.commands.started.size(), 1u);
  rig.Run(4000);
  EXPECT_EQ(rig.Count("  Event Command Over Time: MainsFailed"), 0);
  EXPECT_EQ(rig.parts.commands.Running().size(), 1u);
  rig.Run(1000);
  EXPECT_EQ(rig.Count("  Event Command Over Time: MainsFailed"), 1);
  EXPECT_TRUE(rig.parts.commands.Running().empty());
  EXPECT_FALSE(rig.timers.IsArmed(kTimerCommandWatch));
  rig.RunWith(kHealthy, 1);
  ASSERT_EQ(rig.commands.started.size(), 2u);
  rig.commands.states[2] = CommandState::Ended;  // this one ends in time
  rig.Run(5000);
  EXPECT_EQ(rig.Count("  Event Command Over Time: MainsBack"), 0);
  EXPECT_TRUE(rig.parts.commands.Running().empty());
}
