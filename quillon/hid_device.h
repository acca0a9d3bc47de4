// One USB HID UPS as the framings (usb_framing.h) reach it: the HID
// handle of a real unit (hid_device_win), or the simulator's TCP link
// carrying the same reports and string requests (tcp_device_win). Every
// call returns within its time-out; nothing here blocks for good.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon {

// The longest a string request waits for its answer, on a unit or the
// simulator's link: one that takes longer has met a unit that no longer
// answers, so the call ends within about a second.
constexpr unsigned kStringRequestTimeoutMs = 1000;

enum class ReportWrite {
  Sent,     // the unit took the report
  Failed,   // not in time, or the unit has gone: it may have taken it, or take the next
  Refused,  // it did not take it: this way does not reach the unit, or the unit said no
};

enum class DeviceRead {
  Got,     // the report or string is in the out argument
  Failed,  // nothing within the time-out, or the unit refused: it may answer later
  Gone,    // the unit is no longer there; the device is useless from now on
};

class HidDevice {
 public:
  virtual ~HidDevice() = default;
  // False once the unit has gone: the link then looks for it afresh.
  virtual bool Alive() = 0;
  // Bytes of one output report, without the report number.
  virtual size_t OutputReportSize() const = 0;
  // Sends one output report of OutputReportSize bytes.
  virtual ReportWrite WriteReport(const std::string& report) = 0;
  // The next input report (without the report number), waiting at most
  // `timeoutMs`; 0 takes only a report that is already there.
  virtual DeviceRead ReadReport(std::string& report, unsigned timeoutMs) = 0;
  // The string descriptor `index` in `language`, as UTF-16 code units,
  // asking for `mostUnits` of them at most.
  virtual DeviceRead ReadString(uint8_t index, uint16_t language, size_t mostUnits, std::u16string& text) = 0;
};

}  // namespace quillon
