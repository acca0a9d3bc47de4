// The battery watch against discharges of the simulator's battery, second by
// second as the program sees them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "power/battery_watch.h"
#include "tests/unit/engine_fakes.h"
#include "tools/upssim/battery_cell.h"

using namespace voltaris;
using upssim::BatteryCell;

// The program's side: the discharge as the UPS's replies give it, written
// to BatteryRecord.csv, learnt when the battery reads low, and learnt again
// from the file by the next run.
namespace {

std::string Reply(bool mainsFailed, bool low, int load, double volts) {
  char reply[64];
  std::snprintf(reply, sizeof reply, "(%s 220.0 220.0 %03d 50.0 %04.1f 25.0 %c%c001000\r",
                mainsFailed ? "000.0" : "220.0", load, volts, mainsFailed ? '1' : '0', low ? '1' : '0');
  return reply;
}

struct WatchRig : voltaris::testing::EngineRig {
  // `learntAt`: loads of discharges to low already in BatteryRecord.csv, a
  // week before the clock's now; `laterRows` after them.
  explicit WatchRig(std::initializer_list<double> learntAt = {},
                    const std::vector<std::vector<std::string>>& laterRows = {}) {
    for (double load : learntAt) {
      const std::string seconds = std::to_string(static_cast<int>(BatteryCell().SecondsUntilLow(load)));
      const std::string percent = std::to_string(static_cast<int>(load));
      records.AppendBatteryRow({"2026-12-1", "9:0:0", "1", percent, "12.9", "", ""});
      records.AppendBatteryRow({"2026-12-1", "9:30:0", seconds, percent, "11.0", "", "Battery Low"});
    }
    for (const auto& row : laterRows) records.AppendBatteryRow(row);
    engine.StartLink({0, 2400, 0, 4, 0});
    Run(1000);
    engine.OnSerialOpen(true);
    engine.OnSerialRead(true, "#220.0 005 12.00 50.0\r");
    parts.battery.Start(store);
  }
  void Second(const std::string& reply) {
    engine.OnSerialRead(true, reply);
    Run(1000);
  }
  // A discharge of the simulator's battery at `load` until it reads low.
  void DischargeUntilLow(int load) {
    BatteryCell cell;
    while (!cell.Low(load)) {
      Second(Reply(true, false, load, cell.VoltsPerBlock(load)));
      cell.Discharge(load, 1.0);
    }
    for (int second = 0; second < BatteryWatch::kLowConfirmReplies; ++second) {
      Second(Reply(true, true, load, cell.VoltsPerBlock(load)));
    }
    Second(Reply(false, false, load, 13.6));
  }
  std::vector<std::string> Ends() {
    std::vector<std::string> ends;
    store.ReadAll(RecordTable::Battery, InfoOf(RecordTable::Battery).columns, [&ends](const auto& r) {
      if (!r[6].empty()) ends.push_back(r[2] + "|" + r[6]);
    });
    return ends;
  }
};

}  // namespace

TEST(BatteryWatch, ADischargeToBatteryLowIsRecordedLearntAndLearntAgainNextRun) {
  WatchRig rig;
  const double guess = rig.parts.battery.Runtime().seconds;
  rig.Second(Reply(true, false, 40, 12.3));
  rig.Second(Reply(false, false, 40, 13.6));  // cut short by the mains: not learnt
  EXPECT_FALSE(rig.parts.battery.Model().Learnt());
  rig.DischargeUntilLow(40);
  const auto ends = rig.Ends();
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[0], "1|Mains Back");
  EXPECT_EQ(ends[1].substr(ends[1].find('|')), "|Battery Low");
  EXPECT_TRUE(rig.parts.battery.Model().Learnt());
  EXPECT_TRUE(rig.parts.battery.Runtime().learnt);
  EXPECT_EQ(rig.parts.battery.Runtime().seconds, 0);  // just run flat: nothing back yet
  EXPECT_GT(rig.parts.battery.Model().SecondsLeft(40, {}, 12.6), guess);  // it lasted longer than the guess

  voltaris::testing::EngineRig next;  // a new run, on the same folder
  BatteryWatch again(next.timers, next.display, next.records, next.engine, next.clock);
  again.Start(rig.store);
  EXPECT_EQ(again.Model().Discharges(), 1u);
  // Each row's load is the mean since the row before, not a sum carried on:
  // learnt again from the file, the model is the one learnt live.
  std::vector<std::string> loads;
  rig.store.ReadAll(RecordTable::Battery, {"Load"}, [&loads](const auto& r) { loads.push_back(r[0]); });
  EXPECT_EQ(std::count(loads.begin(), loads.end(), "40"), static_cast<long>(loads.size()));
  for (double load : {20.0, 40.0, 80.0}) {
    EXPECT_NEAR(again.Model().SecondsLeft(load, {}, 12.6), rig.parts.battery.Model().SecondsLeft(load, {}, 12.6), 2.0)
        << load;
  }
}

// A discharge the mains ended, and one begun on a battery not charged, are
// in the file but teach nothing when it is read at the next start.
TEST(BatteryWatch, OnlyDischargesToALowOfAChargedBatteryAreLearntAgain) {
  WatchRig rig;
  for (int second = 0; second < 15; ++second) rig.Second(Reply(true, false, 40, 12.6));
  rig.Second(Reply(false, false, 40, 13.6));
  rig.Second(Reply(true, false, 40, 11.8));
  for (int reply = 0; reply < BatteryWatch::kLowConfirmReplies; ++reply) rig.Second(Reply(true, true, 40, 10.9));
  ASSERT_EQ(rig.Ends(), (std::vector<std::string>{"15|Mains Back", "4|Battery Low (Not Charged)"}));
  voltaris::testing::EngineRig next;
  BatteryWatch again(next.timers, next.display, next.records, next.engine, next.clock);
  again.Start(rig.store);
  EXPECT_FALSE(again.Model().Learnt());
}

// Charged means at least 12.0 V per block under load when the mains fail.
TEST(BatteryWatch, ADischargeBegunAtExactly12VoltsPerBlockCountsAsCharged) {
  for (const double volts : {BatteryWatch::kChargedVoltsPerBlock, BatteryWatch::kChargedVoltsPerBlock - 0.1}) {
    WatchRig rig;
    rig.Second(Reply(true, false, 40, volts));
    for (int reply = 0; reply < BatteryWatch::kLowConfirmReplies; ++reply) rig.Second(Reply(true, true, 40, 10.9));
    EXPECT_EQ(rig.Ends().size(), 1u);
    EXPECT_EQ(rig.Ends().back() == "4|Battery Low", volts >= BatteryWatch::kChargedVoltsPerBlock) << volts;
  }
}

// Low at once: the battery was not charged, which says nothing of its size.
TEST(BatteryWatch, ADischargeThatBeginsOnAnUnchargedBatteryIsNotLearnt) {
  WatchRig rig;
  rig.Second(Reply(true, false, 40, 11.8));
  for (int second = 0; second < BatteryWatch::kLowConfirmReplies; ++second) rig.Second(Reply(true, true, 40, 10.9));
  EXPECT_EQ(rig.Ends(), std::vector<std::string>{"4|Battery Low (Not Charged)"});
  EXPECT_FALSE(rig.parts.battery.Model().Learnt());
  EXPECT_EQ(rig.parts.battery.Runtime().seconds, 0);  // low now: nothing left
}

// A battery-low flag for a reply or two (a dip at a load step, a flipped
// bit) neither ends the discharge nor zeroes the estimate; held over
// kLowConfirmReplies replies it does both.
TEST(BatteryWatch, BatteryLowEndsTheDischargeOnlyOnceItHolds) {
  WatchRig rig;
  for (int second = 0; second < 20; ++second) rig.Second(Reply(true, false, 40, 12.8));
  const int before = rig.parts.battery.Runtime().seconds;
  for (int second = 1; second < BatteryWatch::kLowConfirmReplies; ++second) rig.Second(Reply(true, true, 40, 12.7));
  EXPECT_GT(rig.parts.battery.Runtime().seconds, 0);
  EXPECT_GE(rig.parts.battery.Runtime().seconds, before - 60);
  rig.Second(Reply(true, false, 40, 12.7));
  rig.Second(Reply(true, true, 40, 12.7));  // the count of replies low starts again
  rig.Run(2000);                            // two replies missed repeat the last: no more of them
  EXPECT_TRUE(rig.Ends().empty());
  EXPECT_FALSE(rig.parts.battery.Model().Learnt());
  EXPECT_GT(rig.parts.battery.Runtime().seconds, 0);
  for (int second = 1; second < BatteryWatch::kLowConfirmReplies; ++second) rig.Second(Reply(true, true, 40, 11.0));
  EXPECT_EQ(rig.Ends(), std::vector<std::string>{"28|Battery Low"});
  EXPECT_TRUE(rig.parts.battery.Model().Learnt());
  EXPECT_EQ(rig.parts.battery.Runtime().seconds, 0);
}

// A discharge much shorter than the estimate: with the voltage under load
// still healthy the battery-low signal lied (recorded, not learnt); near the
// voltage a battery ends at, the battery has aged, and is learnt at once.
TEST(BatteryWatch, AMuchShorterDischargeIsLearntOnlyWhenTheVoltageAgrees) {
  WatchRig rig({40});
  rig.Second(Reply(false, false, 40, 13.6));
  ASSERT_EQ(rig.parts.battery.Model().Discharges(), 1u);
  const int full = rig.parts.battery.Runtime().seconds;
  auto shortDischarge = [&rig](double volts, double voltsAtLow) {
    rig.Second(Reply(true, false, 40, 12.4));  // charged when the mains failed
    for (int second = 1; second < 30; ++second) rig.Second(Reply(true, false, 40, volts));
    for (int reply = 0; reply < BatteryWatch::kLowConfirmReplies; ++reply) {
      rig.Second(Reply(true, true, 40, voltsAtLow));
    }
    rig.Second(Reply(false, false, 40, 13.6));
    return rig.Ends().back().substr(rig.Ends().back().find('|') + 1);
  };
  EXPECT_EQ(shortDischarge(12.6, BatteryWatch::kEndVoltsPerBlock), "Battery Low (Voltage Healthy)");
  EXPECT_EQ(rig.parts.battery.Model().Discharges(), 1u);
  EXPECT_NEAR(rig.parts.battery.Runtime().seconds, full - 33, 5);  // only the half minute drawn is owed
  EXPECT_EQ(shortDischarge(11.4, BatteryWatch::kEndVoltsPerBlock - 0.1), "Battery Low");
  EXPECT_EQ(rig.parts.battery.Model().Discharges(), 2u);
  EXPECT_LT(rig.parts.battery.Runtime().seconds, full);
}

// Early twice running with a healthy voltage: the UPS's own rule, learnt.
// The first of the two may be in the file, from an earlier run; a mains
// return between them leaves the run unbroken.
TEST(BatteryWatch, AnEarlyLowWithAHealthyVoltageTwiceRunningIsLearnt) {
  const std::vector<std::vector<std::string>> earlier = {
      {"2026-12-2", "9:0:0", "1", "40", "12.6", "", ""},
      {"2026-12-2", "9:0:30", "30", "40", "12.6", "", "Battery Low (Voltage Healthy)"},
      {"2026-12-3", "9:0:0", "1", "40", "12.6", "", ""},
      {"2026-12-3", "9:0:15", "15", "40", "12.6", "", "Mains Back"}};
  for (bool inTheFile : {false, true}) {
    WatchRig rig({40}, inTheFile ? earlier : std::vector<std::vector<std::string>>{});
    rig.Second(Reply(false, false, 40, 13.6));
    auto earlyLow = [&rig] {
      rig.Second(Reply(true, false, 40, 12.4));
      for (int second = 1; second < 30; ++second) rig.Second(Reply(true, false, 40, 12.6));
      for (int reply = 0; reply < BatteryWatch::kLowConfirmReplies; ++reply) rig.Second(Reply(true, true, 40, 11.5));
      rig.Second(Reply(false, false, 40, 13.6));
      return rig.Ends().back().substr(rig.Ends().back().find('|') + 1);
    };
    if (!inTheFile) {
      EXPECT_EQ(earlyLow(), "Battery Low (Voltage Healthy)");
    }
    EXPECT_EQ(rig.parts.battery.Model().Discharges(), 1u);
    EXPECT_EQ(earlyLow(), "Battery Low") << inTheFile;
    EXPECT_EQ(rig.parts.battery.Model().Discharges(), 2u);
  }
}

// What an outage drew comes back on mains at the cautious rate: a second
// outage ten minutes after a first starts with less than one an hour after,
// which starts with less than a full battery.
TEST(BatteryWatch, ASecondOutageStartsWithWhatTheFirstLeft) {
  WatchRig rig({40});
  rig.Second(Reply(false, false, 40, 13.6));
  const int full = rig.parts.battery.Runtime().seconds;
  for (int second = 0; second < 600; ++second) rig.Second(Reply(true, false, 40, 12.4));
  rig.Second(Reply(false, false, 40, 13.6));
  const int afterOutage = rig.parts.battery.Runtime().seconds;
  EXPECT_NEAR(afterOutage, full - 600, 60);  // the ten minutes drawn are owed
  for (int second = 1; second < 600; ++second) rig.Second(Reply(false, false, 40, 13.6));
  const int tenMinutesOn = rig.parts.battery.Runtime().seconds;
  for (int second = 0; second < 3000; ++second) rig.Second(Reply(false, false, 40, 13.6));
  const int anHourOn = rig.parts.battery.Runtime().seconds;
  EXPECT_GT(tenMinutesOn, afterOutage);
  EXPECT_GT(anHourOn, tenMinutesOn);
  EXPECT_LT(anHourOn, full);
  // A whole battery comes back in kFullRechargeSeconds: in an hour, a tenth of it.
  EXPECT_NEAR(anHourOn - afterOutage, full * 3600.0 / BatteryWatch::kFullRechargeSeconds, 30);
  rig.Second(Reply(true, false, 40, 12.4));
  EXPECT_EQ(rig.parts.battery.Runtime().seconds < full, true);  // the second outage begins short of full
}

// The battery's health: its capacity now against the first learnt for it,
// shown beside the estimate; below WeakBatteryPercent it is recorded and
// told once (REPLBATT to the commands); a new battery starts afresh.
namespace {

// A battery learnt new (at 40 %, unless other loads are given), then a
// discharge at 40 % lasting `lasted` of what a new one lasts, to a low (an
// aged battery).
struct AgedRig : WatchRig {
  AgedRig(double lasted, const std::string& weakPercent, std::initializer_list<double> learntAt = {40})
      : WatchRig(learntAt) {
    Settings("[Runtime]\nWeakBatteryPercent=" + weakPercent + "\n");
    Second(Reply(false, false, 40, 13.6));
    const int seconds = static_cast<int>(BatteryCell().SecondsUntilLow(40) * lasted);
    Second(Reply(true, false, 40, 12.4));
    for (int second = 1; second < seconds; ++second) Second(Reply(true, false, 40, 11.6));
    for (int reply = 0; reply < BatteryWatch::kLowConfirmReplies; ++reply) Second(Reply(true, true, 40, 10.9));
    Second(Reply(false, false, 40, 13.6));
  }
};

}  // namespace

// Learnt new at two loads, the second telling the laws apart (which is no
// change of the battery): its health after ageing is what it kept.
TEST(BatteryWatch, HealthIsWhatTheBatteryKeptWhateverTheLoadsItWasLearntAt) {
  EXPECT_GE(*WatchRig({30, 80}).parts.battery.HealthPercent(), 97);
  EXPECT_NEAR(*AgedRig(0.6, "10", {30, 80}).parts.battery.HealthPercent(), 60, 6);
}

TEST(BatteryWatch, HealthIsShownAndAWeakBatteryToldOnceBelowTheSetting) {
  const int health = *AgedRig(0.6, "10").parts.battery.HealthPercent();
  EXPECT_NEAR(health, 60, 8);
  for (const int setting : {health, health + 1}) {
    AgedRig rig(0.6, std::to_string(setting));
    rig.Second(Reply(false, false, 40, 13.6));
    EXPECT_NE(rig.display.runtime.find("; Battery health: " + std::to_string(health) + " %"), std::string::npos)
        << rig.display.runtime;
    const bool weak = health < setting;
    EXPECT_EQ(rig.Count("  Battery Weak: Replace Soon"), weak ? 1 : 0) << setting;
  }
  AgedRig twice(0.6, "95");
  EXPECT_EQ(twice.Count("  Battery Weak: Replace Soon"), 1);
  EXPECT_EQ(twice.commands.started.size(), 0u);  // no command set: nothing run, the balloon only
  EXPECT_EQ(std::string(NutName(PowerEventKind::BatteryWeak)), "REPLBATT");
}

TEST(BatteryWatch, ANewBatteryIsLearntAfreshNowAndAtTheNextStart) {
  AgedRig rig(0.6, "60");
  ASSERT_TRUE(rig.parts.battery.HealthPercent());
  rig.parts.battery.NewBattery();
  EXPECT_FALSE(rig.parts.battery.Model().Learnt());
  EXPECT_FALSE(rig.parts.battery.HealthPercent());
  EXPECT_EQ(rig.Count("  New Battery"), 1);
  voltaris::testing::EngineRig next;
  BatteryWatch again(next.timers, next.display, next.records, next.engine, next.clock);
  again.Start(rig.store);
  EXPECT_FALSE(again.Model().Learnt());
  rig.DischargeUntilLow(40);
  EXPECT_EQ(rig.parts.battery.HealthPercent(), 100);
}

// Started again after an outage (the program's own shutdown, the mains back
// an hour later): the file's last discharge says what is still owed, less
// the hour's recharge, never a full battery at once.
TEST(BatteryWatch, AProgramStartedAgainCarriesWhatTheLastOutageLeft) {
  const int full = [] {
    WatchRig fresh({40});
    fresh.Second(Reply(false, false, 40, 13.6));
    return fresh.parts.battery.Runtime().seconds;
  }();
  const std::vector<std::string> began = {"2026-12-8", "7:55:7", "1", "40", "12.6", "", ""};
  const struct {
    const char* why;
    std::vector<std::string> lastRow;
    double left;  // of a full battery's estimate
  } cases[] = {
      {"went low", {"2026-12-8", "8:5:7", "600", "40", "10.9", "", "Battery Low (Not Charged)"}, 0.1},
      {"went on when the program ended", {"2026-12-8", "8:5:7", "600", "40", "11.8", "", ""}, 0.1},
      {"cut short by the mains", {"2026-12-8", "8:5:7", "300", "40", "12.2", "", "Mains Back"}, 1.0},
      {"a time that cannot be read", {"2026-12-8", "8:5:x", "600", "40", "10.9", "", "Battery Low (Not Charged)"}, 0.0},
  };
  for (const auto& c : cases) {
    WatchRig rig({40}, {began, c.lastRow});
    rig.Second(Reply(false, false, 40, 13.6));
    const double drawn = c.lastRow[6] == "Mains Back" ? 300.0 / full : 0.0;
    const double expected = c.left == 1.0 ? full * (1.0 - drawn + 0.1) : full * c.left;
    EXPECT_NEAR(rig.parts.battery.Runtime().seconds, std::min<double>(expected, full), full * 0.03) << c.why;
  }
}

// A window on the service shows the health the service serves: a figure out
// of 0..100 (garbled, or not served) is left out, never shown.
TEST(BatteryWatch, HealthIsShownOnlyWithinItsRange) {
  EXPECT_EQ(WithHealth("about 3 min left", 72), "about 3 min left; Battery health: 72 %");
  EXPECT_EQ(WithHealth("", 0), "Battery health: 0 %");
  EXPECT_EQ(WithHealth("about 3 min left", 100), "about 3 min left; Battery health: 100 %");
  EXPECT_EQ(WithHealth("about 3 min left", -1), "about 3 min left");
  EXPECT_EQ(WithHealth("about 3 min left", 101), "about 3 min left");
}
