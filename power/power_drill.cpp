#include "power/power_drill.h"

#include <algorithm>
#include <optional>

#include "config/settings.h"
#include "i18n/catalogue.h"
#include "power/notifications.h"
#include "power/notify_settings.h"
#include "power/timer_ids.h"

namespace voltaris {
namespace {

constexpr unsigned kTickMs = 1000;

void AddApplications(const DrillFacts& facts, std::string& report) {
  if (facts.applications.empty()) {
    report += std::string(Tr(Text::DrillReportNoApplications)) + "\n";
    return;
  }
  report += std::string(Tr(Text::DrillReportApplications)) + "\n";
  for (const std::string& title : facts.applications) report += "  " + title + "\n";
}

void AddSecondaries(const DrillFacts& facts, std::string& report) {
  if (facts.secondariesLoggedIn == 0) {
    report += std::string(Tr(Text::DrillReportNoSecondaries)) + "\n";
    return;
  }
  report += Tr(Text::DrillReportSecondaries) + std::to_string(facts.secondariesLoggedIn) +
            Tr(Text::DrillReportGivenUpTo) + ExactDurationText(facts.secondariesWaitSeconds) +
            Tr(Text::DrillReportToLogOut) + "\n";
}

// When the shutdown on a learnt estimate would end the count: once the
// estimate is under the margin, and never before the count's window has
// opened and held it under for its ticks; nothing when it would not act.
std::optional<int> OnEstimateSeconds(const DrillFacts& facts) {
  if (facts.runtimeMarginSeconds < 0 || facts.expectedRuntimeSeconds < 0) return std::nullopt;
  const int earliest = facts.firstWarningSeconds + MainsFailCountdown::kRuntimeTicksToEnd;
  return std::max(facts.expectedRuntimeSeconds - facts.runtimeMarginSeconds, earliest);
}

int CountEndSeconds(const DrillFacts& facts) {
  const int count = facts.firstWarningSeconds + facts.countSeconds;
  return std::min(count, OnEstimateSeconds(facts).value_or(count));
}

std::string Warnings(const DrillFacts& facts) {
  std::string warnings;
  if (!facts.upsAnswering) warnings += std::string(Tr(Text::DrillWarnNotAnswering)) + "\n";
  if (!facts.mayShutDown) warnings += std::string(Tr(Text::DrillWarnNoShutdownRight)) + "\n";
  // The secondaries' wait follows the count's end, or the estimate's.
  const int untilShutdown = CountEndSeconds(facts) + (facts.secondariesLoggedIn > 0 ? facts.secondariesWaitSeconds : 0);
  if (facts.expectedRuntimeSeconds >= 0 && untilShutdown > facts.expectedRuntimeSeconds) {
    warnings += Tr(Text::DrillWarnCountTooLong) + ExactDurationText(facts.expectedRuntimeSeconds) + ".\n";
  }
  return warnings;
}

}  // namespace

std::string DrillReportText(const DrillFacts& facts) {
  const int count = facts.firstWarningSeconds + facts.countSeconds;
  std::string report = Tr(Text::DrillReportCount) + ExactDurationText(count) + ".\n";
  const int countEnd = CountEndSeconds(facts);
  if (countEnd < count) report += Tr(Text::DrillReportRuntimeSooner) + ExactDurationText(countEnd) + ".\n";
  AddApplications(facts, report);
  report += std::string(Tr(Text::DrillReportNoSwitchOff)) + "\n";
  AddSecondaries(facts, report);
  const std::string warnings = Warnings(facts);
  if (!warnings.empty()) report += std::string(Tr(Text::DrillReportWarnings)) + "\n" + warnings;
  return report + Tr(Text::DrillReportNothingShutDown);
}

void PowerDrill::OwnTimers(TimerTable& table) { table.Own(kTimerDrillCountdown, *this); }

bool PowerDrill::Start() {
  if (s_.running || !mayStart_()) return false;
  s_.running = true;
  s_.full = s_.remaining = ReadNotifySettings(c_.config).drillSeconds;
  c_.views.Open(CountdownWindow::Drill);
  c_.timers.Arm(kTimerDrillCountdown, kTickMs);
  const std::string text = Tr(Text::DrillStartEvent);
  c_.records.AppendEvent(text);
  c_.events.Announce({PowerEventKind::MainsFailed, text, s_.full, ShutdownCause::MainsFailed, true});
  return true;
}

void PowerDrill::OnTimer(unsigned) { Tick(); }

// A real failure comes first: the drill gets out of its way at once.
void PowerDrill::Tick() {
  if (!s_.running) return;
  if (c_.power.Now().mainsFailed) {
    StopForRealFailure();
    return;
  }
  if (c_.views.IsOpen(CountdownWindow::Drill)) c_.views.Blink(CountdownWindow::Drill, Triangle::Red);
  if (--s_.remaining > 0) return;
  Finish();
}

void PowerDrill::End() {
  s_.running = false;
  c_.timers.Kill(kTimerDrillCountdown);
  c_.views.Close(CountdownWindow::Drill);
}

void PowerDrill::Finish() {
  End();
  const std::string text = Tr(Text::DrillEndEvent);
  c_.records.AppendEvent(text);
  port_.ShowReport(DrillReportText(Facts()));
  // The rehearsed failure ends as a real one does: a script that started
  // something on its failure hears of its end.
  c_.events.Announce({PowerEventKind::MainsBack, text, -1, ShutdownCause::None, true});
}

// Nothing is announced: the real failure's own notifications follow.
void PowerDrill::StopForRealFailure() {
  End();
  c_.records.AppendEvent(Tr(Text::DrillStoppedEvent));
}

DrillFacts PowerDrill::Facts() const {
  const WarningTimes times = ReadWarningTimes(c_.config);
  DrillFacts facts;
  facts.firstWarningSeconds = times.cutAcSeconds;
  facts.countSeconds = times.batteryMinutes * 60;
  facts.applications = port_.OpenApplications();
  facts.upsAnswering = upsAnswering_();
  facts.mayShutDown = port_.MayShutDown();
  facts.secondariesLoggedIn = secondaries_.LoggedIn();
  facts.secondariesWaitSeconds = secondaries_.WaitSeconds();
  const RuntimeEstimate runtime = runtime_.Runtime();
  if (runtime.known && !runtime.onBattery) facts.expectedRuntimeSeconds = runtime.seconds;
  const RuntimeSettings onRuntime = ReadRuntimeSettings(c_.config);
  if (onRuntime.shutdownOnRuntime && runtime.learnt) facts.runtimeMarginSeconds = onRuntime.marginMinutes * 60;
  return facts;
}

CountdownPicture PowerDrill::Picture() const {
  CountdownPicture picture;
  picture.markLine = Tr(Text::DrillWindowMark);
  picture.alarmLine = Tr(Text::NoticeDrillMark) + ReadAlarmMessages(c_.config).acFail;
  picture.showCount = true;
  picture.seconds = s_.remaining;
  return picture;
}

void PowerDrill::OnOk() { c_.views.Close(CountdownWindow::Drill); }

}  // namespace voltaris
