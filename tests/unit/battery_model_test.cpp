// The runtime estimate against discharges of the simulator's battery (the
// same code the simulated UPS runs), second by second as the program sees them.
#include <gtest/gtest.h>

#include <cmath>

#include "power/battery_model.h"
#include "tools/upssim/battery_cell.h"

using namespace voltaris;
using upssim::BatteryCell;

namespace {

// A whole discharge at a steady load, from full until the battery reads low.
DischargeTrace DischargeUntilLow(BatteryCell cell, double load) {
  DischargeTrace trace;
  while (!cell.Low(load)) {
    cell.Discharge(load, 1.0);
    AddBatteryTime(trace, 1.0, load);
  }
  return trace;
}

BatteryModel LearntAt(std::initializer_list<double> loads, double age = 1.0) {
  BatteryModel model;
  for (double load : loads) model.Learn(DischargeUntilLow(BatteryCell(age), load));
  return model;
}

// The worst error (estimate / truth - 1) over the first `part` of a discharge,
// the lowest and the highest.
struct Errors {
  double lowest = 0, highest = 0;
};
Errors ErrorsAlong(const BatteryModel& model, BatteryCell cell, double load, double part) {
  const double total = cell.SecondsUntilLow(load);
  DischargeTrace sofar;
  Errors errors{1e9, -1e9};
  for (double t = 0; t < total * part; t += 1.0) {
    const double truth = total - t;
    const double error = model.SecondsLeft(load, sofar, cell.VoltsPerBlock(load)) / truth - 1.0;
    errors.lowest = std::min(errors.lowest, error);
    errors.highest = std::max(errors.highest, error);
    cell.Discharge(load, 1.0);
    AddBatteryTime(sofar, 1.0, load);
  }
  return errors;
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
}
