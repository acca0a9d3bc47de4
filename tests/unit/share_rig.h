// The UPS shared over the network on virtual time: the rig and the readers of
// what the share published, for the share's tests and the shutdown gate's.
#pragma once

#include <string>
#include <vector>

#include "net/ups_share.h"
#include "tests/unit/engine_fakes.h"

namespace voltaris::testing {


inline const std::string kHealthy = "(230.0 229.0 229.0 035 50.0 12.8 25.0 00001000\r";
inline const std::string kMainsFailed = "(000.0 229.0 229.0 035 50.0 12.0 25.0 10001000\r";
inline const std::string kBatteryLowOnMains = "(230.0 229.0 229.0 035 50.0 10.6 25.0 01001000\r";
inline const std::string kRating = "#220.0 002 12.00 50.0\r";

inline std::string StatusOf(const ShareSnapshot& snapshot) {
  for (const auto& [name, value] : snapshot.variables) {
    if (name == "ups.status") return value;
  }
  return "(none)";
}

inline bool FsdEverPublished(const std::vector<ShareSnapshot>& published) {
  for (const ShareSnapshot& snapshot : published) {
    if (StatusOf(snapshot).rfind("FSD", 0) == 0) return true;
  }
  return false;
}

inline std::string ValueOf(const ShareSnapshot& snapshot, const std::string& wanted) {
  for (const auto& [name, value] : snapshot.variables) {
    if (name == wanted) return value;
  }
  return "(none)";
}

inline UpsStatus Parsed(LinkKind link, const std::string& reply) {
  UpsStatus status;
  EXPECT_TRUE(ParseStatusReply(link, reply, status).accepted);
  ParseRatingReply(LinkKind::Serial, kRating, status);
  ApplyStatusBits(status);
  return status;
}

// The variables as the share publishes them: the battery read from the
// status as the engine reads it at each reply.
inline ShareSnapshot Snapshot(LinkKind link, UpsStatus status, bool answering, bool forcedShutdown) {
  const BatteryReading battery = ComputeBatteryPercent(link, status);
  return MakeShareSnapshot(status, battery, answering, forcedShutdown);
}

struct ShareRig : EngineRig {
  explicit ShareRig(const std::string& network = "Enabled=1\nHostSync=2\n", bool listens = true,
                    const std::string& alarm = "CutACTimeMessage=1\nBatteryTime=1\n") {
    share.listens = listens;
    Settings("[AlarmMessage]\n" + alarm + "[Network]\n" + network);
    engine.StartLink({0, 2400, 0, 4, 0});
    Run(1000);
    engine.OnSerialOpen(true);
    parts.share.Start();
  }
  // Seconds of virtual time with the UPS answering `reply` before each tick.
  void RunWith(const std::string& reply, int seconds) {
    for (int i = 0; i < seconds; ++i) {
      engine.OnSerialRead(true, reply);
      Run(1000);
    }
  }
};

}  // namespace voltaris::testing
