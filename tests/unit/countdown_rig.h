// The rigs the count-down, notification, event-command, drill and power-state
// tests share: the whole program's parts on virtual time.
#pragma once

#include <string>
#include <vector>

#include "tests/unit/engine_fakes.h"

namespace voltaris::testing {

inline const std::string kHealthy = "(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000\r";
inline const std::string kMainsFailed = "(000.0 220.0 220.0 012 50.0 12.6 25.0 10001000\r";
inline const std::string kBatteryLow = "(220.0 220.0 220.0 012 50.0 10.6 25.0 01001000\r";
inline const std::string kBothFailed = "(000.0 220.0 220.0 012 50.0 10.6 25.0 11001000\r";

struct CountdownRig : EngineRig {
  explicit CountdownRig(const std::string& alarm = "CutACTimeMessage=5\nShutAlarmTimeMessage=10\nBatteryTime=5\n"
                                                   "BatteryEndTime=1\nAcInterruptlMessage=Attention!! AC  Failed\n"
                                                   "AcNormalMessage=AC Fail Recovered\n") {
    Settings("[AlarmMessage]\n" + alarm);
    engine.StartLink({0, 2400, 0, 4, 0});
    Run(1000);
    engine.OnSerialOpen(true);
  }
  void Reply(const std::string& reply) { engine.OnSerialRead(true, reply); }
  // Seconds of virtual time with the UPS answering `reply` before each tick.
  void RunWith(const std::string& reply, int seconds) {
    for (int i = 0; i < seconds; ++i) {
      Reply(reply);
      Run(1000);
    }
  }
  bool Open(CountdownWindow w) const { return views.IsOpen(w); }
  std::vector<std::string> Daily() {
    std::vector<std::string> rows;
    store.ReadAll(RecordTable::Daily, InfoOf(RecordTable::Daily).columns, [&rows](const auto& r) {
      rows.push_back(r[0] + "|" + r[1] + "|" + r[2] + "|" + r[3]);
    });
    return rows;
  }
};


inline const std::string kNotifyAlarm = "CutACTimeMessage=5\nShutAlarmTimeMessage=10\nBatteryTime=5\nBatteryEndTime=1\n"
                                 "AcInterruptlMessage=Attention!! AC  Failed\n";

inline std::string Env(const CommandRequest& request, const std::string& name) {
  for (const auto& [n, value] : request.environment) {
    if (n == name) return value;
  }
  return "<unset>";
}

struct NotifyRig : CountdownRig {
  explicit NotifyRig(const std::string& notify) : CountdownRig(kNotifyAlarm + "[Notify]\n" + notify) {
    parts.events.Listen([this](const PowerEvent& e) { heard.push_back(e); });
  }
  std::vector<PowerEvent> heard;
  int Heard(PowerEventKind kind) const {
    int n = 0;
    for (const auto& e : heard) n += e.kind == kind;
    return n;
  }
};

}  // namespace voltaris::testing
