// How long the battery will carry the load, learnt from this UPS's own
// discharges. A UPS that speaks the Q1 protocol never says how long it can
// run; the program sees every discharge (load and voltage each second until
// the battery reads low) and fits a law to them.
//
// The law is Peukert's, runtime = k * load^-n, two numbers per battery:
//   - it is what lead-acid batteries follow over the loads a UPS sees (a
//     battery gives less charge the faster it is drawn), so two discharges
//     at two loads pin it down, where a table per load band would need a
//     discharge in every band before it knew anything;
//   - with a load that changes during a discharge the charge drawn adds up
//     as the sum of seconds * load^n, so any discharge teaches it.
// After a light spell a heavier load has less left than the shares say: a
// battery's loss at a heavy load is partly charge left behind, a fixed
// amount whatever came before. What is drawn is then taken midway between
// the shares and the plain charge drawn (seconds * load) as the load now
// would draw it; never less than the shares.
// Until the discharges seen tell n apart (all at one load), every exponent
// that explains them is kept and the shortest of their answers is given: a
// light load is then estimated as if n were small, a heavy one as if it were
// large. A discharge that ends sooner than the law said (the battery has
// aged) scales every earlier one down to it at once (to half at most), so
// the next estimate already counts with the smaller battery; one that lasts
// longer only adds to the average.
//
// Limits: the charge an outage drew, and its return at a cautious rate, are
// the watcher's to count; a discharge that ends with the mains' return
// teaches nothing; temperature is not taken into account. Before the first
// discharge the estimate is a cautious first guess from the voltage per
// 12 V block and the load, shorter than any healthy battery lasts.
#pragma once

#include <cstddef>
#include <deque>
#include <vector>

namespace voltaris {

// A stretch of battery time at one load (percent of the UPS's rating).
struct LoadSpan {
  double seconds = 0;
  double loadPercent = 0;
};
// A discharge from the mains' failure on, as watched.
using DischargeTrace = std::vector<LoadSpan>;
// Adds battery time to a trace; a load like the last one's lengthens its
// span, so a trace grows with the load's changes, not with the seconds.
void AddBatteryTime(DischargeTrace& trace, double seconds, double loadPercent);
// The load a discharge ran at, on average over its time; 0 for none.
double MeanLoadOf(const DischargeTrace& trace);

class BatteryModel {
 public:
  static constexpr std::size_t kMostDischarges = 8;  // older ones describe an older battery

  // A discharge watched from the mains' failure until the battery read low.
  void Learn(const DischargeTrace& discharge);
  bool Learnt() const { return !discharges_.empty(); }
  // Whether the discharge ended in less than half the time the model
  // expected of it: an aged battery, or a battery-low signal that lied.
  bool MuchShorter(const DischargeTrace& discharge) const;
  std::size_t Discharges() const { return discharges_.size(); }

  // Seconds the battery has left at `loadPercent`, `sofar` into a discharge
  // (empty on mains), `owedShare` of it not yet recharged since an earlier
  // one. `voltsPerBlock` (the battery voltage per 12 V block) serves the
  // first guess, before any discharge is learnt.
  double SecondsLeft(double loadPercent, const DischargeTrace& sofar, double voltsPerBlock,
                     double owedShare = 0) const;
  // The share of the battery `discharge` drew, as the law that says the
  // most; 0 before any discharge is learnt.
  double ShareDrawn(const DischargeTrace& discharge) const;

 private:
  struct Law {
    double exponent;
    double logCapacity;  // log k, with the load as a fraction of the rating
  };
  void Fit();
  double FullRuntime(const Law& law, double loadPercent) const;
  double SharesDrawn(const Law& law, const DischargeTrace& sofar) const;
  double ChargeDrawnAt(const Law& law, double charge, double loadPercent) const;
  double FirstGuess(double loadPercent, double voltsPerBlock) const;

  struct Seen {
    DischargeTrace trace;
    double scale = 1.0;  // < 1 once a later discharge showed the battery smaller
  };
  // What the laws expected of a discharge: the share of their capacity it
  // drew (1 when the battery went low just as a law said).
  struct Shares {
    double least, most;
  };
  Shares SharesOfExpected(const DischargeTrace& discharge) const;

  std::deque<Seen> discharges_;
  std::vector<Law> laws_;
  double lightestLoad_ = 100.0;  // the lightest mean load of a discharge learnt  // every law that explains the discharges about as well as the best
};

}  // namespace voltaris
