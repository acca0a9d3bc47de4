// The UPS's self-tests: ten seconds, and until the battery is low, each with
// its progress window, its event and its note for the history; and their
// cancel. The commands go to the UPS through the monitor as control
// commands, never dropped behind the queries.
#pragma once

#include "events/engine_ports.h"
#include "events/history_recorder.h"
#include "schedule/countdowns.h"

namespace voltaris {

struct SelfTestState {
  static constexpr int kTenSeconds = 10;
  int tenSecondRemaining = kTenSeconds;
  bool running = false;  // from a test's start until it ends or is cancelled
};

class SelfTests : public TimerOwner {
 public:
  static constexpr HotZone kOkZone{11, 201, 47, 229};

  SelfTests(CountdownContext context, MonitorPort& monitor, MenuPort& menus, HistoryNotes& notes)
      : c_(context), monitor_(monitor), menus_(menus), notes_(notes) {}
  void OwnTimers(TimerTable& table);
  void OnTimer(unsigned id) override;

  void StartTenSecond();  // 40014
  void StartUntilLow();   // 40015
  void Cancel();          // 40017
  void OnOk(CountdownWindow window);
  CountdownPicture Picture(CountdownWindow window) const;
  const SelfTestState& State() const { return s_; }

 private:
  void SendUntilLow();
  void TenSecondTick();
  void EndTenSecond();
  void SendCancel();
  void ShowRunning(bool running);

  CountdownContext c_;
  MonitorPort& monitor_;
  MenuPort& menus_;
  HistoryNotes& notes_;
  SelfTestState s_;
};

}  // namespace voltaris
