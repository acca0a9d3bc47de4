// The network client's Winsock side: one thread owns the connection to the
// server and the client that talks over it, and hands what the client
// reports to the user-interface thread through a callback that posts it.
// Nothing of the thread's is shared but its stop flag.
//
// A host given as an address is connected at once. A name is looked up on
// a helper thread of its own, because a name lookup can wait on the network
// for many seconds and cannot be cut short: the follower goes on ticking the
// client meanwhile (its reply limit bounds the lookup as it bounds the
// connect), and Stop leaves an unfinished lookup behind to end by itself.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>
#include <thread>

#include "config/settings.h"
#include "net/nut_client.h"
#include "ups/served_ups.h"

namespace voltaris {

// What the follower hands the user-interface thread, one piece at a time.
struct NetworkNews {
  enum class Kind { Readings, Answering, Refused, CommandDone } kind = Kind::Readings;
  ServedReadings readings;                              // Readings
  bool answering = false;                               // Answering; CommandDone: the server took it
  ServedRefusal refusal = ServedRefusal::AccessDenied;  // Refused
  unsigned commandId = 0;                               // CommandDone
};

// Instant commands on their way from the user-interface thread to the
// follower's: the one thing the two share, under its lock.
class FollowerCommands {
 public:
  void Put(unsigned id, const std::string& instantCommand);
  std::vector<std::pair<unsigned, std::string>> Take();

 private:
  std::mutex lock_;
  std::vector<std::pair<unsigned, std::string>> waiting_;
};

class NutFollower {
 public:
  // While it connects, waits for a reply (or, seldom, for room to send),
  // the thread looks at the network this often at the most. Between two
  // requests it sleeps until the client is due, the server closes or it is
  // woken (a stop, a command): under Wine each wake costs, and ten a second made most of the
  // program's processor time while following.
  static constexpr long kWakeMs = 100;
  // The first pause when a reply has not come (or not all of it), doubled
  // each time nothing more has come, up to kWakeMs.
  static constexpr long kFirstReplyPauseMs = 2;
  // The longest sleep even so, should a wake-up be lost.
  static constexpr long kLongestSleepMs = 1000;
  // The longest a closing connection waits to send what is queued and to
  // hear the server close its end (so that a LOGOUT is read, not reset).
  static constexpr long kCloseMs = 400;
  // The longest Stop() takes: a wake, then a close.
  static constexpr long kStopMs = kWakeMs + kCloseMs + 100;

  // Called on the follower's thread: the caller posts it to its window (it must not block).
  using Deliver = std::function<void(NetworkNews)>;

  explicit NutFollower(NutClientLimits limits = {}) : limits_(limits) {}
  ~NutFollower() { Stop(); }
  NutFollower(const NutFollower&) = delete;
  NutFollower& operator=(const NutFollower&) = delete;

  // Starts following (stops a previous run first). False when the thread or Winsock could not start.
  bool Start(const NetworkUpsSettings& settings, Deliver deliver);
  // Sends LOGOUT when logged in (so that a primary's wait for this computer
  // ends at once), lets it go out, closes the connection and joins the thread.
  void Stop();
  bool Running() const { return thread_.joinable(); }
  // From the user-interface thread: an instant command (a self-test) for
  // the UPS, sent between two polls; its answer comes back as CommandDone.
  // False while nothing is followed.
  bool Command(unsigned id, const std::string& instantCommand);
  // From the user-interface thread: whether every reading is wanted now, or
  // only those that differ from the last one handed on (see ReadingPace).
  void EveryReading(bool every) { pace_.EveryReading(every); }

 private:
  NutClientLimits limits_;
  bool winsockStarted_ = false;
  // The events the thread sleeps on (HANDLEs, kept without <windows.h>):
  // set from this side, `wake_` wakes it; `closed_` is the connection's,
  // set by Winsock when the server closes it.
  void* wake_ = nullptr;
  void* closed_ = nullptr;
  void Wake() const;
  std::atomic<bool> stopping_{false};
  FollowerCommands commands_;
  ReadingPace pace_;
  bool Passes(const NetworkNews& news);
  std::thread thread_;
};

}  // namespace voltaris
