// The local date and time, read through an interface so that tests can set it.
#pragma once

namespace voltaris {

struct LocalDateTime {
  int year = 1970, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
  int weekday = 4;  // 0 Sunday .. 6 Saturday
};

class LocalClock {
 public:
  virtual ~LocalClock() = default;
  virtual LocalDateTime Now() const = 0;
};

class SystemLocalClock : public LocalClock {
 public:
  LocalDateTime Now() const override;
};

}  // namespace voltaris
