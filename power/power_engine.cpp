#include "power/power_engine.h"

#include "i18n/catalogue.h"
#include "power/timer_ids.h"

namespace voltaris {
namespace {

constexpr Text kComConnected = Text::ComConnected;
constexpr Text kUsbConnected = Text::UsbConnected;
constexpr Text kDisconnected = Text::UpsDisconnectedEvent;

constexpr unsigned kHistoryTimers[] = {kTimerHistoryUsbUp, kTimerHistorySerialUp, kTimerHistoryUsbDown,
                                       kTimerHistorySerialDown};

}  // namespace

PowerEngine::PowerEngine(TimerPort& timers, GaugePort& gauges, MenuPort& menus, NoticePort& notices,
                         MonitorPort& monitor, RecordKeeper& records, const ConfigFile& config, PowerFlags& power,
                         const PowerEvents& events)
    : timers_(timers),
      gauges_(gauges),
      menus_(menus),
      notices_(notices),
      monitor_(monitor),
      records_(records),
      config_(config),
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

void PowerEngine::LogLinkLost() {
  Log(kDisconnected);
  lossAnnounced_ = true;
  events_.Announce({PowerEventKind::UpsLost, Tr(kDisconnected)});
}

// Found again only after a loss: the first answer after the start is no news.
void PowerEngine::LogLinkFound(Text text) {
  Log(text);
  if (!lossAnnounced_) return;
  lossAnnounced_ = false;
  events_.Announce({PowerEventKind::UpsFound, Tr(text)});
}

void PowerEngine::StartLink(const LinkSettings& settings) {
  if (settings.comboPort >= 0 && settings.comboPort < LinkSettings::kUsbPort) {
    link_ = LinkKind::Serial;
    timers_.Arm(kTimerOpenSerial, kOpenSerialDelayMs);
    timers_.Arm(kTimerLinkGrace, kLinkGraceMs);
  } else if (settings.comboPort == LinkSettings::kUsbPort) {
    link_ = LinkKind::Usb;
  }
  // Any other value keeps the serial kind with no port: no usable link.
  monitor_.SetLinkKind(link_);
}

// The settings dialog's OK: the history timers stop and the next reply
// starts the fitting one with the new interval; a serial port is closed a
// second from now so that the monitor opens it with the new parameters.
// Over USB the "no UPS" box waits until the link has been seen.
void PowerEngine::ApplySettings(const LinkSettings& settings) {
  for (unsigned t : kHistoryTimers) timers_.Kill(t);
  flags_.historySerialUpArmed = flags_.historySerialDownArmed = 1;
  flags_.historyUsbUpArmed = flags_.historyUsbDownArmed = 1;
  StartLink(settings);
  if (link_ == LinkKind::Usb) flags_.noReplyReportArmed = 0;
}

void PowerEngine::Stop() {
  if (stopped_) return;
  stopped_ = true;
  timers_.Kill(kTimerHistorySerialUp);
  timers_.Kill(kTimerHistoryUsbUp);
  Log(endText_);
}

void PowerEngine::Resume() {
  stopped_ = false;
  flags_ = LinkFlags{};
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

// A line that stopped answering may be an adapter pulled out and plugged
// back: only a port opened afresh reaches it again.
void PowerEngine::ReopenLostPort() {
  if (flags_.missedReplies >= kMissedRepliesForLoss) monitor_.ClosePort();
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
      ReopenLostPort();
      QueueQuery(StatusQueryCommand());
      gauges_.RefreshPlot();  // over serial the plot follows this timer; over USB each reply
      break;
    case kTimerRatingQuery: QueueQuery(RatingQueryCommand()); break;
    case kTimerLinkGrace:
      timers_.Kill(kTimerLinkGrace);
      flags_.noReplyReportArmed = 1;
      break;
    case kTimerSettingsWatch:
      flags_.noReplyReportAllowed = 0;
      if (!settingsDialogOpen_) {
        timers_.Kill(kTimerSettingsWatch);
        timers_.Arm(kTimerSettingsQuiet, kSettingsQuietMs);
      }
      break;
    case kTimerSettingsQuiet:
      timers_.Kill(kTimerSettingsQuiet);
      flags_.noReplyReportAllowed = 1;
      break;
    default:
      break;
  }
}

void PowerEngine::OnSettingsDialogOpened() {
  settingsDialogOpen_ = true;
  timers_.Arm(kTimerSettingsWatch, kSettingsWatchMs);
}

// ---- History timer switching ----------------------------------------------

namespace {

// Entering a link state arms its history timer once; leaving it re-arms the
// neighbouring states' flags.
struct HistoryRule {
  int LinkFlags::*armed;
  unsigned timer;
  int LinkFlags::*rearm[2];
};

constexpr HistoryRule kHistoryRules[] = {
    {&LinkFlags::historySerialUpArmed, kTimerHistorySerialUp,
     {&LinkFlags::historySerialDownArmed, &LinkFlags::historyUsbUpArmed}},
    {&LinkFlags::historySerialDownArmed, kTimerHistorySerialDown,
     {&LinkFlags::historySerialUpArmed, &LinkFlags::historyUsbDownArmed}},
    {&LinkFlags::historyUsbUpArmed, kTimerHistoryUsbUp,
     {&LinkFlags::historySerialUpArmed, &LinkFlags::historyUsbDownArmed}},
    {&LinkFlags::historyUsbDownArmed, kTimerHistoryUsbDown,
     {&LinkFlags::historySerialDownArmed, &LinkFlags::historyUsbUpArmed}},
};

}  // namespace

void PowerEngine::SwitchHistory(HistoryState state) {
  const HistoryRule& rule = kHistoryRules[static_cast<int>(state)];
  if (!(flags_.*rule.armed)) return;
  const RecordingSettings recording = ReadRecordingSettings(config_);  // fresh at each decision
  if (!recording.enabled) return;
  for (unsigned t : kHistoryTimers) timers_.Kill(t);
  timers_.Arm(rule.timer, static_cast<unsigned>(recording.intervalSeconds > 0 ? recording.intervalSeconds : 0) * 1000u);
  flags_.*rule.armed = 0;
  flags_.*rule.rearm[0] = 1;
  flags_.*rule.rearm[1] = 1;
}

// ---- Serial link -------------------------------------------------------------

void PowerEngine::LogSerialLoss() {
  if (!flags_.logSerialDown) return;
  LogLinkLost();
  flags_.logSerialDown = 0;
  flags_.logSerialUp = 1;
}

void PowerEngine::OnSerialOpen(bool opened) {
  if (opened) {
    flags_.reportLinkLoss = 1;
    flags_.serialPortOpened = 1;
    timers_.Arm(kTimerRatingQuery, kQueryPeriodMs);
    timers_.Arm(kTimerStatusQuery, kQueryPeriodMs);
    // A port opened again for a UPS that went silent is no link yet: the
    // pictures come up with its next reply.
    if (!flags_.redrawLinkPictures) gauges_.ShowLinkPictures(true);
    return;
  }
  flags_.serialLinkUp = 0;
  flags_.serialPortOpened = 0;
  gauges_.ShowLinkPictures(false);
  LogSerialLoss();
  SwitchHistory(HistoryState::SerialDown);
  if (flags_.reportLinkLoss) {
    // The monitor has already tried a second time before reporting.
    gauges_.ZeroGauges();
    notices_.ShowNoUpsBox(true);
    flags_.reportLinkLoss = 0;
  }
  menus_.SetControlCenterEnabled(false);
  // Try again a second from now: a cable plugged in later is found without
  // the user doing anything.
  timers_.Arm(kTimerOpenSerial, kOpenSerialDelayMs);
}

void PowerEngine::OnNoReply() {
  // A UPS that stops answering on an open port is a lost link too: it is
  // logged once, after a few silent queries, like a port that cannot open.
  if (++flags_.missedReplies >= kMissedRepliesForLoss) {
    flags_.serialLinkUp = 0;
    LogSerialLoss();
  }
  if (!(flags_.noReplyReportArmed && flags_.noReplyReportAllowed)) return;
  gauges_.ZeroGauges();
  flags_.redrawLinkPictures = 1;
  gauges_.ShowLinkPictures(false);
  SwitchHistory(HistoryState::SerialDown);
  notices_.ShowNoUpsBox(false);
  flags_.noReplyReportArmed = 0;
  flags_.noReplyReportAllowed = 1;
}

void PowerEngine::OnSerialRead(bool ok, const std::string& bytes) {
  if (link_ != LinkKind::Serial) return;
  if (!ok || bytes.empty()) {
    OnNoReply();
    return;
  }
  flags_.noReplyReportArmed = 1;
  // Only the UPS's own answer ends a loss: noise on a dead line does not,
  // nor does it count as a link (the schedule's due check needs a UPS).
  const bool lost = flags_.missedReplies >= kMissedRepliesForLoss;
  const bool whole = IsWholeReply(LinkKind::Serial, bytes);
  if (whole) flags_.missedReplies = 0;
  if (lost && !whole) return;
  if (whole) flags_.serialLinkUp = 1;
  replyText_.Clear();  // each query is answered by exactly one read
  replyText_.Append(bytes.data(), bytes.size());
  HandleSerialReply(replyText_.str());
}

void PowerEngine::HandleSerialReply(const std::string& reply) {
  if (reply.size() <= 2) {
    gauges_.ZeroGauges();
    SwitchHistory(HistoryState::SerialDown);
    flags_.serialLinkUp = 0;
  }
  if (!reply.empty() && flags_.logSerialUp) {
    LogLinkFound(kComConnected);
    flags_.logSerialUp = 0;
    flags_.logSerialDown = 1;
    flags_.logUsbUp = 1;
  }
  ParseRatingReply(LinkKind::Serial, reply, status_);
  if (flags_.redrawLinkPictures) {
    gauges_.ShowLinkPictures(true);
    flags_.redrawLinkPictures = 0;
  }
  const StatusParse parse = ParseStatusReply(LinkKind::Serial, reply, status_);
  if (!parse.accepted) return;
  menus_.SetControlCenterEnabled(true);
  ++acceptedStatusReplies_;
  battery_ = ComputeBatteryPercent(LinkKind::Serial, status_);
  ApplyStatusBits();
  gauges_.ShowReadings(LinkKind::Serial, status_, battery_);
  SwitchHistory(HistoryState::SerialUp);
}

// ---- Status bits (both links) -----------------------------------------------

void PowerEngine::ApplyStatusBits() {
  voltaris::ApplyStatusBits(status_);
  power_.mainsFailed = status_.mainsFailed;
  if (!status_.mainsFailed) power_.mainsSeen = 1;
  power_.batteryLow = status_.batteryLow;
  if (status_.mainsFailed) {
    const WarningTimes times = ReadWarningTimes(config_);
    if (power_.firstMainsWarningArmed) {
      timers_.Arm(kTimerMainsFailDelay, static_cast<unsigned>(times.cutAcSeconds) * 1000u);
      power_.firstMainsWarningArmed = 0;
    }
    if (power_.repeatMainsWarningArmed) {
      timers_.Arm(kTimerMainsFailDelay, static_cast<unsigned>(times.repeatWarningSeconds) * 1000u);
      power_.repeatMainsWarningArmed = 0;
    }
  }
  if (status_.batteryLow && power_.batteryLowWarningArmed) {
    timers_.Arm(kTimerBatteryLowOpen, kBatteryLowOpenDelayMs);
    power_.batteryLowWarningArmed = 0;
  }
}

// ---- USB link ----------------------------------------------------------------

void PowerEngine::OnUsbLost() {
  if (flags_.logUsbDown) {
    LogLinkLost();
    flags_.logUsbDown = 0;
    flags_.logUsbUp = 1;
  }
  SwitchHistory(HistoryState::UsbDown);
  gauges_.ShowLinkPictures(false);
  menus_.SetControlCenterEnabled(false);
  gauges_.ZeroGauges();
  if (flags_.reportLinkLoss) {
    notices_.ShowNoUpsBox(true);
    flags_.reportLinkLoss = 0;
  }
}

void PowerEngine::OnUsbPass(const UsbPass& pass) {
  if (link_ != LinkKind::Usb) return;
  flags_.serialLinkUp = 0;
  timers_.Kill(kTimerStatusQuery);
  timers_.Kill(kTimerRatingQuery);
  gauges_.DisableTemperatureGauge();
  if (!pass.present) {
    OnUsbLost();
    return;
  }
  flags_.reportLinkLoss = 1;
  status_.ratedBatteryVoltageText.clear();
  if (pass.ratingReply.size() > 1 && flags_.logUsbUp) {
    LogLinkFound(kUsbConnected);
    flags_.logUsbUp = 0;
    flags_.logUsbDown = 1;
    flags_.logSerialUp = 1;
  }
  ParseRatingReply(LinkKind::Usb, pass.ratingReply, status_);
  if (pass.statusReply.size() <= 1) {
    SwitchHistory(HistoryState::UsbDown);
    flags_.usbLinkUp = 0;
    gauges_.ShowLinkPictures(false);
  } else {
    flags_.usbLinkUp = 1;
  }
  const StatusParse parse = ParseStatusReply(LinkKind::Usb, pass.statusReply, status_);
  if (parse.accepted) {
    ++acceptedStatusReplies_;
    menus_.SetControlCenterEnabled(true);
    ApplyStatusBits();
    battery_ = ComputeBatteryPercent(LinkKind::Usb, status_);
    gauges_.ShowReadings(LinkKind::Usb, status_, battery_);
    gauges_.ShowLinkPictures(true);
    flags_.usbGaugesShown = 1;
    SwitchHistory(HistoryState::UsbUp);
  } else if (pass.statusReply.size() == 1 && flags_.usbGaugesShown) {
    gauges_.ZeroUsbGauges();
    flags_.usbGaugesShown = 0;
  }
}

// ---- Control commands --------------------------------------------------------

void PowerEngine::OnControlWritten(unsigned id, bool written) {
  if (controlListener_) controlListener_(id, written);
}

void PowerEngine::OnControlGivenUp(unsigned id) {
  if (givenUpListener_) givenUpListener_(id);
}

}  // namespace voltaris
