// Every tick of the main window's timers goes to the one object that owns
// its number. Owners register their numbers once; the window only dispatches.
#pragma once

#include <map>

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
  // False for a number nobody owns (the tick is ignored).
  bool Dispatch(unsigned id) const {
    const auto it = owners_.find(id);
    if (it == owners_.end()) return false;
    it->second->OnTimer(id);
    return true;
  }

 private:
  std::map<unsigned, TimerOwner*> owners_;
};

}  // namespace voltaris
