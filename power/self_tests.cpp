#include "power/self_tests.h"

#include "config/settings.h"
#include "i18n/catalogue.h"
#include "power/timer_ids.h"
#include "res/command_ids.h"
#include "ups/ups_protocol.h"

namespace voltaris {
namespace {

constexpr unsigned kTickMs = 1000;
constexpr unsigned kSendTestMs = 1000;    // the 10-second test's "T" goes a second after the start
constexpr unsigned kUntilLowWaitMs = 500;  // the UPS is given a moment before "TL"
constexpr unsigned kCancelDelayMs = 200;
constexpr unsigned kStarts[] = {IDC_SELFTEST_10_SECONDS, IDC_SELFTEST_TILL_LOW, IDC_SELFTEST_SPECIAL_TIME};

}  // namespace

void SelfTests::OwnTimers(TimerTable& table) {
  for (unsigned id : {kTimerTenSecondTest, kTimerTenSecondTestWindow, kTimerCancelTest, kTimerUntilLowSend,
                      kTimerUntilLowBlink, kTimerSpecialTestStart, kTimerTimedTestSend, kTimerSpecialTestCountdown}) {
    table.Own(id, *this);
  }
}

void SelfTests::OnTimer(unsigned id) {
  switch (id) {
    case kTimerTenSecondTest:
      c_.timers.Kill(kTimerTenSecondTest);
      s_.tenSecondId = monitor_.SendControl(TenSecondTestControl());
      monitor_.EnableSerialRead();
      notes_.tenSecondTestStarted = true;
      break;
    case kTimerTenSecondTestWindow: TenSecondTick(); break;
    case kTimerUntilLowSend: SendUntilLow(); break;
    case kTimerUntilLowBlink:
      if (c_.views.IsOpen(CountdownWindow::UntilLowTest)) c_.views.Blink(CountdownWindow::UntilLowTest, Triangle::Red);
      break;
    case kTimerCancelTest: SendCancel(); break;
    case kTimerSpecialTestStart: OpenTimedTest(); break;
    case kTimerTimedTestSend: SendTimedTest(); break;
    case kTimerSpecialTestCountdown: TimedTick(); break;
    default: break;
  }
}

// The start commands are refused while a test's window is open, and while
// any test runs the others wait (the menu greys them).
void SelfTests::ShowRunning(bool running) {
  s_.running = running;
  ShowTestMenus(running);
  if (!running && s_.startAnnounced) {
    s_.startAnnounced = false;
    c_.events.Announce({PowerEventKind::SelfTestEnded, Tr(Text::NoticeSelfTestEnded)});
  }
}

void SelfTests::RecordStart(const std::string& text) {
  c_.records.AppendEvent(text);
  s_.startAnnounced = true;
  c_.events.Announce({PowerEventKind::SelfTestStarted, text});
}

void SelfTests::ShowTestMenus(bool testing) {
  menus_.SetCommandEnabled(IDC_CANCEL_SELFTEST, testing);
  for (unsigned start : kStarts) menus_.SetCommandEnabled(start, offered_ && !testing);
}

bool SelfTests::BeginTenSecond() {
  if (c_.views.IsOpen(CountdownWindow::TenSecondTest)) return false;
  c_.views.Open(CountdownWindow::TenSecondTest);
  RecordStart(Tr(Text::SelfTest10SecondsEvent));
  c_.timers.Arm(kTimerTenSecondTest, kSendTestMs);
  c_.timers.Arm(kTimerTenSecondTestWindow, kTickMs);
  s_.running = true;
  return true;
}

void SelfTests::Offer(bool offered) {
  if (offered == offered_) return;
  offered_ = offered;
  for (unsigned start : kStarts) menus_.SetCommandEnabled(start, offered);
}

void SelfTests::StartTenSecond() {
  if (offered_ && BeginTenSecond()) ShowRunning(true);
}

void SelfTests::StartTenSecondFromBar() {
  if (offered_) BeginTenSecond();
}

void SelfTests::TenSecondTick() {
  if (c_.views.IsOpen(CountdownWindow::TenSecondTest)) c_.views.Blink(CountdownWindow::TenSecondTest, Triangle::Red);
  if (s_.tenSecondRemaining-- == 1) EndTenSecond();
}

void SelfTests::EndTenSecond() {
  c_.views.Close(CountdownWindow::TenSecondTest);
  s_.tenSecondRemaining = SelfTestState::kTenSeconds;
  c_.timers.Kill(kTimerTenSecondTestWindow);
  ShowRunning(false);
}

// The wait before "TL" is a timer, so the windows go on meanwhile; the other
// tests are greyed from the command on, as if the wait held everything up.
void SelfTests::StartUntilLow() {
  if (!offered_ || c_.views.IsOpen(CountdownWindow::UntilLowTest) || s_.untilLowWaiting) return;
  s_.untilLowWaiting = true;
  c_.timers.Arm(kTimerUntilLowSend, kUntilLowWaitMs);
  ShowRunning(true);
}

void SelfTests::SendUntilLow() {
  c_.timers.Kill(kTimerUntilLowSend);
  s_.untilLowWaiting = false;
  s_.untilLowId = monitor_.SendControl(UntilLowTestControl());
  monitor_.EnableSerialRead();
  OpenUntilLowWindow();
  RecordStart(Tr(Text::SelfTestTillLowEvent));
  notes_.tillLowTestStarted = true;
}

void SelfTests::OpenUntilLowWindow() {
  s_.untilLowRunning = true;
  c_.views.Open(CountdownWindow::UntilLowTest);
  c_.timers.Arm(kTimerUntilLowBlink, kTickMs);
  ShowRunning(true);
}

// A test whose command has not gone yet is stopped before it goes: the UPS
// must not start a test after being told to cancel it.
void SelfTests::Cancel() {
  for (unsigned pending : {kTimerTenSecondTest, kTimerUntilLowSend, kTimerSpecialTestStart, kTimerTimedTestSend}) {
    c_.timers.Kill(pending);
  }
  s_.untilLowWaiting = false;
  s_.untilLowCancelled = s_.untilLowRunning;
  s_.untilLowRunning = false;
  c_.timers.Arm(kTimerCancelTest, kCancelDelayMs);
  if (c_.views.IsOpen(CountdownWindow::TenSecondTest)) EndTenSecond();
  if (c_.views.IsOpen(CountdownWindow::TimedTest)) EndTimedTest();
  c_.views.Close(CountdownWindow::UntilLowTest);
  c_.timers.Kill(kTimerUntilLowBlink);
  ShowRunning(false);
}

void SelfTests::SendCancel() {
  c_.timers.Kill(kTimerCancelTest);
  s_.cancelId = monitor_.SendControl(CancelTestControl());
  monitor_.EnableSerialRead();
  if (c_.views.IsOpen(CountdownWindow::TenSecondTest)) EndTenSecond();
  if (c_.views.IsOpen(CountdownWindow::TimedTest)) EndTimedTest();
  s_.running = false;
}

// ---- The timed test --------------------------------------------------------

void SelfTests::OnTimedSettingsOpened() {
  s_.settingsOpen = true;
  ShowTestMenus(true);
}

void SelfTests::OnTimedSettingsClosed() {
  s_.settingsOpen = false;
  ShowTestMenus(false);
}

// While a timed test runs, OK only closes the dialog: nothing saved or started.
FileError SelfTests::OnTimedSettingsOk(const std::string& minutesText) {
  if (!s_.timedIdle) {
    s_.settingsOpen = false;
    return {};
  }
  if (FileError e = SaveTimedMinutes(minutesText)) return e;  // the dialog stays, with what the user typed
  s_.settingsOpen = false;
  if (offered_) c_.timers.Arm(kTimerSpecialTestStart, kCancelDelayMs);
  return {};
}

FileError SelfTests::SaveTimedMinutes(const std::string& minutesText) const {
  if (!TypedNumber(key::kSpecialTimeTest, minutesText)) {
    return {22, RangeMessage(Tr(Text::SelfTestTitle), key::kSpecialTimeTest)};
  }
  return c_.config.WriteString(section::kAlarmMessage, "SpecialTimeTest", minutesText);
}

int SelfTests::TimedMinutes() const { return ReadNumber(c_.config, key::kSpecialTimeTest); }

void SelfTests::OpenTimedTest() {
  c_.timers.Kill(kTimerSpecialTestStart);
  if (s_.settingsOpen) return;  // opened again meanwhile
  if (!c_.views.IsOpen(CountdownWindow::TimedTest)) {
    c_.views.Open(CountdownWindow::TimedTest);
    if (s_.timedIdle) {
      RecordStart(Tr(Text::SelfTestEventPrefix) + std::to_string(TimedMinutes()) + " Minute");
    }
    timedCommand_ = TimedTestControl(TimedMinutes());
    c_.timers.Arm(kTimerTimedTestSend, kUntilLowWaitMs);
  }
  notes_.timedTestStarted = true;
}

void SelfTests::SendTimedTest() {
  c_.timers.Kill(kTimerTimedTestSend);
  s_.timedId = monitor_.SendControl(timedCommand_);
  monitor_.EnableSerialRead();
  c_.timers.Arm(kTimerSpecialTestCountdown, kTickMs);
  s_.running = true;
}

void SelfTests::TimedTick() {
  if (c_.views.IsOpen(CountdownWindow::TimedTest)) c_.views.Blink(CountdownWindow::TimedTest, Triangle::Red);
  if (TakeOneSecond(s_.timedRemaining, s_.timedReload, [this] { return TimedMinutes() * 60; }) == 1) {
    EndTimedTest();
    return;
  }
  s_.timedIdle = false;
}

void SelfTests::EndTimedTest() {
  c_.views.Close(CountdownWindow::TimedTest);
  s_.timedReload = true;
  s_.timedIdle = true;
  c_.timers.Kill(kTimerSpecialTestCountdown);
  ShowRunning(false);
}

void SelfTests::OnControlGivenUp(unsigned id) {
  if (id == 0) return;
  if (id == s_.tenSecondId) {
    if (c_.views.IsOpen(CountdownWindow::TenSecondTest)) EndTenSecond();
  } else if (id == s_.untilLowId) {
    s_.untilLowRunning = false;
    s_.untilLowCancelled = false;  // a test that never started needs no cancel
    c_.views.Close(CountdownWindow::UntilLowTest);
    c_.timers.Kill(kTimerUntilLowBlink);
    ShowRunning(false);
  } else if (id == s_.timedId) {
    if (c_.views.IsOpen(CountdownWindow::TimedTest) || !s_.timedIdle) EndTimedTest();
  } else if (id == s_.cancelId) {
    // The UPS still runs its until-low test, which ends only at a low
    // battery: show it again so that it can be cancelled once more.
    if (s_.untilLowCancelled) OpenUntilLowWindow();
  } else {
    return;
  }
  c_.records.AppendEvent(Tr(Text::SelfTestCommandNotSentEvent));
}

// OK only hides the window: the test goes on.
void SelfTests::OnOk(CountdownWindow window) {
  c_.views.Close(window);
  if (window == CountdownWindow::UntilLowTest) c_.timers.Kill(kTimerUntilLowBlink);
}

CountdownPicture SelfTests::Picture(CountdownWindow window) const {
  CountdownPicture picture;
  if (window == CountdownWindow::TenSecondTest) {
    picture.alarmLine = Tr(Text::SelfTestProgress7Dots);
    picture.alarmX = picture.countX = 10;
    picture.showCount = true;
    picture.seconds = s_.tenSecondRemaining;
    picture.countPrefix = Tr(Text::LeavingTime);
  } else if (window == CountdownWindow::TimedTest) {
    picture.alarmLine = Tr(Text::SelfTestProgress5Dots);
    picture.alarmX = picture.countX = 30;
    picture.showCount = s_.timedRemaining != 0;
    picture.seconds = s_.timedRemaining;
    picture.countPrefix = Tr(Text::LeavingTime);
  } else {
    picture.alarmLine = Tr(Text::SelfTestProgress6Dots);
  }
  return picture;
}

}  // namespace voltaris
