#include "power/notify_settings.h"

namespace voltaris {

NotifySettings ReadNotifySettings(const ConfigFile& file) {
  NotifySettings s;
  s.balloons = ReadNumber(file, key::kBalloons) != 0;
  s.commandTimeLimitSeconds = ReadNumber(file, key::kCommandTimeLimit);
  s.drillSeconds = ReadNumber(file, key::kDrillSeconds);
  return s;
}

// A kind's own key, even empty, wins: "MainsBack=" with Command= set runs
// nothing when the mains come back.
std::string CommandFor(const ConfigFile& file, PowerEventKind kind) {
  if (auto own = file.ReadWholeValue(section::kNotify, KindName(kind))) return *own;
  return file.ReadWholeValue(section::kNotify, "Command").value_or("");
}

}  // namespace voltaris
