// Prints the runtime estimate against the truth on discharges of the
// simulator's battery, under each of its two laws: Peukert's, which the
// estimate itself fits, and the kinetic one, which it does not.
//
// First, the error table: the model learns a new battery's discharges at
// 30 and 80 % load and is then tried, at loads between and outside those,
// on a steady load, after a load step, on a battery aged by a third (one
// discharge of it learnt) and on a second outage soon after a first. Each
// row gives the worst errors (estimate / truth - 1) each second over the
// first 75 % of the discharge (after a step: of the time left at the step,
// since no estimate foresees a step) and the goals it meets: within 15 %,
// and, at a steady load between the learnt ones, never more than 10 % long.
// Then, second by second, the estimate along a discharge at 50 %: before
// any discharge, after the two, and on the aged battery before and after
// its first discharge.
#include <algorithm>
#include <cstdio>
#include <string>

#include "power/battery_model.h"
#include "power/battery_watch.h"
#include "tools/upssim/battery_cell.h"
#include "tools/upssim/battery_discharge.h"

using voltaris::AddBatteryTime;
using voltaris::BatteryModel;
using voltaris::DischargeTrace;
using upssim::BatteryCell;
using upssim::BatteryLaw;
using upssim::DischargeUntilLow;
using upssim::Errors;
using upssim::ErrorsAlong;
using upssim::LoadProfile;

namespace {

constexpr double kAged = 2.0 / 3.0, kAgedLearntAt = 70;
constexpr double kLightLearnt = 30, kHeavyLearnt = 80;
constexpr double kPart = 0.75;
constexpr double kWithin = 0.15, kMostLong = 0.10;
// The second outage: the first ran this long at this load, then the mains
// came back for this long.
constexpr double kFirstOutageSeconds = 300, kFirstOutageLoad = 50, kMainsBackSeconds = 600;
constexpr int kRowsPerDischarge = 10;

const char* Name(BatteryLaw law) { return law == BatteryLaw::Kinetic ? "kinetic" : "Peukert"; }

BatteryModel LearntFresh(BatteryLaw law) {
  BatteryModel model;
  model.Learn(DischargeUntilLow(BatteryCell(1.0, law), kLightLearnt));
  model.Learn(DischargeUntilLow(BatteryCell(1.0, law), kHeavyLearnt));
  return model;
}

std::string LoadText(const LoadProfile& load) {
  char text[32];
  if (load.Steady()) {
    std::snprintf(text, sizeof text, "%.0f %%", load.first);
  } else {
    std::snprintf(text, sizeof text, "%.0f->%.0f %%", load.first, load.then);
  }
  return text;
}

// The goals a row meets: "yes"/"no", or "-" where a goal does not apply.
void PrintRow(const char* trial, const LoadProfile& load, const Errors& e) {
  const bool within = e.lowest >= -kWithin && e.highest <= kWithin;
  const bool between = load.Steady() && load.first > kLightLearnt && load.first < kHeavyLearnt;
  const char* notLong = !between ? "-" : e.highest <= kMostLong ? "yes" : "no";
  std::printf("%-37s %-9s %7.0fs %+9.1f%% %+9.1f%% %9s %11s\n", trial, LoadText(load).c_str(), e.lasts,
              e.lowest * 100, e.highest * 100, within ? "yes" : "no", notLong);
}

void PrintSteadyRows(const char* trial, const BatteryModel& model, const BatteryCell& cell, double owedShare = 0) {
  for (double load : {15.0, 50.0, 95.0}) PrintRow(trial, load, ErrorsAlong(model, cell, load, kPart, 0, owedShare));
}

void PrintStepRow(const BatteryModel& model, BatteryLaw law, double first, double then) {
  const BatteryCell cell(1.0, law);
  const LoadProfile load(first, cell.SecondsUntilLow(first) / 2, then);
  PrintRow("load step, halfway at the first", load, ErrorsAlong(model, cell, load, kPart, load.stepAt));
}

// The battery after the first outage and the mains' return, and the share
// the program counts as still owed then (as the battery watcher does).
void PrintSecondOutageRows(const BatteryModel& model, BatteryLaw law) {
  BatteryCell cell(1.0, law);
  cell.Discharge(kFirstOutageLoad, kFirstOutageSeconds);
  cell.Recharge(kMainsBackSeconds);
  DischargeTrace first;
  AddBatteryTime(first, kFirstOutageSeconds, kFirstOutageLoad);
  const double owed =
      std::max(model.ShareDrawn(first) - kMainsBackSeconds / voltaris::BatteryWatch::kFullRechargeSeconds, 0.0);
  PrintSteadyRows("2nd outage, 10 min after 5 min at 50%", model, cell, owed);
}

void PrintErrorTable(BatteryLaw law) {
  std::printf("\nError table, %s battery law (learnt: new battery, %.0f and %.0f %% to low)\n", Name(law),
              kLightLearnt, kHeavyLearnt);
  std::printf("%-37s %-9s %8s %10s %10s %9s %11s\n", "trial", "load", "lasts", "most short", "most long",
              "within15%", "<=10%long");
  BatteryModel model = LearntFresh(law);
  PrintSteadyRows("steady, new battery", model, BatteryCell(1.0, law));
  PrintStepRow(model, law, 30, 70);
  PrintStepRow(model, law, 70, 30);
  PrintSecondOutageRows(model, law);
  model.Learn(DischargeUntilLow(BatteryCell(kAged, law), kAgedLearntAt));
  PrintSteadyRows("aged 0.67, one discharge at 70 %", model, BatteryCell(kAged, law));
}

void PrintAlong(const char* title, const BatteryModel& model, BatteryCell cell, double load) {
  const double total = cell.SecondsUntilLow(load);
  std::printf("\n%s (load %.0f %%, lasts %.0f s)\n", title, load, total);
  std::printf("%10s %10s %10s %8s\n", "on battery", "true left", "estimated", "error");
  DischargeTrace sofar;
  int next = 0;
  for (double t = 0; t < total; t += 1.0) {
    if (t >= total * next / kRowsPerDischarge) {
      const double truth = total - t;
      const double estimate = model.SecondsLeft(load, sofar, cell.VoltsPerBlock(load));
      std::printf("%9.0fs %9.0fs %9.0fs %+7.1f%%\n", t, truth, estimate, (estimate / truth - 1) * 100);
      ++next;
    }
    cell.Discharge(load, 1.0);
    AddBatteryTime(sofar, 1.0, load);
  }
}

void PrintDischarges(BatteryLaw law) {
  constexpr double load = 50;
  std::printf("\n--- Along discharges, %s battery law ---\n", Name(law));
  PrintAlong("New battery, before any discharge (first guess)", BatteryModel(), BatteryCell(1.0, law), load);
  BatteryModel model = LearntFresh(law);
  PrintAlong("New battery, after discharges at 30 and 80 %", model, BatteryCell(1.0, law), load);
  PrintAlong("Aged battery (a third of its capacity lost), not yet seen", model, BatteryCell(kAged, law), load);
  model.Learn(DischargeUntilLow(BatteryCell(kAged, law), kAgedLearntAt));
  PrintAlong("Aged battery, after one discharge of it at 70 %", model, BatteryCell(kAged, law), load);
}

}  // namespace

int main() {
  std::printf("Worst errors (estimate / truth - 1), each second over the first 75 %% of a discharge\n"
              "(after a load step: of the time left at the step); -100 %% is an estimate run out\n"
              "while the battery still had time left.\n");
  for (BatteryLaw law : {BatteryLaw::Peukert, BatteryLaw::Kinetic}) PrintErrorTable(law);
  for (BatteryLaw law : {BatteryLaw::Peukert, BatteryLaw::Kinetic}) PrintDischarges(law);
  return 0;
}
