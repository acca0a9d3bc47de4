// Asks for the shutdown as the program does once a count-down ends: the
// documented way first, then, when the session is still there seconds
// later, the second way. Says what each returned (while alive to say it).
#include <windows.h>

#include <cstdio>

#include "power/system_shutdown_win.h"
#include "power/timer_ids.h"

int main() {
  const voltaris::ShutdownRequest request = voltaris::ShutdownRequestFor(voltaris::ShutdownReason::BatteryLow);
  std::printf("calling ShutdownSystem\n");
  std::fflush(stdout);
  const bool accepted = voltaris::ShutdownSystem(request);
  std::printf("ShutdownSystem returned %d\n", accepted ? 1 : 0);
  std::fflush(stdout);
  if (!accepted) return 1;
  Sleep(voltaris::kShutdownConfirmMs);
  std::printf("still running: asking the second way\n");
  std::fflush(stdout);
  const bool forced = voltaris::ForceSystemShutdown(request);
  std::printf("ForceSystemShutdown returned %d\n", forced ? 1 : 0);
  return forced ? 0 : 1;
}
