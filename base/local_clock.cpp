#include "base/local_clock.h"

#include <ctime>

namespace voltaris {

LocalDateTime SystemLocalClock::Now() const {
  const std::time_t now = std::time(nullptr);
  std::tm local = {};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
          local.tm_min,         local.tm_sec,     local.tm_wday};
}

}  // namespace voltaris
