// Discharges of the simulator's battery as the runtime model sees them:
// the trace it learns from, and its estimate against the truth along one.
// What the model's tests and its measurement both use.
#pragma once

#include <algorithm>

#include "power/battery_model.h"
#include "tools/upssim/battery_cell.h"

namespace upssim {

// A whole discharge at a steady load, from full until it reads low.
inline voltaris::DischargeTrace DischargeUntilLow(BatteryCell cell, double load) {
  voltaris::DischargeTrace trace;
  while (!cell.Low(load)) {
    cell.Discharge(load, 1.0);
    voltaris::AddBatteryTime(trace, 1.0, load);
  }
  return trace;
}

// A discharge's load: steady, or one step from `first` to `then` at `stepAt`
// seconds.
struct LoadProfile {
  LoadProfile(double steady) : first(steady), then(steady) {}  // NOLINT: a steady load reads as one
  LoadProfile(double before, double stepSeconds, double after) : first(before), then(after), stepAt(stepSeconds) {}
  double At(double seconds) const { return seconds < stepAt ? first : then; }
  bool Steady() const { return first == then; }

  double first, then, stepAt = 0;
};

// Seconds until the battery reads low under the load, from now.
inline double SecondsUntilLow(BatteryCell cell, const LoadProfile& load) {
  constexpr double kLongest = 48 * 3600.0;
  double seconds = 0;
  for (; !cell.Low(load.At(seconds)) && seconds < kLongest; seconds += 1.0) cell.Discharge(load.At(seconds), 1.0);
  return seconds;
}

// The estimate's error (estimate / truth - 1) each second of a discharge,
// the lowest and the highest, and how long the discharge lasted.
struct Errors {
  double lowest = 1e9, highest = -1e9, lasts = 0;
};

// Along a discharge of `cell` under `load`, from `from` seconds on (as after
// a load step, which no estimate can foresee) through `part` of the time left
// then; the model counting `owedShare` of the battery not recharged yet.
inline Errors ErrorsAlong(const voltaris::BatteryModel& model, BatteryCell cell, const LoadProfile& load,
                          double part, double from = 0, double owedShare = 0) {
  Errors errors;
  errors.lasts = SecondsUntilLow(cell, load);
  const double until = from + (errors.lasts - from) * part;
  voltaris::DischargeTrace sofar;
  for (double t = 0; t < until; t += 1.0) {
    const double now = load.At(t);
    if (t >= from) {
      const double error = model.SecondsLeft(now, sofar, cell.VoltsPerBlock(now), owedShare) / (errors.lasts - t) - 1.0;
      errors.lowest = std::min(errors.lowest, error);
      errors.highest = std::max(errors.highest, error);
    }
    cell.Discharge(now, 1.0);
    voltaris::AddBatteryTime(sofar, 1.0, now);
  }
  return errors;
}

}  // namespace upssim
