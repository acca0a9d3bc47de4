#include "power/power_engine.h"

#include "i18n/catalogue.h"
#include "power/history_recorder.h"
#include "power/timer_ids.h"

namespace voltaris {

PowerEngine::PowerEngine(TimerPort& timers, GaugePort& gauges, MenuPort& menus, NoticePort& notices,
                         MonitorPort& monitor, RecordKeeper& records, PowerState& power, const PowerEvents& events)
    : timers_(timers),
      gauges_(gauges),
      menus_(menus),
      notices_(notices),
      monitor_(monitor),
      records_(records),
      power_(power),
      events_(events) {}

void PowerEngine::OwnTimers(TimerTable& table) {
  for (unsigned id : {kTimerOpenSerial, kTimerStatusQuery, kTimerRatingQuery, kTimerLinkGrace, kTimerSettingsWatch,
                      kTimerSettingsQuiet}) {
    table.Own(id, *this);
  }
}

void PowerEngine::Log(Text text) { records_.AppendEvent(Tr(text)); }

void PowerEngine::LogProgramStart() { Log(startText_); }

// The link watch's news as rows. Found again is announced only after a
// loss: the first answer after the start is no news.
void PowerEngine::Record(LinkNews news, Text found) {
  if (news == LinkNews::Lost) {
    Log(Text::UpsDisconnectedEvent);
    lossAnnounced_ = true;
    events_.Announce({PowerEventKind::UpsLost, Tr(Text::UpsDisconnectedEvent)});
  } else if (news == LinkNews::Found) {
    Log(found);
    if (!lossAnnounced_) return;
    lossAnnounced_ = false;
    events_.Announce({PowerEventKind::UpsFound, Tr(found)});
  }
}

void PowerEngine::ReportLink(LinkKind kind, bool answering) {
  if (history_) history_->OnLink(kind, answering);
}

void PowerEngine::StartLink(const LinkSettings& settings) {
  LinkKind kind = LinkKind::Serial;
  if (settings.comboPort >= 0 && settings.comboPort < LinkSettings::kUsbPort) {
    timers_.Arm(kTimerOpenSerial, kOpenSerialDelayMs);
    timers_.Arm(kTimerLinkGrace, kLinkGraceMs);
  } else if (settings.comboPort == LinkSettings::kUsbPort) {
    kind = LinkKind::Usb;
  } else if (settings.comboPort == LinkSettings::kNetworkUps) {
    kind = LinkKind::Network;  // its own thread reads it: no query of ours
    for (unsigned id : {kTimerOpenSerial, kTimerStatusQuery, kTimerRatingQuery}) timers_.Kill(id);
  } else {
    kind = watch_.Kind();  // any other value keeps the kind with no port: no usable link
  }
  if (kind != LinkKind::Network) {
    // What a server said does not hold for a UPS on our own cable.
    status_.chargeServed = false;
    status_.servedRuntimeSeconds.reset();
    lastRefusal_.reset();
  }
  watch_.Use(kind);
  monitor_.SetLinkKind(kind);
  TellServedNews();
}

// The settings dialog's OK: the history timers stop and the next reply
// starts the fitting one with the new interval; a serial port is closed a
// second from now so that the monitor opens it with the new parameters.
// Over USB the "no UPS" box waits until the link has been seen. A served
// UPS that still answers starts it at once: its next reading may be kept
// back as nothing new, for hours on a steady UPS.
void PowerEngine::ApplySettings(const LinkSettings& settings) {
  if (history_) history_->RestartTimers();
  StartLink(settings);
  if (Link() == LinkKind::Usb) linkNotices_.noReplyReportArmed = false;
  if (Link() == LinkKind::Network && UpsAnswering()) ReportLink(LinkKind::Network, true);
}

void PowerEngine::Stop() {
  if (stopped_) return;
  stopped_ = true;
  if (history_) history_->Stop();
  Log(endText_);
}

void PowerEngine::Resume() {
  stopped_ = false;
  watch_.Reset();
  linkNotices_ = LinkNotices{};
  replyText_.Clear();
}

// ---- Timers ----------------------------------------------------------------

// The query timers repeat by themselves: killing and arming them again at
// every tick would change nothing but cost two calls to the system.
void PowerEngine::QueueQuery(const std::string& command) {
  replyText_.Clear();
  monitor_.SendQuery(command);
  monitor_.EnableSerialRead();
}

void PowerEngine::OnTimer(unsigned id) {
  switch (id) {
    case kTimerOpenSerial:
      monitor_.ClosePort();
      timers_.Kill(kTimerStatusQuery);
      timers_.Kill(kTimerOpenSerial);
      monitor_.EnableSerialRead();
      break;
    case kTimerStatusQuery:
      if (watch_.ReopensSerialPort()) monitor_.ClosePort();
      QueueQuery(StatusQueryCommand());
      gauges_.RefreshPlot();  // over serial the plot follows this timer; over USB each reply
      break;
    case kTimerRatingQuery: QueueQuery(RatingQueryCommand()); break;
    case kTimerLinkGrace:
      timers_.Kill(kTimerLinkGrace);
      linkNotices_.noReplyReportArmed = true;
      break;
    case kTimerSettingsWatch:
      linkNotices_.noReplyReportAllowed = false;
      if (!settingsDialogOpen_) {
        timers_.Kill(kTimerSettingsWatch);
        timers_.Arm(kTimerSettingsQuiet, kSettingsQuietMs);
      }
      break;
    case kTimerSettingsQuiet:
      timers_.Kill(kTimerSettingsQuiet);
      linkNotices_.noReplyReportAllowed = true;
      break;
    default:
      break;
  }
}

void PowerEngine::OnSettingsDialogOpened() {
  settingsDialogOpen_ = true;
  timers_.Arm(kTimerSettingsWatch, kSettingsWatchMs);
}

// ---- Serial link -------------------------------------------------------------

void PowerEngine::OnSerialOpen(bool opened) {
  if (opened) {
    linkNotices_.reportLinkLoss = true;
    timers_.Arm(kTimerRatingQuery, kQueryPeriodMs);
    timers_.Arm(kTimerStatusQuery, kQueryPeriodMs);
    // A port opened again for a UPS that went silent is no link yet: the
    // pictures come up with its next reply.
    if (!linkNotices_.redrawLinkPictures) gauges_.ShowLinkPictures(true);
    return;
  }
  gauges_.ShowLinkPictures(false);
  Record(watch_.SerialPortFailed(), Text::ComConnected);
  ReportLink(LinkKind::Serial, false);
  if (linkNotices_.reportLinkLoss) {
    // The monitor has already tried a second time before reporting.
    gauges_.ZeroGauges();
    notices_.ShowNoUpsBox(true);
    linkNotices_.reportLinkLoss = false;
  }
  menus_.SetControlCenterEnabled(false);
  // Try again a second from now: a cable plugged in later is found without
  // the user doing anything.
  timers_.Arm(kTimerOpenSerial, kOpenSerialDelayMs);
}

void PowerEngine::OnNoReply() {
  Record(watch_.SerialReplyMissed(), Text::ComConnected);
  if (!(linkNotices_.noReplyReportArmed && linkNotices_.noReplyReportAllowed)) return;
  gauges_.ZeroGauges();
  linkNotices_.redrawLinkPictures = true;
  gauges_.ShowLinkPictures(false);
  ReportLink(LinkKind::Serial, false);
  notices_.ShowNoUpsBox(false);
  linkNotices_.noReplyReportArmed = false;
  linkNotices_.noReplyReportAllowed = true;
}

void PowerEngine::OnSerialRead(bool ok, const std::string& bytes) {
  if (Link() != LinkKind::Serial) return;
  if (!ok || bytes.empty()) {
    OnNoReply();
    return;
  }
  linkNotices_.noReplyReportArmed = true;
  // Only the UPS's own answer ends a loss: noise on a dead line does not,
  // nor does it count as a link (the schedule's due check needs a UPS).
  const bool whole = IsWholeReply(LinkKind::Serial, bytes);
  if (watch_.IgnoresSerialReply(whole)) return;
  replyText_.Clear();  // each query is answered by exactly one read
  replyText_.Append(bytes.data(), bytes.size());
  const std::string& reply = replyText_.str();
  const bool cut = reply.size() <= 2;
  const LinkNews news = watch_.SerialReply(whole, cut);
  if (cut) {
    gauges_.ZeroGauges();
    ReportLink(LinkKind::Serial, false);
  }
  Record(news, Text::ComConnected);
  HandleSerialReply(reply);
}

void PowerEngine::HandleSerialReply(const std::string& reply) {
  ParseRatingReply(LinkKind::Serial, reply, status_);
  if (linkNotices_.redrawLinkPictures) {
    gauges_.ShowLinkPictures(true);
    linkNotices_.redrawLinkPictures = false;
  }
  const StatusParse parse = ParseStatusReply(LinkKind::Serial, reply, status_);
  if (!parse.accepted) return;
  menus_.SetControlCenterEnabled(true);
  ++acceptedStatusReplies_;
  battery_ = ComputeBatteryPercent(LinkKind::Serial, status_);
  ApplyStatusBits();
  gauges_.ShowReadings(LinkKind::Serial, status_, battery_);
  ReportLink(LinkKind::Serial, true);
}

// ---- Status bits (both links) -----------------------------------------------

// The status's flags go to the power state, which tells the count-downs.
void PowerEngine::ApplyStatusBits() {
  voltaris::ApplyStatusBits(status_);
  power_.Report({status_.mainsFailed != 0, status_.batteryLow != 0});
}

// ---- USB link ----------------------------------------------------------------

// A USB unit gone or a server silent: the link is down until it answers.
void PowerEngine::OnLinkGone(LinkKind kind) {
  ReportLink(kind, false);
  gauges_.ShowLinkPictures(false);
  menus_.SetControlCenterEnabled(false);
  gauges_.ZeroGauges();
  if (linkNotices_.reportLinkLoss) {
    notices_.ShowNoUpsBox(true);
    linkNotices_.reportLinkLoss = false;
  }
}

void PowerEngine::OnUsbPass(const UsbPass& pass) {
  if (Link() != LinkKind::Usb) return;
  timers_.Kill(kTimerStatusQuery);
  timers_.Kill(kTimerRatingQuery);
  gauges_.DisableTemperatureGauge();
  const bool statusAnswers = pass.statusReply.size() > 1;
  Record(watch_.UsbPass(pass.present, pass.ratingReply.size() > 1, statusAnswers), Text::UsbConnected);
  NoteRefusedUnit(pass.present ? "" : pass.refusedUnit);
  if (!pass.present) {
    OnLinkGone(LinkKind::Usb);
    return;
  }
  linkNotices_.reportLinkLoss = true;
  status_.ratedBatteryVoltageText.clear();
  ParseRatingReply(LinkKind::Usb, pass.ratingReply, status_);
  if (!statusAnswers) {
    ReportLink(LinkKind::Usb, false);
    gauges_.ShowLinkPictures(false);
  }
  const StatusParse parse = ParseStatusReply(LinkKind::Usb, pass.statusReply, status_);
  if (parse.accepted) {
    ++acceptedStatusReplies_;
    menus_.SetControlCenterEnabled(true);
    ApplyStatusBits();
    battery_ = ComputeBatteryPercent(LinkKind::Usb, status_);
    gauges_.ShowReadings(LinkKind::Usb, status_, battery_);
    gauges_.ShowLinkPictures(true);
    linkNotices_.usbGaugesShown = true;
    ReportLink(LinkKind::Usb, true);
  } else if (pass.statusReply.size() == 1 && linkNotices_.usbGaugesShown) {
    gauges_.ZeroUsbGauges();
    linkNotices_.usbGaugesShown = false;
  }
}

// A unit the library refuses is found again at every pass while it stays
// plugged in: recorded when it comes (or another takes its place), not at
// every pass.
void PowerEngine::NoteRefusedUnit(const std::string& strings) {
  if (strings == refusedUnitTold_) return;
  refusedUnitTold_ = strings;
  if (!strings.empty()) records_.AppendEvent(std::string(Tr(Text::UsbUpsNotSupported)) + strings);
}

// ---- Network UPS ---------------------------------------------------------------

void PowerEngine::OnServedReadings(const ServedReadings& served) {
  if (Link() != LinkKind::Network) return;
  TakeServedReadings(served);
  TellServedNews();
}

void PowerEngine::TakeServedReadings(const ServedReadings& served) {
  if (CarryOutForcedShutdown(served)) return;
  FillServedStatus(served, status_);
  battery_ = ServedBattery(served, status_);
  if (served.silentOnBattery) {
    ApplyStatusBits();  // on battery and silent: the battery counts as low
    return;
  }
  Record(watch_.ServerAnswers(true), Text::NetworkUpsConnected);
  lastRefusal_.reset();
  linkNotices_.reportLinkLoss = true;
  ++acceptedStatusReplies_;
  menus_.SetControlCenterEnabled(true);
  ApplyStatusBits();
  gauges_.ShowReadings(LinkKind::Network, status_, battery_);
  gauges_.ShowLinkPictures(true);
  ReportLink(LinkKind::Network, true);
}

// The primary waits for this computer before its own goes down: no count,
// no grace. Told once; a server that lifts the order may give it again.
bool PowerEngine::CarryOutForcedShutdown(const ServedReadings& served) {
  if (!served.flags.forcedShutdown) {
    forcedShutdownTold_ = false;
    return false;
  }
  if (forcedShutdownTold_) return false;
  forcedShutdownTold_ = true;
  Log(Text::ServerForcedShutdownEvent);
  events_.Announce({PowerEventKind::ForcedShutdown, Tr(Text::ServerForcedShutdownEvent)});
  if (forcedListener_) forcedListener_();
  return true;
}

void PowerEngine::OnServerAnswering(bool answering) {
  if (Link() != LinkKind::Network || answering) return;
  Record(watch_.ServerAnswers(false), Text::NetworkUpsConnected);
  OnLinkGone(LinkKind::Network);
  TellServedNews();
}

Text RefusalEvent(ServedRefusal refusal) {
  switch (refusal) {
    case ServedRefusal::AccessDenied: return Text::NetworkUpsAccessDenied;
    case ServedRefusal::UnknownUps: return Text::NetworkUpsUnknownName;
    case ServedRefusal::WrongCredentials: return Text::NetworkUpsWrongLogin;
    case ServedRefusal::LoginRefused: return Text::NetworkUpsLoginRefused;
  }
  return Text::NetworkUpsLoginRefused;
}

void PowerEngine::OnServerRefused(ServedRefusal refusal) {
  if (Link() != LinkKind::Network) return;
  Log(RefusalEvent(refusal));
  lastRefusal_ = refusal;
}

// ---- Control commands --------------------------------------------------------

void PowerEngine::OnControlWritten(unsigned id, bool written, bool uncertain) {
  if (controlListener_) controlListener_(id, written, uncertain);
}

void PowerEngine::OnControlGivenUp(unsigned id) {
  if (givenUpListener_) givenUpListener_(id);
}

}  // namespace voltaris
