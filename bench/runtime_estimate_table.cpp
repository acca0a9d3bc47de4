// Prints the runtime estimate against the truth along discharges of the
// simulator's battery: the estimate as the program makes it each second
// (the model learnt from discharges watched to battery low), the truth as
// the battery itself would last. A fresh battery after two discharges at 30
// and 80 % load, estimated at 50 %; then the same battery aged by a third,
// before and after its first discharge.
#include <cstdio>

#include "power/battery_model.h"
#include "tools/upssim/battery_cell.h"
#include "tools/upssim/battery_discharge.h"

using voltaris::AddBatteryTime;
using voltaris::BatteryModel;
using voltaris::DischargeTrace;
using upssim::BatteryCell;
using upssim::DischargeUntilLow;

namespace {

constexpr int kRowsPerDischarge = 10;

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

}  // namespace

int main() {
  const double aged = 2.0 / 3.0, load = 50;
  BatteryModel model;
  PrintAlong("Fresh battery, before any discharge (first guess)", model, BatteryCell(), load);
  model.Learn(DischargeUntilLow(BatteryCell(), 30));
  model.Learn(DischargeUntilLow(BatteryCell(), 80));
  PrintAlong("Fresh battery, after discharges at 30 and 80 %", model, BatteryCell(), load);
  PrintAlong("Aged battery (a third of its capacity lost), not yet seen", model, BatteryCell(aged), load);
  model.Learn(DischargeUntilLow(BatteryCell(aged), 70));
  PrintAlong("Aged battery, after one discharge of it at 70 %", model, BatteryCell(aged), load);
  return 0;
}
