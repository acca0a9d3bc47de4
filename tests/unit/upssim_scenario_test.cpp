#include <gtest/gtest.h>

#include "tools/upssim/scenario.h"
#include "tools/upssim/ups_model.h"

using upssim::ParseAction;
using upssim::ParseScenario;

TEST(Scenario, ParsesStepsSortedByTimeWithCommentsAndCrLf) {
  std::string error;
  const auto s = ParseScenario(
      "# a mains failure\r\n"
      "at 5 mains ok\r\n"
      "\n"
      "at 0.5 mains fail   # on battery\n"
      "at 2 battery ramp 11.0 over 30\n"
      "at 2 unplug\n",
      error);
  ASSERT_TRUE(s) << error;
  ASSERT_EQ(s->steps.size(), 4u);
  EXPECT_DOUBLE_EQ(s->steps[0].at, 0.5);
  EXPECT_EQ(s->steps[1].action.verb, "battery");
  EXPECT_EQ(s->steps[2].action.verb, "unplug");  // file order kept among equal times
  EXPECT_EQ(s->steps[3].action.words[1], "ok");
}

TEST(Scenario, RejectsBadLinesNamingTheLine) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"at 1 mains fail\nat x mains ok\n", "line 2: expected \"at <seconds> <action>\""},
      {"at 1 explode\n", "line 1: unknown action \"explode\""},
      {"\n\nat 1 mains maybe\n", "line 3: expected \"mains fail|ok\""},
      {"at -1 mains ok\n", "line 1: expected \"at <seconds> <action>\""},
      {"mains ok\n", "line 1: expected \"at <seconds> <action>\""},
      {"at 1 battery ramp 11 over\n", "line 1: expected \"battery <volts> |"},
      {"at 1 battery law lead\n", "line 1: expected \"battery <volts> |"},
      {"at 1 temperature 1e999\n", "line 1: expected \"temperature <celsius>|none\""},
      {"at 1 noise 0\n", "line 1: expected \"noise <bytes>\""},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseScenario(c.text, error)) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got: " << error;
  }
}

TEST(Scenario, GarbageNeverCrashesTheParser) {
  std::string text;
  for (int i = 0; i < 4096; ++i) text += static_cast<char>((i * 131 + 7) & 0xFF);
  std::string error;
  EXPECT_FALSE(ParseScenario(text, error));
  EXPECT_FALSE(error.empty());
}

TEST(Actions, ChangeTheModelAndTheLink) {
  upssim::UpsModel ups;
  upssim::LinkEffects link;
  for (const char* a : {"fault on", "type online", "temperature 4.0", "unplug", "cut 20", "noise 3"}) {
    const auto parsed = ParseAction(a);
    ASSERT_TRUE(parsed.action) << a << ": " << parsed.error;
    upssim::ApplyAction(*parsed.action, ups, link, 0);
  }
  const std::string s = ups.StatusLine(0);
  EXPECT_EQ(s.substr(33, 4), "04.0");
  EXPECT_EQ(s.substr(38, 5), "00010");
  EXPECT_TRUE(link.unplugged);
  EXPECT_EQ(link.cutReplyTo, 20);
  EXPECT_EQ(link.noiseBytes, 3);
  const auto sensorless = ParseAction("temperature none");
  ASSERT_TRUE(sensorless.action) << sensorless.error;
  upssim::ApplyAction(*sensorless.action, ups, link, 0);
  EXPECT_EQ(ups.StatusLine(0).substr(33, 4), "--.-");
}

// The battery's law, picked before the curve runs or while it does: a law
// changed mid-discharge keeps the charge the battery has.
TEST(Actions, BatteryLawPicksTheCurvesLawAndKeepsTheCharge) {
  upssim::UpsModel ups;
  upssim::LinkEffects link;
  auto apply = [&](const char* text) {
    const auto parsed = ParseAction(text);
    ASSERT_TRUE(parsed.action) << text << ": " << parsed.error;
    upssim::ApplyAction(*parsed.action, ups, link, 0);
  };
  apply("battery law kinetic");
  apply("battery curve on");
  ASSERT_NE(ups.Cell(), nullptr);
  EXPECT_EQ(ups.Cell()->Law(), upssim::BatteryLaw::Kinetic);
  apply("battery charge 0.4");
  for (const auto law : {upssim::BatteryLaw::Peukert, upssim::BatteryLaw::Kinetic}) {
    apply(law == upssim::BatteryLaw::Kinetic ? "battery law kinetic" : "battery law peukert");
    EXPECT_EQ(ups.Cell()->Law(), law);
    EXPECT_NEAR(ups.Cell()->Charge(), 0.4, 1e-9);
  }
}
