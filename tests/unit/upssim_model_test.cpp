#include <gtest/gtest.h>

#include "tools/upssim/ups_model.h"

using upssim::ParseSwitchOff;
using upssim::UpsModel;

namespace {

char Bit(const std::string& status, int bit) { return status[38 + (7 - bit)]; }

}  // namespace

TEST(UpsModelReplies, StatusAndRatingHaveTheProtocolLayout) {
  UpsModel ups;
  const std::string status = *ups.HandleCommand("Q1", 0);
  EXPECT_EQ(status, "(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000\r");
  EXPECT_EQ(*ups.HandleCommand("F", 0), "#220.0 005 12.00 50.0\r");
}

TEST(UpsModelReplies, FieldsKeepTheirWidthAtExtremes) {
  UpsModel ups;
  ups.SetInputVoltage(1234.5);
  ups.SetLoad(5000);
  ups.SetTemperature(-3);
  ups.SetBatteryVoltage(150);
  ups.SetRatedBatteryVoltage(240);
  EXPECT_EQ(ups.StatusLine(0).size(), 47u);
  EXPECT_EQ(ups.RatingLine().size(), 22u);
}

TEST(UpsModelReplies, OtherCommandsGetNoReply) {
  UpsModel ups;
  for (const char* c : {"T", "TL", "CT", "T05", "S01R0002", "I", "", "Q1Q1", "\xff\xfe"}) {
    EXPECT_FALSE(ups.HandleCommand(c, 0).has_value()) << c;
  }
}

TEST(UpsModelStatus, MainsFailureSetsB7AndDropsInput) {
  UpsModel ups;
  ups.SetMainsFailed(true);
  const std::string s = ups.StatusLine(0);
  EXPECT_EQ(Bit(s, 7), '1');
  EXPECT_EQ(s.substr(1, 5), "000.0");
  EXPECT_EQ(s.substr(7, 5), "220.0");  // the voltage at the fault
  ups.SetMainsFailed(false);
  EXPECT_EQ(Bit(ups.StatusLine(0), 7), '0');
}

TEST(UpsModelStatus, FlagsMapToTheirBits) {
  UpsModel ups;
  ups.SetBatteryLowForced(true);
  ups.SetFault(true);
  ups.SetStandbyType(false);
  const std::string s = ups.StatusLine(0);
  EXPECT_EQ(Bit(s, 6), '1');
  EXPECT_EQ(Bit(s, 4), '1');
  EXPECT_EQ(Bit(s, 3), '0');
}

TEST(UpsModelStatus, BatteryRunningDownOnMainsFailureTurnsLow) {
  UpsModel ups;
  ups.SetMainsFailed(true);
  ups.RampBatteryVoltage(10.5, 100, 0);
  EXPECT_EQ(Bit(ups.StatusLine(10), 6), '0');
  EXPECT_EQ(Bit(ups.StatusLine(100), 6), '1');
}

TEST(UpsModelTests, QuickTestRunsTenScaledSecondsWithSag) {
  UpsModel ups(0.1);
  ups.HandleCommand("T", 0);
  EXPECT_EQ(Bit(ups.StatusLine(0.5), 2), '1');
  EXPECT_LT(ups.BatteryVoltage(0.5), 13.6);
  ups.Advance(1.01);
  EXPECT_EQ(Bit(ups.StatusLine(1.01), 2), '0');
  EXPECT_DOUBLE_EQ(ups.BatteryVoltage(1.01), 13.6);
}

TEST(UpsModelTests, TimedTestLastsItsMinutesAndCancelStopsIt) {
  UpsModel ups(0.01);
  ups.HandleCommand("T02", 0);  // 120 s scaled to 1.2 s
  ups.Advance(1.1);
  EXPECT_TRUE(ups.Testing());
  ups.Advance(1.21);
  EXPECT_FALSE(ups.Testing());
  ups.HandleCommand("T02", 2);
  ups.HandleCommand("CT", 2.1);
  EXPECT_FALSE(ups.Testing());
}

TEST(UpsModelTests, UntilLowTestDrainsThenEndsAndRecharges) {
  UpsModel ups(0.01);  // 600 s drain scaled to 6 s
  ups.HandleCommand("TL", 0);
  EXPECT_LT(ups.BatteryVoltage(3), 13.0);
  ups.Advance(6.1);
  EXPECT_FALSE(ups.Testing());
  EXPECT_DOUBLE_EQ(ups.BatteryVoltage(6.1), 13.6);
}

TEST(UpsModelTests, NoTestWhileOnBattery) {
  UpsModel ups;
  ups.SetMainsFailed(true);
  ups.HandleCommand("T", 0);
  EXPECT_FALSE(ups.Testing());
}

TEST(UpsModelSwitchOff, OffAfterDelayAndBackAfterRestore) {
  UpsModel ups(0.01);
  ups.HandleCommand("S02R0003", 0);  // off after 1.2 s, on 1.8 s later
  EXPECT_EQ(Bit(ups.StatusLine(0.1), 1), '1');
  ups.Advance(1.3);
  EXPECT_FALSE(ups.OutputOn());
  EXPECT_EQ(ups.StatusLine(1.3).substr(13, 9), "000.0 000");
  ups.Advance(2.9);
  EXPECT_FALSE(ups.OutputOn());
  ups.Advance(3.1);
  EXPECT_TRUE(ups.OutputOn());
}

TEST(UpsModelSwitchOff, RestoreOf9999StaysOffUntilCancelled) {
  UpsModel ups(0.01);
  ups.HandleCommand("S01R9999", 0);
  ups.Advance(1000);
  EXPECT_FALSE(ups.OutputOn());
  ups.HandleCommand("C", 1001);
  EXPECT_TRUE(ups.OutputOn());
}

TEST(UpsModelSwitchOff, OutputWaitsForTheMainsBeforeComingBack) {
  UpsModel ups(0.01);
  ups.SetMainsFailed(true);
  ups.HandleCommand("S01", 0);
  ups.Advance(0.7);
  EXPECT_FALSE(ups.OutputOn());
  ups.Advance(50);
  EXPECT_FALSE(ups.OutputOn());
  ups.SetMainsFailed(false);
  EXPECT_TRUE(ups.OutputOn());
}

TEST(SwitchOffCommand, AcceptsTheProtocolFormsOnly) {
  EXPECT_DOUBLE_EQ(ParseSwitchOff("S10")->delaySeconds, 600);
  EXPECT_EQ(ParseSwitchOff("S10")->restoreMinutes, -1);
  EXPECT_DOUBLE_EQ(ParseSwitchOff("S.5R0003")->delaySeconds, 30);
  EXPECT_EQ(ParseSwitchOff("S03R0123")->restoreMinutes, 123);
  for (const char* bad : {"S", "S1", "SAB", "S01R", "S01R12345", "S01X0001", "S01R00a1", "X01"}) {
    EXPECT_FALSE(ParseSwitchOff(bad).has_value()) << bad;
  }
}
