// The runtime estimate against discharges of the simulator's battery (the
// same code the simulated UPS runs), second by second as the program sees them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "power/battery_model.h"
#include "tools/upssim/battery_cell.h"
#include "tools/upssim/battery_discharge.h"

using namespace voltaris;
using upssim::BatteryCell;
using upssim::BatteryLaw;
using upssim::DischargeUntilLow;
using upssim::Errors;
using upssim::ErrorsAlong;

namespace {

BatteryModel LearntAt(std::initializer_list<double> loads, double age = 1.0, BatteryLaw law = BatteryLaw::Peukert) {
  BatteryModel model;
  for (double load : loads) model.Learn(DischargeUntilLow(BatteryCell(age, law), load));
  return model;
}

}  // namespace

TEST(BatteryModel, TwoDischargesAtTwoLoadsEstimateAThirdLoadWithin15Percent) {
  const BatteryModel model = LearntAt({30, 80});
  for (double load : {12.0, 50.0, 95.0}) {
    const Errors e = ErrorsAlong(model, BatteryCell(), load, 0.75);
    EXPECT_GT(e.lowest, -0.15) << "load " << load;
    EXPECT_LT(e.highest, 0.15) << "load " << load;
  }
}

// A battery of the kinetic law, which is no power law at all: at a steady
// load between the two learnt, the estimate still keeps within 15 % and is
// never more than 10 % long (measured: 4 to 14 % short).
TEST(BatteryModel, AKineticBatteryBetweenTheLearntLoadsIsEstimatedWithin15PercentNeverLong) {
  const BatteryModel model = LearntAt({30, 80}, 1.0, BatteryLaw::Kinetic);
  for (double load : {40.0, 50.0, 65.0}) {
    const Errors e = ErrorsAlong(model, BatteryCell(1.0, BatteryLaw::Kinetic), load, 0.75);
    EXPECT_GT(e.lowest, -0.15) << "load " << load;
    EXPECT_LE(e.highest, 0.10) << "load " << load;
  }
  // A step from 30 to 70 % halfway: the battery has less left for the heavy
  // load than the law's shares say (they said up to twice the truth), and
  // more than its plain charge says.
  const BatteryCell cell(1.0, BatteryLaw::Kinetic);
  const upssim::LoadProfile step(30, cell.SecondsUntilLow(30) / 2, 70);
  const Errors e = ErrorsAlong(model, cell, step, 0.75, step.stepAt);
  EXPECT_GT(e.lowest, -0.15);
  EXPECT_LE(e.highest, 0.10);
}

// A third of the capacity lost: the first discharge of the aged battery goes
// low early, and the estimate of the next one, at another load, is short of
// the truth all along instead of long.
TEST(BatteryModel, AnAgedBatteryIsCaughtWithinOneDischarge) {
  const double aged = 2.0 / 3.0;
  BatteryModel model = LearntAt({30, 80});
  EXPECT_GT(ErrorsAlong(model, BatteryCell(aged), 60, 0.1).highest, 0.3);  // before: far too long
  model.Learn(DischargeUntilLow(BatteryCell(aged), 60));
  for (double load : {40.0, 60.0, 90.0}) {
    const Errors e = ErrorsAlong(model, BatteryCell(aged), load, 0.75);
    EXPECT_LE(e.highest, 0.0) << "load " << load;
    EXPECT_GT(e.lowest, -0.15) << "load " << load;
  }
}

// A battery that lost two thirds at once (or a discharge cut short by a
// signal that lied): the model shrinks by half, no more, at one discharge.
TEST(BatteryModel, NoOneDischargeShrinksTheBatteryByMoreThanHalf) {
  BatteryModel model = LearntAt({40});
  const double before = model.SecondsLeft(40, {}, 13.0);
  model.Learn(DischargeUntilLow(BatteryCell(1.0 / 3.0), 40));
  const double after = model.SecondsLeft(40, {}, 13.0);
  EXPECT_NEAR(after / before, 0.5, 0.02);
}

// The eight latest discharges describe the battery; a ninth drops the first.
TEST(BatteryModel, KeepsTheEightLatestDischarges) {
  const BatteryModel model = LearntAt({30, 40, 50, 60, 70, 80, 30, 40, 50});
  EXPECT_EQ(model.Discharges(), BatteryModel::kMostDischarges);
  EXPECT_EQ(BatteryModel::kMostDischarges, 8u);
}

// All discharges at one load: the exponent is unknown, so a lighter load is
// not promised the runtime a large one would give it.
TEST(BatteryModel, OneLoadSeenKeepsOtherLoadsShortOfTheTruth) {
  const BatteryModel model = LearntAt({50, 50});
  for (double load : {15.0, 30.0, 70.0, 100.0}) EXPECT_LE(ErrorsAlong(model, BatteryCell(), load, 0.75).highest, 0.0);
}

// Before any discharge: never longer than the simulator's default battery
// lasts, fresh from full, at any load.
TEST(BatteryModel, TheFirstGuessIsNeverLongerThanTheDefaultBattery) {
  const BatteryModel model;
  EXPECT_FALSE(model.Learnt());
  for (double load = 0; load <= 120; load += 5) {
    const BatteryCell cell;
    const double guess = model.SecondsLeft(load, {}, cell.VoltsPerBlock(load));
    EXPECT_GT(guess, 0) << "load " << load;
    EXPECT_LE(guess, cell.SecondsUntilLow(load)) << "load " << load;
  }
  for (double load : {10.0, 50.0, 100.0}) EXPECT_LE(ErrorsAlong(model, BatteryCell(), load, 1.0).highest, 0.0);
}
