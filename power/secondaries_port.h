// The computers that follow this UPS over the network (secondaries), as the
// shutdown gate sees them. The network share implements it; while no server
// runs, nobody is logged in.
#pragma once

#include <cstddef>

namespace voltaris {

class SecondariesPort {
 public:
  virtual ~SecondariesPort() = default;
  // Secondaries logged in now.
  virtual size_t LoggedIn() const = 0;
  // The longest wait, in seconds, for them to log out (HostSync).
  virtual int WaitSeconds() const = 0;
  // Shows the UPS in forced shutdown (FSD), or takes that back.
  virtual void AnnounceForcedShutdown(bool announce) = 0;
};

}  // namespace voltaris
