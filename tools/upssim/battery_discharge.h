// A whole discharge of the simulator's battery at a steady load, from full
// until it reads low, as the trace the runtime model learns from: what the
// model's tests and its measurement both feed it.
#pragma once

#include "power/battery_model.h"
#include "tools/upssim/battery_cell.h"

namespace upssim {

inline voltaris::DischargeTrace DischargeUntilLow(BatteryCell cell, double load) {
  voltaris::DischargeTrace trace;
  while (!cell.Low(load)) {
    cell.Discharge(load, 1.0);
    voltaris::AddBatteryTime(trace, 1.0, load);
  }
  return trace;
}

}  // namespace upssim
