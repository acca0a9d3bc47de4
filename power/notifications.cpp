#include "power/notifications.h"

#include "i18n/catalogue.h"
#include "power/notify_settings.h"

namespace voltaris {
namespace {

std::string WithShutdownIn(Text notice, const PowerEvent& event) {
  std::string text = Tr(notice);
  if (event.secondsLeft >= 0) text += Tr(Text::NoticeShutdownIn) + DurationText(event.secondsLeft) + ".";
  return text;
}

std::optional<std::string> NoticeText(const PowerEvent& event) {
  switch (event.kind) {
    case PowerEventKind::MainsFailed: return WithShutdownIn(Text::NoticeMainsFailed, event);
    case PowerEventKind::MainsBack: return std::string(Tr(event.drill ? Text::NoticeDrillEnded : Text::NoticeMainsBack));
    case PowerEventKind::BatteryLow: return WithShutdownIn(Text::NoticeBatteryLow, event);
    case PowerEventKind::UpsLost: return std::string(Tr(Text::NoticeUpsLost));
    case PowerEventKind::UpsFound: return std::string(Tr(Text::NoticeUpsFound));
    case PowerEventKind::ShutdownWarning:
      return WithShutdownIn(event.cause == ShutdownCause::Schedule ? Text::NoticeScheduleShutdown
                                                                   : Text::NoticeManualShutdown,
                            event);
    case PowerEventKind::SelfTestStarted: return std::string(Tr(Text::NoticeSelfTestStarted));
    case PowerEventKind::SelfTestEnded: return std::string(Tr(Text::NoticeSelfTestEnded));
    case PowerEventKind::RecordsWaiting: return std::string(Tr(Text::NoticeRecordsWaiting));
    case PowerEventKind::BatteryWeak: return std::string(Tr(Text::NoticeBatteryWeak));
    case PowerEventKind::Shutdown:
    case PowerEventKind::ForcedShutdown: return std::nullopt;
  }
  return std::nullopt;
}

bool IsWarning(PowerEventKind kind) {
  switch (kind) {
    case PowerEventKind::MainsFailed:
    case PowerEventKind::BatteryLow:
    case PowerEventKind::UpsLost:
    case PowerEventKind::ShutdownWarning:
    case PowerEventKind::RecordsWaiting:
    case PowerEventKind::BatteryWeak: return true;
    default: return false;
  }
}

}  // namespace

std::string DurationText(int seconds) {
  if (seconds < 60) return std::to_string(seconds < 0 ? 0 : seconds) + Tr(Text::DurationSeconds);
  return std::to_string(seconds / 60) + Tr(Text::DurationMinutes);
}

std::string ExactDurationText(int seconds) {
  if (seconds < 60) return DurationText(seconds);
  const std::string minutes = std::to_string(seconds / 60) + Tr(Text::DurationMinutes);
  return seconds % 60 == 0 ? minutes : minutes + " " + DurationText(seconds % 60);
}

std::optional<Balloon> BalloonFor(const PowerEvent& event) {
  std::optional<std::string> text = NoticeText(event);
  if (!text) return std::nullopt;
  Balloon balloon;
  balloon.title = event.drill ? Tr(Text::DrillCaption) : "Voltaris";
  balloon.text = (event.drill && event.kind != PowerEventKind::MainsBack ? Tr(Text::NoticeDrillMark) : "") + *text;
  balloon.warning = IsWarning(event.kind) && !event.drill;
  return balloon;
}

void NotifyByBalloon(const PowerEvent& event, const ConfigFile& config, BalloonPort& balloons) {
  if (!ReadNotifySettings(config).balloons) return;
  if (std::optional<Balloon> balloon = BalloonFor(event)) balloons.ShowBalloon(*balloon);
}

std::string TrayTipText(const TrayState& state) {
  std::string tip;
  if (state.service != ServiceWait::None) {
    tip = Tr(state.service == ServiceWait::NotRunning ? Text::TrayTipServiceNotRunning : Text::TrayTipServiceAsked);
  } else if (!state.answering) {
    tip = Tr(Text::TrayTipNotAnswering);
  } else if (state.onBattery) {
    tip = Tr(Text::TrayTipOnBattery);
    if (state.secondsLeft >= 0) tip += Tr(Text::TrayTipShutdownIn) + DurationText(state.secondsLeft);
    if (!state.runtime.empty()) tip += Tr(Text::TrayTipRuntimeSeparator) + state.runtime;
  } else {
    tip = Tr(Text::TrayTipOnMains);
  }
  if (state.drill) tip += Tr(Text::TrayTipDrillSuffix);
  if (state.recordsWaiting) tip += Tr(Text::TrayTipRecordsSuffix);
  return tip;
}

}  // namespace voltaris
