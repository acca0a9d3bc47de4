// Real USB units: the HID class's device interfaces, enumerated through
// SetupAPI, matched against the known units by their ids, and opened for
// overlapped I/O so that every wait on them has its time-out.
#pragma once

#include <optional>

#include "quillon/usb_transport.h"
#include "quillon/usb_units.h"

namespace quillon {

// The first HID unit present that the settings know; nothing when none is,
// or, when the only ones are refused, the first of those without a device
// (FoundUnit::refused).
std::optional<FoundUnit> FindHidUnit(const LinkSettings& settings);

}  // namespace quillon
