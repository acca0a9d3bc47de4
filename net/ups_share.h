// The UPS shared with other computers: the variables published each second,
// and, for the shutdown gate, the secondaries logged in and the forced
// shutdown (FSD) shown to them.
#pragma once

#include "base/timer_port.h"
#include "base/timer_table.h"
#include "net/network_settings.h"
#include "net/share_port.h"
#include "power/battery_watch.h"
#include "power/power_engine.h"
#include "power/record_keeper.h"
#include "power/secondaries_port.h"

namespace voltaris {

// The variables of the UPS as the protocol names them. `answering`: the UPS
// answers on its link (otherwise the data is stale, unless a forced
// shutdown is being announced, which secondaries must still read).
// `runtime` gives battery.runtime (seconds) while known, `runtimeLowSeconds`
// battery.runtime.low (the margin the shutdown on the estimate keeps).
ShareSnapshot MakeShareSnapshot(const UpsStatus& status, const BatteryReading& battery, bool answering,
                                bool forcedShutdown, const RuntimeEstimate& runtime = {}, int runtimeLowSeconds = 0);

struct ShareState {
  bool listening = false;
  bool notStartedRecorded = false;
  bool offWhileFollowingRecorded = false;  // the UPS is followed over the network: nothing to serve
  bool forcedShutdown = false;  // shown until a shutdown is refused, as secondaries expect
  long lastAcceptedReplies = -1;
  int publishesWithoutReply = 0;  // the UPS answered no status query for this many seconds
};

// On the user-interface thread.
class UpsShare : public TimerOwner, public SecondariesPort {
 public:
  static constexpr unsigned kPublishMs = 1000;
  // An address that cannot be used yet (a network not up at start, a port
  // still held) is tried again this often.
  static constexpr unsigned kListenRetryMs = 10000;

  UpsShare(TimerPort& timers, SharePort& server, RecordKeeper& records, const ConfigFile& config,
           const PowerEngine& engine, const RuntimeSource* runtime = nullptr);
  void OwnTimers(TimerTable& table);

  // Program start: listens when the settings switch the server on.
  void Start();
  // Another link chosen while the program runs: a UPS followed over the
  // network is not served from here; leaving it serves ours again.
  void OnLinkChanged();
  void OnTimer(unsigned id) override;
  // Nobody is logged in while the server is not listening.
  size_t LoggedIn() const override { return state_.listening ? server_.LoggedIn() : 0; }
  int WaitSeconds() const override { return settings_.hostSyncSeconds; }
  void AnnounceForcedShutdown(bool announce) override;

  const ShareState& State() const { return state_; }
  const NetworkSettings& Settings() const { return settings_; }

 private:
  // A reply not accepted for this long makes the data stale, even while
  // the link counts as up (noise on a line keeps it up).
  static constexpr int kStaleAfterPublishes = 5;

  void TryListening();
  void Publish();
  void NoteReplies();

  TimerPort& timers_;
  SharePort& server_;
  RecordKeeper& records_;
  const ConfigFile& config_;
  const PowerEngine& engine_;
  const RuntimeSource* runtime_;
  NetworkSettings settings_;
  ShareState state_;
};

}  // namespace voltaris
