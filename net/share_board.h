// What the user-interface thread and the network server's thread share: the
// latest variables of the UPS, written by the first, and how many secondaries
// are logged in, written by the second. Each side holds the lock only to
// copy a value in or out.
#pragma once

#include <mutex>

#include "net/nut_protocol.h"

namespace voltaris {

class ShareBoard {
 public:
  void Publish(ShareSnapshot snapshot) {
    std::lock_guard<std::mutex> lock(mutex_);
    snapshot_ = std::move(snapshot);
  }
  ShareSnapshot Read() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return snapshot_;
  }
  void SetLoggedIn(size_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    loggedIn_ = count;
  }
  size_t LoggedIn() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return loggedIn_;
  }

 private:
  mutable std::mutex mutex_;
  ShareSnapshot snapshot_;
  size_t loggedIn_ = 0;
};

}  // namespace voltaris
