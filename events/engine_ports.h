// What the power engine needs from the outside world, as small interfaces:
// the Win32 layer implements them with window timers, controls and the
// monitor thread's mailbox; the tests with fakes.
#pragma once

#include <string>

#include "ups/ups_protocol.h"

namespace voltaris {

class TimerPort {
 public:
  virtual ~TimerPort() = default;
  // Arming an armed timer restarts it.
  virtual void Arm(unsigned id, unsigned periodMs) = 0;
  virtual void Kill(unsigned id) = 0;
};

// The gauge panel: readouts, bars and the status pictures.
class GaugePort {
 public:
  virtual ~GaugePort() = default;
  virtual void ZeroGauges() = 0;
  virtual void ZeroUsbGauges() = 0;  // temperature, frequency, battery, output, input bars
  virtual void DisableTemperatureGauge() = 0;
  virtual void ShowLinkPictures(bool up) = 0;
  // The readouts, bars and status pictures, and a sample for the data plot
  // when it is open (over USB the plot is redrawn at once).
  virtual void ShowReadings(LinkKind link, const UpsStatus& status, const BatteryReading& battery) = 0;
  // Redraws the open data plot from its samples.
  virtual void RefreshPlot() = 0;
};

// Which menu entries may be chosen.
class MenuPort {
 public:
  virtual ~MenuPort() = default;
  // "&Control Center", enabled while the UPS answers.
  virtual void SetControlCenterEnabled(bool enabled) = 0;
  virtual void SetCommandEnabled(unsigned command, bool enabled) = 0;
};

// Message boxes and the tray tip.
class NoticePort {
 public:
  virtual ~NoticePort() = default;
  // "Please Connected UPS!", owned by the main window or by nobody. Shown
  // without holding up the caller; one at a time.
  virtual void ShowNoUpsBox(bool ownedByMainWindow) = 0;
  // Records could not be written: tell the user (once per failing spell,
  // one box at a time, by a window that lives).
  virtual void ReportRecordsWaiting(const std::string& problem) = 0;
  // While rows wait the tray tip says so.
  virtual void ShowRecordsWaiting(bool waiting) = 0;
};

// Requests to the monitor thread, which owns the serial port and polls the
// link library.
class MonitorPort {
 public:
  virtual ~MonitorPort() = default;
  virtual void SetLinkKind(LinkKind kind) = 0;
  virtual void ClosePort() = 0;
  // Asks the monitor to open the port (when closed) at its next pass.
  virtual void EnableSerialRead() = 0;
  // A query ("Q1", "F"), answered by one read; one of each waits at most.
  virtual void SendQuery(const std::string& bytes) = 0;
  // A control command, over whichever link is in use: never dropped, sent
  // before waiting queries. Returns the number its "written" report comes
  // back with.
  virtual unsigned SendControl(const UpsControl& control) = 0;
  // Takes back a control command that has not been sent yet.
  virtual void WithdrawControl(unsigned id) = 0;
};

}  // namespace voltaris
