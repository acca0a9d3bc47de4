// Every tick of the main window's timers goes to the one object that owns
// its number. Owners register their numbers once; the window only dispatches.
#pragma once

#include <algorithm>
#include <map>
#include <vector>

#include "base/timer_port.h"

namespace voltaris {

class TimerOwner {
 public:
  virtual ~TimerOwner() = default;
  virtual void OnTimer(unsigned id) = 0;
};

class TimerTable {
 public:
  // A number has one owner; a second registration of it is refused.
  bool Own(unsigned id, TimerOwner& owner) { return owners_.emplace(id, &owner).second; }
  const TimerOwner* OwnerOf(unsigned id) const {
    const auto it = owners_.find(id);
    return it == owners_.end() ? nullptr : it->second;
  }
  // Numbers someone armed or killed that were not theirs (refused), each
  // once: a trespass at every tick must not grow the list for as long as
  // the program runs.
  const std::vector<unsigned>& Trespasses() const { return trespasses_; }
  void NoteTrespass(unsigned id) const {
    if (std::find(trespasses_.begin(), trespasses_.end(), id) == trespasses_.end()) trespasses_.push_back(id);
  }
  // False for a number nobody owns (the tick is ignored).
  bool Dispatch(unsigned id) const {
    const auto it = owners_.find(id);
    if (it == owners_.end()) return false;
    it->second->OnTimer(id);
    return true;
  }

 private:
  std::map<unsigned, TimerOwner*> owners_;
  mutable std::vector<unsigned> trespasses_;
};

// The timers as one owner sees them: only the numbers it owns can be armed
// or killed through it, so that no object starts or stops another's action.
class OwnedTimers : public TimerPort {
 public:
  OwnedTimers(const TimerTable& table, TimerPort& timers) : table_(table), timers_(timers) {}
  // Once the owner exists (the port is made before it).
  void Bind(const TimerOwner& owner) { owner_ = &owner; }
  void Arm(unsigned id, unsigned periodMs) override {
    if (Mine(id)) timers_.Arm(id, periodMs);
  }
  void Kill(unsigned id) override {
    if (Mine(id)) timers_.Kill(id);
  }

 private:
  bool Mine(unsigned id) const {
    if (owner_ && table_.OwnerOf(id) == owner_) return true;
    table_.NoteTrespass(id);
    return false;
  }

  const TimerTable& table_;
  TimerPort& timers_;
  const TimerOwner* owner_ = nullptr;
};

}  // namespace voltaris
