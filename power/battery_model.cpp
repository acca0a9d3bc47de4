#include "power/battery_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace voltaris {
namespace {

// Lead-acid exponents lie between 1.0 and 1.4; a little room either side.
constexpr double kLowestExponent = 0.9, kHighestExponent = 1.6, kExponentStep = 0.01;
// A law whose spread (RMS of log k over the discharges) is within this of
// the best one's explains them as well, given the noise of a real discharge.
constexpr double kFitTolerance = 0.01;
// A discharge this much shorter than expected shows an aged battery rather
// than the noise of one discharge.
constexpr double kShortBy = 0.03;
// No one discharge shrinks the battery to less than this share of what it
// was: a battery ages over months, and a discharge that says otherwise may
// have ended on a glitch; a truly failing one shrinks again at the next.
constexpr double kLeastScale = 0.5;
// A discharge that drew less than this share of what even the most hopeful
// law expected is much shorter than the estimate.
constexpr double kMuchShorterShare = 0.5;
// Below the lightest load seen, runtime is taken to grow no faster than the
// load falls: the inverter's own draw, which the law does not know, weighs
// more and more there.
constexpr double kLightExponent = 1.0;
// A load reads as at least this, so that no load is no reason for no end.
constexpr double kLeastLoadPercent = 2.0;
// What is told is this much of what the law says: a reserve for the law's
// own error, so that a battery does not go low at the estimate's last minute.
constexpr double kCaution = 0.97;
// The first guess: a small UPS whose battery lasts 3 minutes at full load,
// linear in the load (lighter loads gain more in truth), from the charge
// the voltage under load shows between these two points (the lower one well
// above where batteries read low, so that the guess runs out first).
constexpr double kGuessFullLoadSeconds = 180.0, kGuessLeastLoadPercent = 10.0;
constexpr double kGuessFullVoltsPerBlock = 12.8, kGuessEmptyVoltsPerBlock = 11.5;

double Fraction(double loadPercent) { return std::max(loadPercent, kLeastLoadPercent) / 100.0; }

// The charge drawn, in seconds at full load, for a law of exponent n.
double Drawn(const DischargeTrace& trace, double exponent) {
  double drawn = 0;
  for (const LoadSpan& span : trace) drawn += span.seconds * std::pow(Fraction(span.loadPercent), exponent);
  return drawn;
}

}  // namespace

double MeanLoadOf(const DischargeTrace& trace) {
  double seconds = 0, weighted = 0;
  for (const LoadSpan& span : trace) {
    seconds += span.seconds;
    weighted += span.seconds * span.loadPercent;
  }
  return seconds > 0 ? weighted / seconds : 0;
}

void AddBatteryTime(DischargeTrace& trace, double seconds, double loadPercent) {
  if (!trace.empty() && trace.back().loadPercent == loadPercent) {
    trace.back().seconds += seconds;
  } else {
    trace.push_back({seconds, loadPercent});
  }
}

// The share of their capacity `discharge` drew under the laws kept, the
// least and the most (the law that gave the shortest estimate expected the
// most of it).
BatteryModel::Shares BatteryModel::SharesOfExpected(const DischargeTrace& discharge) const {
  Shares shares{std::numeric_limits<double>::infinity(), 0.0};
  for (const Law& law : laws_) {
    const double share = Drawn(discharge, law.exponent) / std::exp(law.logCapacity);
    shares.least = std::min(shares.least, share);
    shares.most = std::max(shares.most, share);
  }
  return shares;
}

bool BatteryModel::MuchShorter(const DischargeTrace& discharge) const {
  return !laws_.empty() && SharesOfExpected(discharge).most < kMuchShorterShare;
}

void BatteryModel::Learn(const DischargeTrace& discharge) {
  if (Drawn(discharge, 1.0) <= 0) return;
  double ownScale = 1.0;
  if (!laws_.empty()) {
    // Low before even the shortest estimate said: the battery is smaller
    // than every law thought, by as much as the most hopeful one thought,
    // and by half at most: a shorter discharge counts as that half.
    const Shares shares = SharesOfExpected(discharge);
    if (shares.most < 1.0 - kShortBy) {
      const double shrink = std::max(shares.least, kLeastScale);
      for (Seen& earlier : discharges_) earlier.scale *= shrink;
      ownScale = shrink / shares.least;
    }
  }
  discharges_.push_back({discharge, ownScale});
  while (discharges_.size() > kMostDischarges) discharges_.pop_front();
  lightestLoad_ = 100.0;
  for (const Seen& d : discharges_) lightestLoad_ = std::min(lightestLoad_, MeanLoadOf(d.trace));
  Fit();
}

void BatteryModel::Fit() {
  struct Trial {
    double exponent, mean, spread;
  };
  std::vector<Trial> trials;
  double best = std::numeric_limits<double>::infinity();
  for (double n = kLowestExponent; n <= kHighestExponent + 1e-9; n += kExponentStep) {
    double sum = 0, squares = 0;
    for (const Seen& d : discharges_) {
      const double logCapacity = std::log(Drawn(d.trace, n) * d.scale);
      sum += logCapacity;
      squares += logCapacity * logCapacity;
    }
    const double count = static_cast<double>(discharges_.size());
    const double mean = sum / count;
    const double spread = std::sqrt(std::max(squares / count - mean * mean, 0.0));
    trials.push_back({n, mean, spread});
    best = std::min(best, spread);
  }
  laws_.clear();
  for (const Trial& t : trials) {
    if (t.spread <= best + kFitTolerance) laws_.push_back({t.exponent, t.mean});
  }
}

double BatteryModel::FirstGuess(double loadPercent, double voltsPerBlock) const {
  const double charge = std::clamp((voltsPerBlock - kGuessEmptyVoltsPerBlock) /
                                       (kGuessFullVoltsPerBlock - kGuessEmptyVoltsPerBlock),
                                   0.0, 1.0);
  return charge * kGuessFullLoadSeconds * 100.0 / std::max(loadPercent, kGuessLeastLoadPercent);
}

// Seconds a full battery lasts at the load under the law.
double BatteryModel::FullRuntime(const Law& law, double loadPercent) const {
  const double capacity = std::exp(law.logCapacity);
  const double load = Fraction(loadPercent), lightest = Fraction(lightestLoad_);
  const double full = capacity / std::pow(load, law.exponent);
  if (load >= lightest) return full;
  return std::min(full, capacity / std::pow(lightest, law.exponent) * std::pow(lightest / load, kLightExponent));
}

// The share of the battery a discharge has drawn so far: each second at a
// load takes the share of the full runtime at that load.
double BatteryModel::SharesDrawn(const Law& law, const DischargeTrace& sofar) const {
  double share = 0;
  for (const LoadSpan& span : sofar) share += span.seconds / FullRuntime(law, span.loadPercent);
  return share;
}

// The same share reckoned as plain charge (load-seconds), as the load now
// would draw it. A battery's loss at a heavy load is partly charge lost and
// partly charge left behind, which a heavy load cannot draw fast enough
// whatever came before: after a light spell, a heavier load has less left
// than the shares say, and more than the plain charge says.
// `charge`: Drawn(sofar, 1.0), the same under every law.
double BatteryModel::ChargeDrawnAt(const Law& law, double charge, double loadPercent) const {
  return charge / (FullRuntime(law, loadPercent) * Fraction(loadPercent));
}

double BatteryModel::ShareDrawn(const DischargeTrace& discharge) const {
  double most = 0;
  for (const Law& law : laws_) most = std::max(most, SharesDrawn(law, discharge));
  return most;
}

double BatteryModel::SecondsLeft(double loadPercent, const DischargeTrace& sofar, double voltsPerBlock,
                                 double owedShare) const {
  if (laws_.empty()) return FirstGuess(loadPercent, voltsPerBlock);
  const double charge = Drawn(sofar, 1.0);
  double shortest = std::numeric_limits<double>::infinity();
  for (const Law& law : laws_) {
    // The middle of the two reckonings, never less drawn than the shares say
    // (after a heavy spell the plain charge says less, and the battery's
    // recovery is not counted on).
    const double shares = SharesDrawn(law, sofar);
    const double drawn = std::max(shares, (shares + ChargeDrawnAt(law, charge, loadPercent)) / 2);
    const double shareLeft = 1.0 - owedShare - drawn;
    shortest = std::min(shortest, FullRuntime(law, loadPercent) * shareLeft);
  }
  return std::max(shortest * kCaution, 0.0);
}

}  // namespace voltaris
