// What the power engine needs from the windows, as small interfaces: the
// gauge panel, the menus and the boxes and tray tip. The Win32 layer
// implements them with controls; the tests with fakes. (Its timers and the
// monitor thread come through base/timer_port.h and ups/monitor_port.h.)
#pragma once

#include <string>

#include "base/timer_port.h"
#include "ups/monitor_port.h"
#include "ups/ups_protocol.h"

namespace voltaris {

// The gauge panel: readouts, bars and the status pictures.
class GaugePort {
 public:
  virtual ~GaugePort() = default;
  virtual void ZeroGauges() = 0;
  virtual void ZeroUsbGauges() = 0;  // temperature, frequency, battery, output, input bars
  virtual void DisableTemperatureGauge() = 0;
  // The two link pictures, up or down; they show that until told otherwise.
  virtual void ShowLinkPictures(bool up) = 0;
  // The readouts, bars and status pictures, and a sample for the data plot
  // when it is open (over USB the plot is redrawn at once).
  virtual void ShowReadings(LinkKind link, const UpsStatus& status, const BatteryReading& battery) = 0;
  // Redraws the open data plot from its samples.
  virtual void RefreshPlot() = 0;
  // The battery's runtime estimate as a line ("about 14 min left"), or
  // nothing while there is no reading.
  virtual void ShowRuntime(const std::string& text) = 0;
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

}  // namespace voltaris
