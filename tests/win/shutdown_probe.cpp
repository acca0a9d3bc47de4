// Calls ShutdownSystem, as the count-downs do at zero, and says what it returned
// (when it is still alive to say it).
#include <cstdio>

#include "power/system_shutdown_win.h"

int main() {
  std::printf("calling ShutdownSystem\n");
  std::fflush(stdout);
  const bool accepted = voltaris::ShutdownSystem();
  std::printf("ShutdownSystem returned %d\n", accepted ? 1 : 0);
  return accepted ? 0 : 1;
}
