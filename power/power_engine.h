// The power event engine: parses what the monitor thread brought, feeds the
// link watch and records what its transitions say, shows the readings and
// reports the link to the history recorder and the supply to the power
// state, and paces the queries with the timers it owns (the timer table
// hands each tick to its owner). Runs on the user-interface thread only.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "base/timer_table.h"
#include "config/settings.h"
#include "i18n/catalogue.h"
#include "power/engine_ports.h"
#include "power/link_watch.h"
#include "power/power_events.h"
#include "power/power_state.h"
#include "power/record_keeper.h"
#include "ups/monitor_report.h"
#include "ups/served_ups.h"
#include "ups/ups_protocol.h"

namespace voltaris {

class HistoryRecorder;

// The event a server's refusal is recorded with.
Text RefusalEvent(ServedRefusal refusal);

// What the windows show of the link, and when the "no UPS" box may come.
struct LinkNotices {
  bool reportLinkLoss = true;        // the "no UPS" box may follow a lost link
  bool noReplyReportArmed = false;   // link grace: set 5 s after start and by every reply
  bool noReplyReportAllowed = true;  // settings quiet: off while the settings dialog is open, and 2 s after
  bool redrawLinkPictures = false;   // the pictures went down with a silent UPS: up at its next reply
  bool usbGaugesShown = false;
};

class PowerEngine : public TimerOwner {
 public:
  PowerEngine(TimerPort& timers, GaugePort& gauges, MenuPort& menus, NoticePort& notices, MonitorPort& monitor,
              RecordKeeper& records, PowerState& power, const PowerEvents& events);
  void OwnTimers(TimerTable& table);
  // Who follows the link with its rows.
  void ReportLinkTo(HistoryRecorder& history) { history_ = &history; }

  // Main window creation: logs "  Program Start" ...
  void LogProgramStart();
  // The service's monitoring records its own start and end instead.
  void UseRunTexts(Text start, Text end) {
    startText_ = start;
    endText_ = end;
  }
  // ... and chooses the link: a serial one arms timers 1025 and 1047.
  void StartLink(const LinkSettings& settings);
  // The program ends: history timers off, "  Program End" (once, however
  // many ways out are taken).
  void Stop();
  // Monitoring again after a refused or cancelled system shutdown: fresh
  // link state. The refusal is its own event, not a new "  Program Start".
  void Resume();

  void OnTimer(unsigned id) override;
  void OnSerialOpen(bool opened);
  // `ok`: the write and the read worked; `bytes`: what came (possibly
  // nothing). A failed write or read is a missed reply like silence.
  void OnSerialRead(bool ok, const std::string& bytes);
  void OnUsbPass(const UsbPass& pass);
  // A UPS another computer serves: what its follower thread heard. A reading
  // made of the last one by the dead time (silent on battery) counts for the
  // supply only: the link stays lost.
  void OnServedReadings(const ServedReadings& served);
  // The server answers again is said by the readings that follow.
  void OnServerAnswering(bool answering);
  // Recorded as the follower tells it: once per kind, until the UPS is read again.
  void OnServerRefused(ServedRefusal refusal);
  // The last refusal since the UPS was last read, for the settings dialog.
  std::optional<ServedRefusal> LastRefusal() const { return lastRefusal_; }
  // Who carries the server's forced shutdown out: at once, no count-down.
  void ListenForServerForcedShutdown(std::function<void()> listener) { forcedListener_ = std::move(listener); }
  // A control command has gone out on the line (`written`) or could not be
  // written and waits to be tried again. `uncertain`: written, but the link
  // library says it may have reached the UPS in part only.
  void OnControlWritten(unsigned id, bool written, bool uncertain = false);
  // The monitor gave a control command up: its time ran out before the line
  // could take it.
  void OnControlGivenUp(unsigned id);
  // Who waits for control commands to be written (the scheduled shutdown).
  void ListenForControlWrites(std::function<void(unsigned id, bool written, bool uncertain)> listener) {
    controlListener_ = std::move(listener);
  }
  // Who must know of a command given up (the self-tests).
  void ListenForControlsGivenUp(std::function<void(unsigned id)> listener) { givenUpListener_ = std::move(listener); }
  // Who follows what a server says as it comes (the runtime estimate, which
  // has no second's tick of its own while the UPS is followed over the
  // network), and a change of link kind.
  void ListenForServedNews(std::function<void()> listener) { servedListener_ = std::move(listener); }

  // The settings dialog opened (command 40001) / is open now.
  void OnSettingsDialogOpened();
  void ApplySettings(const LinkSettings& settings);
  void SetSettingsDialogOpen(bool open) { settingsDialogOpen_ = open; }

  const UpsStatus& Status() const { return status_; }
  // The battery as the last accepted status reply gave it.
  const BatteryReading& Battery() const { return battery_; }
  const LinkNotices& Notices() const { return linkNotices_; }
  const LinkWatch& Watch() const { return watch_; }
  // The UPS answers on the link in use: the one answer everyone asks for.
  bool UpsAnswering() const { return watch_.UpsAnswering(); }
  LinkKind Link() const { return watch_.Kind(); }
  long AcceptedStatusReplies() const { return acceptedStatusReplies_; }

 private:
  void Log(Text text);  // an event line in the build's language
  void Record(LinkNews news, Text found);
  void ReportLink(LinkKind kind, bool answering);
  void HandleSerialReply(const std::string& reply);
  void ApplyStatusBits();
  void OnNoReply();
  void OnLinkGone(LinkKind kind);
  void NoteRefusedUnit(const std::string& strings);
  void TakeServedReadings(const ServedReadings& served);
  void TellServedNews() const {
    if (servedListener_) servedListener_();
  }
  bool CarryOutForcedShutdown(const ServedReadings& served);
  void QueueQuery(const std::string& command);

  TimerPort& timers_;
  GaugePort& gauges_;
  MenuPort& menus_;
  NoticePort& notices_;
  MonitorPort& monitor_;
  RecordKeeper& records_;
  PowerState& power_;
  HistoryRecorder* history_ = nullptr;
  LinkWatch watch_;
  LinkNotices linkNotices_;
  UpsStatus status_;
  BatteryReading battery_;
  ReplyText replyText_;
  bool settingsDialogOpen_ = false;
  long acceptedStatusReplies_ = 0;
  std::function<void(unsigned, bool, bool)> controlListener_;
  std::function<void(unsigned)> givenUpListener_;
  std::function<void()> forcedListener_;
  std::function<void()> servedListener_;
  bool forcedShutdownTold_ = false;  // the server's order was carried out; told again only after it was lifted
  std::optional<ServedRefusal> lastRefusal_;
  const PowerEvents& events_;
  bool lossAnnounced_ = false;
  std::string refusedUnitTold_;  // the USB unit refused, recorded already; "" when none is there
  Text startText_ = Text::ProgramStart, endText_ = Text::ProgramEnd;
  bool stopped_ = false;
};

}  // namespace voltaris
