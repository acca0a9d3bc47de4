#include "power/power_events.h"

namespace voltaris {

const char* KindName(PowerEventKind kind) {
  switch (kind) {
    case PowerEventKind::MainsFailed: return "MainsFailed";
    case PowerEventKind::MainsBack: return "MainsBack";
    case PowerEventKind::BatteryLow: return "BatteryLow";
    case PowerEventKind::UpsLost: return "UpsLost";
    case PowerEventKind::UpsFound: return "UpsFound";
    case PowerEventKind::ShutdownWarning: return "ShutdownWarning";
    case PowerEventKind::Shutdown: return "Shutdown";
    case PowerEventKind::ForcedShutdown: return "ForcedShutdown";
    case PowerEventKind::SelfTestStarted: return "SelfTestStarted";
    case PowerEventKind::SelfTestEnded: return "SelfTestEnded";
    case PowerEventKind::RecordsWaiting: return "RecordsWaiting";
    case PowerEventKind::BatteryWeak: return "BatteryWeak";
  }
  return "";
}

const char* NutName(PowerEventKind kind) {
  switch (kind) {
    case PowerEventKind::MainsFailed: return "ONBATT";
    case PowerEventKind::MainsBack: return "ONLINE";
    case PowerEventKind::BatteryLow: return "LOWBATT";
    case PowerEventKind::UpsLost: return "COMMBAD";
    case PowerEventKind::UpsFound: return "COMMOK";
    case PowerEventKind::Shutdown: return "SHUTDOWN";
    case PowerEventKind::ForcedShutdown: return "FSD";
    case PowerEventKind::BatteryWeak: return "REPLBATT";
    default: return "";
  }
}

}  // namespace voltaris
