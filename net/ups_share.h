// The UPS shared with other computers: the variables published each second,
// and the primary's duty at the end of a count-down. Before this computer
// shuts down, the UPS is shown in forced shutdown (FSD) and the secondaries
// are given up to HostSync seconds to log out, so they go down first.
#pragma once

#include <functional>

#include "power/engine_ports.h"
#include "power/power_engine.h"
#include "power/record_keeper.h"
#include "base/timer_table.h"
#include "net/network_settings.h"
#include "net/share_port.h"
#include "power/countdown_ports.h"

namespace voltaris {

// The variables of the UPS as the protocol names them. `answering`: the UPS
// answers on its link (otherwise the data is stale, unless a forced
// shutdown is being announced, which secondaries must still read).
ShareSnapshot MakeShareSnapshot(const UpsStatus& status, const BatteryReading& battery, bool answering,
                                bool forcedShutdown);

struct ShareState {
  bool listening = false;
  bool notStartedRecorded = false;
  bool forcedShutdown = false;  // shown until a shutdown is refused, as secondaries expect
  bool waiting = false;         // for the secondaries, before the shutdown
  bool released = false;        // the secondaries had their time: what follows goes on at once
  bool shutdownAsked = false;   // a count-down's end waits for the secondaries
  bool switchOffPending = false;  // the schedule's switch-off goes first; its end shuts down
  bool upsSwitchingOff = false;   // a switch-off reached the UPS: the forced shutdown stays shown
  size_t loggedInAtFsd = 0;
  unsigned waitedMs = 0;
  long lastAcceptedReplies = -1;
  int publishesWithoutReply = 0;  // the UPS answered no status query for this many seconds
};

// On the user-interface thread; it stands between the count-downs and the
// system's shutdown.
class UpsShare : public TimerOwner, public ShutdownPort {
 public:
  static constexpr unsigned kPublishMs = 1000;
  static constexpr unsigned kHostSyncPollMs = 250;
  // An address that cannot be used yet (a network not up at start, a port
  // still held) is tried again this often.
  static constexpr unsigned kListenRetryMs = 10000;

  UpsShare(TimerPort& timers, SharePort& server, RecordKeeper& records, const ConfigFile& config,
           const PowerEngine& engine, ShutdownPort& system);
  void OwnTimers(TimerTable& table);

  // Program start: listens when the settings switch the server on.
  void Start();
  void OnTimer(unsigned id) override;
  // The end of a count-down: secondaries first, then this computer.
  void EndAndShutDown() override;
  void SwitchOffThenShutDown(std::function<void()> sendSwitchOff) override;
  void SwitchOffDone(bool reachedUps) override;
  // Windows refused to shut down and the program goes on: the forced
  // shutdown is no longer announced, unless the UPS is switching off.
  void ShutdownRefused();
  // Secondaries are being waited for, or the UPS being told to switch off:
  // nothing may take the shutdown back.
  bool ShutdownUnderWay() const { return state_.waiting || state_.switchOffPending; }

  const ShareState& State() const { return state_; }
  const NetworkSettings& Settings() const { return settings_; }

 private:
  // A reply not accepted for this long makes the data stale, even while
  // the link counts as up (noise on a line keeps it up).
  static constexpr int kStaleAfterPublishes = 5;

  void TryListening();
  void Publish();
  void NoteReplies();
  void BeginWaiting();
  void WaitForSecondaries();
  void FinishWaiting(Text event);

  TimerPort& timers_;
  SharePort& server_;
  RecordKeeper& records_;
  const ConfigFile& config_;
  const PowerEngine& engine_;
  ShutdownPort& system_;
  NetworkSettings settings_;
  ShareState state_;
  std::function<void()> sendSwitchOff_;  // waits for the secondaries
};

}  // namespace voltaris
