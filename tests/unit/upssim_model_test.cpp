#include <gtest/gtest.h>

#include "tools/upssim/ups_model.h"

using upssim::BatteryCell;
using upssim::BatteryLaw;
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

// The simulator's battery, under each of its laws, as the truth the runtime
// estimate is measured against.
namespace {

constexpr BatteryLaw kLaws[] = {BatteryLaw::Peukert, BatteryLaw::Kinetic};
constexpr double kBatteryAge = 2.0 / 3.0;

BatteryCell DischargedToLow(BatteryLaw law, double load) {
  BatteryCell cell(1.0, law);
  while (!cell.Low(load)) cell.Discharge(load, 1.0);
  return cell;
}

}  // namespace

// Both laws last about as long (the kinetic one 6 minutes at 80 %, within a
// factor 1.5 of the other from 20 to 90 %), and less the heavier the load.
TEST(BatteryCellLaws, EveryLawLastsLessTheHeavierTheLoad) {
  for (BatteryLaw law : kLaws) {
    double lighter = 1e12;
    for (double load = 0; load <= 120; load += 10) {
      const double lasts = BatteryCell(1.0, law).SecondsUntilLow(load);
      EXPECT_LT(lasts, lighter) << "law " << static_cast<int>(law) << " load " << load;
      lighter = lasts;
    }
  }
  EXPECT_NEAR(BatteryCell(1.0, BatteryLaw::Kinetic).SecondsUntilLow(80), 360, 30);
  for (double load = 20; load <= 90; load += 10) {
    const double ratio =
        BatteryCell(1.0, BatteryLaw::Kinetic).SecondsUntilLow(load) / BatteryCell().SecondsUntilLow(load);
    EXPECT_GT(ratio, 1 / 1.5) << "load " << load;
    EXPECT_LT(ratio, 1.5) << "load " << load;
  }
}

// A third of the capacity lost: the Peukert battery lasts two thirds as long
// at every load; the kinetic one somewhat less, its smaller wells refilling
// one another no faster.
TEST(BatteryCellLaws, AnAgedBatteryLastsAboutItsShareOfANewOne) {
  const struct {
    BatteryLaw law;
    double least, most;
  } laws[] = {{BatteryLaw::Peukert, 0.66, 0.68}, {BatteryLaw::Kinetic, 0.5, 0.67}};
  for (const auto& l : laws) {
    for (double load : {15.0, 50.0, 95.0}) {
      const double share =
          BatteryCell(kBatteryAge, l.law).SecondsUntilLow(load) / BatteryCell(1.0, l.law).SecondsUntilLow(load);
      EXPECT_GT(share, l.least) << "law " << static_cast<int>(l.law) << " load " << load;
      EXPECT_LT(share, l.most) << "law " << static_cast<int>(l.law) << " load " << load;
    }
  }
}

// A heavy spell, then ten minutes with no load: the kinetic battery's bound
// charge refills the available, so it reads higher and lasts longer than
// straight after the spell; the Peukert one only loses the inverter's draw.
TEST(BatteryCellLaws, OnlyTheKineticBatteryRecoversAfterAHeavySpell) {
  for (BatteryLaw law : kLaws) {
    BatteryCell spent(1.0, law);
    spent.Discharge(90, 150);
    BatteryCell rested = spent;
    rested.Discharge(0, 600);
    const bool recovers = law == BatteryLaw::Kinetic;
    EXPECT_EQ(rested.SecondsUntilLow(90) > spent.SecondsUntilLow(90) * 1.1, recovers) << static_cast<int>(law);
    EXPECT_EQ(rested.VoltsPerBlock(90) > spent.VoltsPerBlock(90), recovers) << static_cast<int>(law);
    EXPECT_LT(rested.Charge(), spent.Charge());  // the rest drew; it only moved charge within
  }
}

// On mains after a discharge to low: ten minutes bring part of it back; two
// hours all of it, the kinetic battery's bound charge too (a light load,
// which reaches that, lasts as long as on a new battery again).
TEST(BatteryCellLaws, RechargeBringsBackWhatADischargeDrew) {
  for (BatteryLaw law : kLaws) {
    const BatteryCell empty = DischargedToLow(law, 50);
    BatteryCell partly = empty, full = empty;
    partly.Recharge(600);
    full.Recharge(2 * 3600);
    EXPECT_NEAR(full.Charge(), 1.0, 0.001) << static_cast<int>(law);
    for (double load : {15.0, 90.0}) {
      const double fresh = BatteryCell(1.0, law).SecondsUntilLow(load);
      EXPECT_GT(partly.SecondsUntilLow(load), empty.SecondsUntilLow(load)) << static_cast<int>(law) << " " << load;
      EXPECT_LT(partly.SecondsUntilLow(load), fresh * 0.9) << static_cast<int>(law) << " " << load;
      EXPECT_NEAR(full.SecondsUntilLow(load), fresh, fresh * 0.01) << static_cast<int>(law) << " " << load;
    }
  }
}
