// Watches the battery each second (following a served UPS, at each of its
// readings): while the UPS is on battery it follows
// the discharge (load, voltage, time since the mains failed), writes it to
// BatteryRecord.csv, and when the battery reads low it teaches the discharge
// to the battery model; every second it estimates the runtime left, for the
// gauge panel, the tray tip, the count-down, the history rows, the network
// share and the shutdown on the estimate.
//
// BatteryRecord.csv holds a row at the failure's first second, one every
// kRowEverySeconds after (the mean load since the last row), and one at the
// end, marked "Battery Low" (a discharge learnt, once battery low has held
// over kLowConfirmReplies replies) or "Mains Back" (cut short, not learnt). At start
// the discharges it holds are learnt again.
#pragma once

#include <deque>
#include <optional>
#include <string>

#include "base/timer_table.h"
#include "config/config_file.h"
#include "power/battery_model.h"
#include "power/engine_ports.h"
#include "power/power_engine.h"
#include "power/power_events.h"
#include "power/record_keeper.h"
#include "records/record_text.h"

namespace voltaris {

struct RuntimeEstimate {
  bool known = false;      // the UPS answers: there is a reading to estimate from
  bool onBattery = false;  // the mains have failed: the seconds count down
  bool learnt = false;     // from this UPS's own discharges, not the first guess
  int seconds = 0;
  // The same at the load averaged over the last kMeanLoadSeconds: what the
  // shutdown on the estimate acts on, so that a load spike (a printer
  // warming up) does not end the count.
  int secondsAtMeanLoad = 0;
  int healthPercent = -1;  // the battery's capacity against its first learnt; -1: not known yet
};

// Who reads the estimate: the count-down, the history rows, the network share.
class RuntimeSource {
 public:
  virtual ~RuntimeSource() = default;
  virtual RuntimeEstimate Runtime() const = 0;
};

// "about 14 min left" on battery, "about 40 min on battery" on mains,
// followed by " (not yet learnt)" for a first guess; nothing while unknown.
std::string RuntimeText(const RuntimeEstimate& estimate);
// What the gauge panel shows: the estimate as RuntimeText has it, then the
// battery's health where it is known, 0..100 ("; Battery health: 72 %").
std::string WithHealth(const std::string& runtimeText, int healthPercent);
std::string GaugeRuntimeText(const RuntimeEstimate& estimate);
// The history rows' last column: whole minutes ("14 min"), or nothing.
std::string RuntimeColumn(const RuntimeEstimate& estimate);

class BatteryWatch : public TimerOwner, public RuntimeSource {
 public:
  static constexpr unsigned kTickMs = 1000;
  // Following a UPS served over the network, the estimate follows each
  // reading as it comes; the tick is then only a stay against news missed.
  static constexpr unsigned kServedTickMs = 10000;
  static constexpr int kRowEverySeconds = 10;
  // Battery low ends a discharge once this many replies running have said so
  // (a reply missed repeats the last: it says nothing new).
  static constexpr int kLowConfirmReplies = 3;
  static constexpr size_t kMeanLoadSeconds = 30;
  static constexpr char kLowMark[] = "Battery Low";
  static constexpr char kMainsBackMark[] = "Mains Back";
  // A discharge that began with the battery below this under load (an
  // outage soon after another) went low early for want of charge, not of
  // capacity: it is recorded but not learnt.
  static constexpr char kLowNotChargedMark[] = "Battery Low (Not Charged)";
  // Much shorter than the estimate while the voltage under load still read
  // healthy (at least kEndVoltsPerBlock): the battery-low signal, not the
  // battery, is taken to be wrong; recorded, not learnt. The next discharge
  // to low that does the same is learnt ("Battery Low").
  static constexpr char kLowVoltageHealthyMark[] = "Battery Low (Voltage Healthy)";
  static constexpr double kEndVoltsPerBlock = 11.5;
  // A battery replaced: what was learnt before is put aside from this row on.
  static constexpr char kNewBatteryMark[] = "New Battery";
  static constexpr double kChargedVoltsPerBlock = 12.0;
  // What an outage drew comes back on mains linearly, a whole battery in
  // this time: slower than small UPSes' chargers are rated (90 % in 4 to 8
  // hours), so that a second outage is never taken to start fuller than it does.
  static constexpr int kFullRechargeSeconds = 10 * 3600;
  // A discharge that began with more than this share still owed began on a
  // battery not charged: recorded, not learnt.
  static constexpr double kChargedOwedShare = 0.05;

  BatteryWatch(TimerPort& timers, GaugePort& gauges, RecordKeeper& records, const PowerEngine& engine,
               const LocalClock& clock)
      : timers_(timers), gauges_(gauges), records_(records), engine_(engine), clock_(clock) {}
  void OwnTimers(TimerTable& table);
  // Where a weak battery is told: once, when its health falls below the
  // setting; without this, it is only shown.
  void WarnWhenWeak(const ConfigFile& config, const PowerEvents& events) {
    config_ = &config;
    events_ = &events;
  }
  // Learns the discharges recorded before and starts watching.
  void Start(RecordStore& store);
  // The battery was replaced: recorded, and learnt afresh from its first discharge.
  void NewBattery();
  // The learnt capacity against the first learnt for this battery, in whole
  // percent (at most 100); nothing before a discharge is learnt.
  std::optional<int> HealthPercent() const;
  void OnTimer(unsigned id) override;
  // The engine took what a server said, or the link kind changed.
  void OnServedNews();

  RuntimeEstimate Runtime() const override { return estimate_; }
  const BatteryModel& Model() const { return model_; }

 private:
  enum class Phase { OnMains, OnBattery, BatteryLow };

  // The last discharge of BatteryRecord.csv, as read at the start.
  struct LastDischarge {
    DischargeTrace trace;
    std::string end;  // its end mark; empty: it has none
    std::optional<LocalDateTime> at;  // its last row's
    bool seen = false;
  };
  void Learn(RecordStore& store);
  double OwedAtStart(const LastDischarge& discharge) const;
  void Tick(double unseenSeconds);
  void ArmForLink();
  void FollowDischarge(const UpsStatus& status);
  void EndDischarge(const char* mark);
  void Learnt(const DischargeTrace& discharge);
  void ForgetBattery();
  bool Weak() const;  // its health below the setting
  void TellIfWeak();
  double FullSecondsAtReference() const;
  const char* LowMark() const;
  void NoteEnd(const std::string& mark);
  void WriteRow(const char* mark);
  double VoltsPerBlock() const;
  double MeanLoad() const;

  TimerPort& timers_;
  GaugePort& gauges_;
  RecordKeeper& records_;
  const PowerEngine& engine_;
  const LocalClock& clock_;
  BatteryModel model_;
  Phase phase_ = Phase::OnMains;
  unsigned tickMs_ = 0;  // the tick's period as armed; 0: not started
  DischargeTrace discharge_;  // since the mains failed
  int secondsOnBattery_ = 0;
  int lowReplies_ = 0;  // running, with the battery reading low
  long repliesSeen_ = 0;  // the engine's count of status replies at the last tick
  bool chargedAtStart_ = false;
  bool lastLowWasHealthy_ = false;  // the last discharge to low ended "Battery Low (Voltage Healthy)"
  double owedShare_ = 0;  // of the battery, drawn by earlier outages and not recharged yet
  double load_ = 0;           // the last reading's
  std::deque<double> recentLoads_;  // one a second, the last kMeanLoadSeconds
  double loadSinceRow_ = 0;   // load-seconds since the last row
  int secondsSinceRow_ = 0;
  RuntimeEstimate estimate_;
  // The battery's health compares its runtime, full, at the mean load of the
  // first discharge learnt for it with what it was then.
  double baselineLoad_ = 0;     // the first learnt discharge's mean load
  double baselineSeconds_ = 0;  // FullSecondsAtReference once the first discharge was learnt; 0: none yet
  bool weakTold_ = false;
  const ConfigFile* config_ = nullptr;
  const PowerEvents* events_ = nullptr;
};

}  // namespace voltaris
