// The network server as the user-interface thread sees it: it listens, takes
// the latest variables and says how many secondaries are logged in. The
// Win32 server implements it; the tests use a fake.
#pragma once

#include <cstddef>

#include "net/network_settings.h"
#include "net/nut_protocol.h"

namespace voltaris {

class SharePort {
 public:
  virtual ~SharePort() = default;
  // Starts serving; false when the address and port cannot be used.
  virtual bool Listen(const NetworkSettings& settings) = 0;
  virtual void Publish(const ShareSnapshot& snapshot) = 0;
  virtual size_t LoggedIn() const = 0;
  // Closes every connection and the listening socket.
  virtual void Stop() = 0;
};

}  // namespace voltaris
