// The keys of section Notify of UpsConfigure.ini: the tray's balloons, the
// commands run on power events, and the drill's count. Every key may be
// absent: balloons are then shown, no command runs, and a drill counts 30 s.
#pragma once

#include <string>

#include "config/config_file.h"
#include "config/settings.h"
#include "power/power_events.h"

namespace voltaris {

namespace section {
constexpr char kNotify[] = "Notify";
}

namespace key {
inline constexpr NumberKey kBalloons{section::kNotify, "Balloons", 0, 1, 1, {}, true};
inline constexpr NumberKey kCommandTimeLimit{section::kNotify, "CommandTimeLimit", 1, 3600, 60, {}, true};
inline constexpr NumberKey kDrillSeconds{section::kNotify, "DrillSeconds", 10, 600, 30, {}, true};
}  // namespace key

struct NotifySettings {
  bool balloons = true;
  int commandTimeLimitSeconds = key::kCommandTimeLimit.fallback;
  int drillSeconds = key::kDrillSeconds.fallback;
};
NotifySettings ReadNotifySettings(const ConfigFile& file);

// The command line run on an event: the key named after its kind
// ("MainsFailed=...") when present, else Command=; "" for none.
std::string CommandFor(const ConfigFile& file, PowerEventKind kind);

}  // namespace voltaris
