// The timers of the main window as the portable code arms them: the Win32
// layer implements them with window timers, the tests with virtual time.
#pragma once

namespace voltaris {

class TimerPort {
 public:
  virtual ~TimerPort() = default;
  // Arming an armed timer restarts it.
  virtual void Arm(unsigned id, unsigned periodMs) = 0;
  virtual void Kill(unsigned id) = 0;
};

}  // namespace voltaris
