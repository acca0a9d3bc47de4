// The power event engine: turns the monitor thread's results into the link
// state, event records, history-timer choices, display updates and warning
// timers, and handles the ticks of the timers it owns (the timer table hands
// each tick to its owner). Runs on the user-interface thread only; plain
// data plus handlers.
#pragma once

#include <functional>
#include <string>

#include "base/timer_table.h"
#include "config/config_file.h"
#include "config/settings.h"
#include "i18n/catalogue.h"
#include "power/engine_ports.h"
#include "power/power_events.h"
#include "power/power_flags.h"
#include "power/record_keeper.h"
#include "ups/monitor_report.h"
#include "ups/ups_protocol.h"

namespace voltaris {

// The link state and its one-shot flags (1 = set).
struct LinkFlags {
  int serialLinkUp = 0, usbLinkUp = 0, serialPortOpened = 0;
  int reportLinkLoss = 1;        // the "no UPS" box may follow a lost link
  int noReplyReportArmed = 0;    // link grace: set 5 s after start and by every reply
  int noReplyReportAllowed = 1;  // settings quiet: 0 while the settings dialog is open, and 2 s after
  int logSerialUp = 1, logSerialDown = 1, logUsbUp = 1, logUsbDown = 1;
  int historySerialUpArmed = 1, historySerialDownArmed = 1, historyUsbUpArmed = 1, historyUsbDownArmed = 1;
  int redrawLinkPictures = 0;    // the pictures went down with a silent UPS: up at its next reply
  int usbGaugesShown = 0;
  int missedReplies = 0;         // consecutive serial queries without an answer
};

class PowerEngine : public TimerOwner {
 public:
  // A serial UPS that misses this many queries in a row counts as lost; from
  // then on the port is closed and opened again at every status query until
  // the UPS answers.
  static constexpr int kMissedRepliesForLoss = 3;

  PowerEngine(TimerPort& timers, GaugePort& gauges, MenuPort& menus, NoticePort& notices, MonitorPort& monitor,
              RecordKeeper& records, const ConfigFile& config, PowerFlags& power, const PowerEvents& events);
  void OwnTimers(TimerTable& table);

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
  // A control command has gone out on the line (`written`) or could not be
  // written and waits to be tried again.
  void OnControlWritten(unsigned id, bool written);
  // The monitor gave a control command up: its time ran out before the line
  // could take it.
  void OnControlGivenUp(unsigned id);
  // Who waits for control commands to be written (the scheduled shutdown).
  void ListenForControlWrites(std::function<void(unsigned id, bool written)> listener) {
    controlListener_ = std::move(listener);
  }
  // Who must know of a command given up (the self-tests).
  void ListenForControlsGivenUp(std::function<void(unsigned id)> listener) { givenUpListener_ = std::move(listener); }

  // The settings dialog opened (command 40001) / is open now.
  void OnSettingsDialogOpened();
  void ApplySettings(const LinkSettings& settings);
  void SetSettingsDialogOpen(bool open) { settingsDialogOpen_ = open; }

  const UpsStatus& Status() const { return status_; }
  // The battery as the last accepted status reply gave it.
  const BatteryReading& Battery() const { return battery_; }
  const LinkFlags& Flags() const { return flags_; }
  // The UPS answers on the link in use.
  bool UpsAnswering() const { return link_ == LinkKind::Usb ? flags_.usbLinkUp : flags_.serialLinkUp; }
  LinkKind Link() const { return link_; }
  long AcceptedStatusReplies() const { return acceptedStatusReplies_; }

 private:
  enum class HistoryState { SerialUp, SerialDown, UsbUp, UsbDown };  // order of kHistoryRules

  void Log(Text text);  // an event line in the build's language
  void LogLinkLost();
  void LogLinkFound(Text text);
  void SwitchHistory(HistoryState state);
  void HandleSerialReply(const std::string& reply);
  void ApplyStatusBits();
  void OnNoReply();
  void LogSerialLoss();
  void OnUsbLost();
  void QueueQuery(const std::string& command);
  void ReopenLostPort();

  TimerPort& timers_;
  GaugePort& gauges_;
  MenuPort& menus_;
  NoticePort& notices_;
  MonitorPort& monitor_;
  RecordKeeper& records_;
  const ConfigFile& config_;
  PowerFlags& power_;
  LinkKind link_ = LinkKind::Serial;
  LinkFlags flags_;
  UpsStatus status_;
  BatteryReading battery_;
  ReplyText replyText_;
  bool settingsDialogOpen_ = false;
  long acceptedStatusReplies_ = 0;
  std::function<void(unsigned, bool)> controlListener_;
  std::function<void(unsigned)> givenUpListener_;
  const PowerEvents& events_;
  bool lossAnnounced_ = false;
  Text startText_ = Text::ProgramStart, endText_ = Text::ProgramEnd;
  bool stopped_ = false;
};

}  // namespace voltaris
