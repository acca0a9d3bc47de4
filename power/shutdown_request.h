// What Windows is told when it is asked to shut down: the reason code its
// own log (event 1074) and the shutdown tracker file the shutdown under,
// and the sentence that says why in that log.
#pragma once

#include <cstdint>

#include "i18n/catalogue.h"
#include "power/power_state.h"

namespace voltaris {

// The SHTDN_REASON_* values, kept here without <windows.h>; the Win32 side
// checks them against its headers.
constexpr uint32_t kShutdownMajorPower = 0x00060000;
constexpr uint32_t kShutdownMinorEnvironment = 0x0000000c;
constexpr uint32_t kShutdownFlagPlanned = 0x80000000;

struct ShutdownRequest {
  uint32_t reasonCode = kShutdownMajorPower | kShutdownMinorEnvironment;
  Text why = Text::ShutdownWhyMainsFailed;
};

// Every cause is the power's; only the schedule's shutdown was planned.
ShutdownRequest ShutdownRequestFor(ShutdownReason reason);

}  // namespace voltaris
