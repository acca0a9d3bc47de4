#include "power/shutdown_request.h"

namespace voltaris {

namespace {

Text WhyOf(ShutdownReason reason) {
  switch (reason) {
    case ShutdownReason::MainsFailed: return Text::ShutdownWhyMainsFailed;
    case ShutdownReason::BatteryLow: return Text::ShutdownWhyBatteryLow;
    case ShutdownReason::RuntimeLow: return Text::ShutdownWhyRuntimeLow;
    case ShutdownReason::Manual: return Text::ShutdownWhyManual;
    case ShutdownReason::Schedule: return Text::ShutdownWhySchedule;
    case ShutdownReason::ServerForced: return Text::ShutdownWhyServerForced;
  }
  return Text::ShutdownWhyMainsFailed;
}

}  // namespace

ShutdownRequest ShutdownRequestFor(ShutdownReason reason) {
  ShutdownRequest request;
  if (reason == ShutdownReason::Schedule) request.reasonCode |= kShutdownFlagPlanned;
  request.why = WhyOf(reason);
  return request;
}

}  // namespace voltaris
