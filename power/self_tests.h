// The UPS's self-tests: ten seconds, and until the battery is low, each with
// its progress window, its event and its note for the history; and their
// cancel. The commands go to the UPS through the monitor as control
// commands, never dropped behind the queries.
#pragma once

#include "power/countdowns.h"
#include "power/engine_ports.h"
#include "power/history_recorder.h"

namespace voltaris {

struct SelfTestState {
  static constexpr int kTenSeconds = 10;
  int tenSecondRemaining = kTenSeconds;
  bool running = false;  // from a test's start until it ends or is cancelled
  int timedRemaining = 0;   // seconds of the timed test
  bool timedReload = true;  // the next tick loads SpecialTimeTest x 60
  bool timedIdle = true;    // no timed test runs: a new one may start
  bool settingsOpen = false;  // the "Special Time Selftest" dialog
  bool untilLowWaiting = false;  // "TL" goes half a second after its command
  bool untilLowRunning = false;    // "TL" sent; only a cancel (or a low battery) ends it
  bool untilLowCancelled = false;  // the last cancel ended an until-low test
  // The commands on their way to the UPS, by the number the monitor gave them.
  unsigned tenSecondId = 0, untilLowId = 0, timedId = 0, cancelId = 0;
  bool startAnnounced = false;  // its end is announced once the menus show no test
};

class SelfTests : public TimerOwner {
 public:
  SelfTests(CountdownContext context, MonitorPort& monitor, MenuPort& menus, HistoryNotes& notes)
      : c_(context), monitor_(monitor), menus_(menus), notes_(notes) {}
  void OwnTimers(TimerTable& table);
  void OnTimer(unsigned id) override;

  // A UPS another computer serves runs its tests there: while it is
  // followed, the starts are greyed and refused.
  void Offer(bool offered);
  bool Offered() const { return offered_; }
  void StartTenSecond();  // 40014
  // The top bar's 10-second test: the same test, the menu left as it is.
  void StartTenSecondFromBar();
  void StartUntilLow();   // 40015
  void Cancel();          // 40017
  // The "Special Time Selftest" dialog (40016): opened, its OK with the
  // minutes typed (saved and started only while no timed test runs; false
  // when the setting could not be written), closed by its caption.
  void OnTimedSettingsOpened();
  FileError OnTimedSettingsOk(const std::string& minutesText);
  // The minutes checked and saved, nothing started (a window on the
  // service, which starts the test itself).
  FileError SaveTimedMinutes(const std::string& minutesText) const;
  void OnTimedSettingsClosed();
  // A command the monitor could not write in its time: the test it was to
  // start did not start, or the test it was to cancel goes on.
  void OnControlGivenUp(unsigned id);
  void OnOk(CountdownWindow window);
  CountdownPicture Picture(CountdownWindow window) const;
  const SelfTestState& State() const { return s_; }

 private:
  bool BeginTenSecond();
  void ShowTestMenus(bool testing);
  void SendUntilLow();
  void TenSecondTick();
  void EndTenSecond();
  void SendCancel();
  void OpenTimedTest();
  void SendTimedTest();
  void TimedTick();
  void EndTimedTest();
  int TimedMinutes() const;  // SpecialTimeTest
  void ShowRunning(bool running);
  void RecordStart(const std::string& text);
  void OpenUntilLowWindow();

  CountdownContext c_;
  MonitorPort& monitor_;
  MenuPort& menus_;
  HistoryNotes& notes_;
  bool offered_ = true;
  SelfTestState s_;
  UpsControl timedCommand_;
};

}  // namespace voltaris
