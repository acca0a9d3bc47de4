#include "power/battery_watch.h"

#include <algorithm>
#include <cmath>

#include "base/number_text.h"
#include "config/settings.h"
#include "i18n/catalogue.h"
#include "power/timer_ids.h"

namespace voltaris {
namespace {

constexpr int kSecondsPerMinute = 60;
constexpr double kVoltsPerBlockOfRating = 12.0;
constexpr size_t kDateColumn = 0, kTimeColumn = 1, kSecondsColumn = 2, kLoadColumn = 3, kEndColumn = 6;

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string RuntimeText(const RuntimeEstimate& estimate) {
  if (!estimate.known) return "";
  const int minutes = estimate.seconds / kSecondsPerMinute;  // whole minutes: never more than there is
  std::string text;
  if (!estimate.onBattery) {
    text = Tr(Text::RuntimeAbout) + std::to_string(minutes) + Tr(Text::RuntimeMinutesOnBattery);
  } else if (minutes < 1) {
    text = Tr(Text::RuntimeUnderAMinute);
  } else {
    text = Tr(Text::RuntimeAbout) + std::to_string(minutes) + Tr(Text::RuntimeMinutesLeft);
  }
  return estimate.learnt ? text : text + Tr(Text::RuntimeNotLearnt);
}

std::string WithHealth(const std::string& runtimeText, int healthPercent) {
  if (healthPercent < 0 || healthPercent > 100) return runtimeText;
  return runtimeText + (runtimeText.empty() ? "" : "; ") + Tr(Text::BatteryHealth) + std::to_string(healthPercent) +
         " %";
}

std::string GaugeRuntimeText(const RuntimeEstimate& estimate) {
  return WithHealth(RuntimeText(estimate), estimate.healthPercent);
}

std::string RuntimeColumn(const RuntimeEstimate& estimate) {
  return estimate.known ? std::to_string(estimate.seconds / kSecondsPerMinute) + " min" : "";
}

void BatteryWatch::OwnTimers(TimerTable& table) { table.Own(kTimerBatteryWatch, *this); }

void BatteryWatch::Start(RecordStore& store) {
  Learn(store);
  // Told at an earlier run, or not to be told twice: only a fall from here on is.
  weakTold_ = Weak();
  ArmForLink();
}

// A served UPS's battery is not followed second by second here (its server
// says its runtime): waking each second for it would only cost the computer.
void BatteryWatch::ArmForLink() {
  const unsigned period = engine_.Link() == LinkKind::Network ? kServedTickMs : kTickMs;
  if (period == tickMs_) return;
  tickMs_ = period;
  timers_.Arm(kTimerBatteryWatch, period);
}

void BatteryWatch::OnServedNews() {
  if (tickMs_ == 0) return;  // not started
  if (engine_.Link() == LinkKind::Network) Tick(0);  // news, not time: no second has passed for it
  ArmForLink();
}

void BatteryWatch::NewBattery() {
  const LocalDateTime now = clock_.Now();
  records_.AppendBatteryRow({PlainDate(now), PlainTime(now), "0", "", "", "", kNewBatteryMark});
  records_.AppendEvent(Tr(Text::NewBatteryEvent));
  ForgetBattery();
  owedShare_ = 0;
  weakTold_ = false;
  NoteEnd(kNewBatteryMark);
}

void BatteryWatch::ForgetBattery() {
  model_ = BatteryModel{};
  baselineSeconds_ = 0;
}

// The first discharge learnt of a battery sets what its health is measured
// against, at its own mean load: there every law that fits it agrees, so a
// later discharge at another load, which tells the laws apart, moves the
// figure only as much as the battery has changed.
void BatteryWatch::Learnt(const DischargeTrace& discharge) {
  model_.Learn(discharge);
  if (baselineSeconds_ > 0 || !model_.Learnt()) return;  // an empty discharge teaches nothing
  baselineLoad_ = MeanLoadOf(discharge);
  baselineSeconds_ = FullSecondsAtReference();
}

double BatteryWatch::FullSecondsAtReference() const {
  return model_.SecondsLeft(baselineLoad_, {}, kChargedVoltsPerBlock);
}

std::optional<int> BatteryWatch::HealthPercent() const {
  if (!model_.Learnt() || baselineSeconds_ <= 0) return std::nullopt;
  return std::min(static_cast<int>(std::lround(100.0 * FullSecondsAtReference() / baselineSeconds_)), 100);
}

bool BatteryWatch::Weak() const {
  const std::optional<int> health = HealthPercent();
  return config_ && health && *health < ReadRuntimeSettings(*config_).weakBatteryPercent;
}

void BatteryWatch::TellIfWeak() {
  if (weakTold_ || !Weak()) return;
  weakTold_ = true;
  records_.AppendEvent(Tr(Text::BatteryWeakEvent));
  if (events_) events_->Announce({PowerEventKind::BatteryWeak, Tr(Text::BatteryWeakEvent)});
}

void BatteryWatch::OnTimer(unsigned) {
  Tick(tickMs_ / 1000.0);
  ArmForLink();
}

// The rows give each stretch's mean load and where it ended; a discharge
// counts when its last row says the battery went low.
void BatteryWatch::Learn(RecordStore& store) {
  DischargeTrace trace;
  int last = 0;
  LastDischarge lastSeen;
  store.ReadAll(RecordTable::Battery, InfoOf(RecordTable::Battery).columns, [&](const std::vector<std::string>& row) {
    const int seconds = static_cast<int>(LeadingInteger(row[kSecondsColumn]));
    if (seconds <= last) trace.clear();  // a discharge whose end was not recorded
    if (seconds > last) AddBatteryTime(trace, seconds - last, LeadingDouble(row[kLoadColumn]));
    last = seconds;
    const std::string& end = row[kEndColumn];
    if (end == kNewBatteryMark) ForgetBattery();
    if (end == kLowMark) Learnt(trace);
    NoteEnd(end);
    lastSeen = {trace, end, ReadPlainDateTime(row[kDateColumn], row[kTimeColumn]), true};
    if (!end.empty()) {
      trace.clear();
      last = 0;
    }
  });
  owedShare_ = OwedAtStart(lastSeen);
}

// What the file's last discharge left owed, less what the charger brought
// back since its last row. One without an end went on when this program
// ended (its own shutdown): the battery is taken to have run down, as one
// that went low did. A last row whose time cannot be read gets nothing back.
double BatteryWatch::OwedAtStart(const LastDischarge& discharge) const {
  if (!discharge.seen || discharge.end == kNewBatteryMark) return 0;
  const bool ranDown = discharge.end.empty() || discharge.end == kLowMark || discharge.end == kLowNotChargedMark;
  const double owed = ranDown ? 1.0 : std::min(model_.ShareDrawn(discharge.trace), 1.0);
  if (!discharge.at) return owed;
  const double since = static_cast<double>(clock_.UtcNow() - clock_.FirstInstantShowing(*discharge.at));
  return std::clamp(owed - std::max(since, 0.0) / kFullRechargeSeconds, 0.0, 1.0);
}

// `unseenSeconds`: the time since the last tick, which a discharge the UPS
// does not report on goes on taking.
void BatteryWatch::Tick(double unseenSeconds) {
  const UpsStatus& status = engine_.Status();
  const bool reading = engine_.UpsAnswering() && engine_.AcceptedStatusReplies() > 0;
  if (reading) {
    load_ = status.loadPercent;
    recentLoads_.push_back(load_);
    if (recentLoads_.size() > kMeanLoadSeconds) recentLoads_.pop_front();
    // A served UPS's battery voltage comes without its rating: its
    // discharges cannot teach the model, which reckons per 12 V block.
    if (!status.chargeServed) FollowDischarge(status);
  } else if (phase_ == Phase::OnBattery && unseenSeconds > 0) {
    AddBatteryTime(discharge_, unseenSeconds, load_);  // the battery goes on running down unseen
    secondsOnBattery_ += static_cast<int>(unseenSeconds);
  }
  estimate_ = RuntimeEstimate{};
  // A server that does not give the runtime leaves nothing to estimate from
  // (its battery voltage comes without a rating): no line, rather than a
  // false figure.
  const bool unknowable = status.chargeServed && !status.servedRuntimeSeconds;
  if (reading && !unknowable) {
    estimate_.known = true;
    estimate_.onBattery = status.mainsFailed;
    estimate_.learnt = model_.Learnt();
    const bool low = phase_ == Phase::BatteryLow;  // confirmed: one reply's flag may be a glitch
    const DischargeTrace sofar = phase_ == Phase::OnBattery ? discharge_ : DischargeTrace{};
    const auto secondsAt = [&](double load) {
      return low ? 0 : static_cast<int>(model_.SecondsLeft(load, sofar, VoltsPerBlock(), owedShare_));
    };
    estimate_.seconds = secondsAt(load_);
    estimate_.secondsAtMeanLoad = secondsAt(MeanLoad());
    // A UPS served over the network says its own runtime: better than ours.
    if (status.servedRuntimeSeconds) {
      estimate_.seconds = estimate_.secondsAtMeanLoad = *status.servedRuntimeSeconds;
      estimate_.learnt = true;
    }
  }
  estimate_.healthPercent = HealthPercent().value_or(-1);
  gauges_.ShowRuntime(GaugeRuntimeText(estimate_));
}

void BatteryWatch::FollowDischarge(const UpsStatus& status) {
  if (!status.mainsFailed) {
    if (phase_ == Phase::OnBattery) EndDischarge(kMainsBackMark);
    phase_ = Phase::OnMains;
    owedShare_ = std::max(owedShare_ - 1.0 / kFullRechargeSeconds, 0.0);
    return;
  }
  if (phase_ == Phase::OnMains) {
    phase_ = Phase::OnBattery;
    discharge_.clear();
    secondsOnBattery_ = 0;
    lowReplies_ = 0;
    loadSinceRow_ = 0;
    secondsSinceRow_ = 0;
    chargedAtStart_ = VoltsPerBlock() >= kChargedVoltsPerBlock && owedShare_ <= kChargedOwedShare;
  }
  if (phase_ != Phase::OnBattery) return;  // low already: the discharge is over
  ++secondsOnBattery_;
  AddBatteryTime(discharge_, 1, load_);
  loadSinceRow_ += load_;
  ++secondsSinceRow_;
  // A voltage dip at a load step, or one flipped bit on the line, reads as
  // battery low for a reply: ended on that, the discharge would teach the
  // model a battery a fraction of its size.
  const long replies = engine_.AcceptedStatusReplies();
  if (replies != repliesSeen_) lowReplies_ = status.batteryLow ? lowReplies_ + 1 : 0;
  repliesSeen_ = replies;
  if (lowReplies_ >= kLowConfirmReplies) {
    EndDischarge(LowMark());
  } else if (secondsOnBattery_ == 1 || secondsOnBattery_ % kRowEverySeconds == 0) {
    WriteRow("");
  }
}

// A row's end mark, as written now or read at the start, the same way: a
// mains return leaves the run of early lows as it was, any other end
// (a low, a new battery) starts it afresh or goes on with it.
void BatteryWatch::NoteEnd(const std::string& mark) {
  if (!mark.empty() && mark != kMainsBackMark) lastLowWasHealthy_ = mark == kLowVoltageHealthyMark;
}

// A battery-low signal that comes early twice running is the UPS's own
// rule, not a glitch: the time to it is the time the computer has.
const char* BatteryWatch::LowMark() const {
  if (!chargedAtStart_) return kLowNotChargedMark;
  const bool healthy = model_.MuchShorter(discharge_) && VoltsPerBlock() >= kEndVoltsPerBlock;
  if (healthy && !lastLowWasHealthy_) return kLowVoltageHealthyMark;
  return kLowMark;
}

// What the discharge drew is owed until the charger brings it back: a
// battery that went low owes all of it (not one whose signal lied).
void BatteryWatch::EndDischarge(const char* mark) {
  WriteRow(mark);
  const bool low = mark != kMainsBackMark;
  NoteEnd(mark);
  const bool empty = mark == kLowMark || mark == kLowNotChargedMark;
  owedShare_ = empty ? 1.0 : std::min(owedShare_ + model_.ShareDrawn(discharge_), 1.0);
  if (mark == kLowMark) {
    Learnt(discharge_);
    TellIfWeak();
  }
  phase_ = low ? Phase::BatteryLow : Phase::OnMains;
}

void BatteryWatch::WriteRow(const char* mark) {
  const LocalDateTime now = clock_.Now();
  const double load = secondsSinceRow_ > 0 ? loadSinceRow_ / secondsSinceRow_ : load_;
  records_.AppendBatteryRow({PlainDate(now), PlainTime(now), std::to_string(secondsOnBattery_),
                             std::to_string(std::lround(load)), Trimmed(engine_.Status().batteryVoltageText),
                             std::to_string(engine_.Battery().gaugePosition), mark});
  loadSinceRow_ = 0;
  secondsSinceRow_ = 0;
}

double BatteryWatch::MeanLoad() const {
  if (recentLoads_.empty()) return load_;
  double sum = 0;
  for (double load : recentLoads_) sum += load;
  return sum / static_cast<double>(recentLoads_.size());
}

// A UPS that has not said its rated voltage yet counts as one block.
double BatteryWatch::VoltsPerBlock() const {
  const UpsStatus& status = engine_.Status();
  const double blocks = LeadingDouble(status.ratedBatteryVoltageText) / kVoltsPerBlockOfRating;
  return LeadingDouble(status.batteryVoltageText) / (blocks > 0 ? blocks : 1.0);
}

}  // namespace voltaris
