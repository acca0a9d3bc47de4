// The power event engine: turns the monitor thread's results into the link
// state, event records, history-timer choices, display updates and warning
// timers, and dispatches every tick of the main window's timers. Runs on
// the user-interface thread only; plain data plus handlers.
#pragma once

#include <string>

#include "config/config_file.h"
#include "config/settings.h"
#include "events/engine_ports.h"
#include "records/record_store.h"
#include "ups/ups_protocol.h"

namespace voltaris {

// The link state and its one-shot flags (1 = set).
struct LinkFlags {
  int serialLinkUp = 0, usbLinkUp = 0, serialPortOpened = 0;
  int reportLinkLoss = 1;        // the "no UPS" box may follow a lost link
  int noReplyReportArmed = 0;    // link grace: set 5 s after start and by every reply
  int noReplyReportAllowed = 1;  // settings quiet: 0 while the settings dialog is open, and 2 s after
  int firstMainsWarningArmed = 1, repeatMainsWarningArmed = 0, batteryLowWarningArmed = 1;
  int logSerialUp = 1, logSerialDown = 1, logUsbUp = 1, logUsbDown = 1;
  int historySerialUpArmed = 1, historySerialDownArmed = 1, historyUsbUpArmed = 1, historyUsbDownArmed = 1;
  int redrawLinkPictures = 0, usbGaugesShown = 0;
  int missedReplies = 0;         // consecutive serial queries without an answer
};

// One pass of the monitor over the USB link.
struct UsbPass {
  bool present = false;     // HidHandle found the device
  std::string ratingReply;  // CmdInput after the rating query
  std::string statusReply;  // CmdInput after the status query
};

class PowerEngine {
 public:
  // A serial UPS that misses this many queries in a row counts as lost.
  static constexpr int kMissedRepliesForLoss = 3;

  PowerEngine(TimerPort& timers, DisplayPort& display, MonitorPort& monitor, RecordStore& records,
              const ConfigFile& config);

  // Main window creation: logs "  Program Start" ...
  void LogProgramStart();
  // ... and chooses the link: a serial one arms timers 1025 and 1047.
  void StartLink(const LinkSettings& settings);
  // Main window destruction: history timers off, "  Program End".
  void Stop();

  void OnTimer(unsigned id);
  void OnSerialOpen(bool opened);
  // `ok`: the read itself worked; `bytes`: what came (possibly nothing).
  void OnSerialRead(bool ok, const std::string& bytes);
  void OnUsbPass(const UsbPass& pass);

  // The settings dialog opened (command 40001) / is open now.
  void OnSettingsDialogOpened();
  void SetSettingsDialogOpen(bool open) { settingsDialogOpen_ = open; }

  const UpsStatus& Status() const { return status_; }
  const LinkFlags& Flags() const { return flags_; }
  LinkKind Link() const { return link_; }
  long AcceptedStatusReplies() const { return acceptedStatusReplies_; }

 private:
  enum class HistoryState { SerialUp, SerialDown, UsbUp, UsbDown };  // order of kHistoryRules

  void Log(const std::string& text);
  void SwitchHistory(HistoryState state);
  void HandleSerialReply(const std::string& reply);
  void ApplyStatusBits();
  void OnNoReply();
  void LogSerialLoss();
  void OnUsbLost();
  void QueueQuery(unsigned timer, const std::string& command);

  TimerPort& timers_;
  DisplayPort& display_;
  MonitorPort& monitor_;
  RecordStore& records_;
  const ConfigFile& config_;
  LinkKind link_ = LinkKind::Serial;
  LinkFlags flags_;
  UpsStatus status_;
  ReplyText replyText_;
  bool settingsDialogOpen_ = false;
  long acceptedStatusReplies_ = 0;
};

}  // namespace voltaris
