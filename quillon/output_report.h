// How an output report reaches a unit. The field's reference driver sends
// every serial-over-HID unit its reports as the control request SET_REPORT
// (wValue 0x0200: output, report 0), which IOCTL_HID_SET_OUTPUT_REPORT asks
// of the HID class on Windows. WriteFile may instead go to the unit's
// interrupt OUT endpoint when it has one, which some units ignore. So the
// control request comes first, and WriteFile only where the request is
// refused. Portable: tested natively with fake ways.
#pragma once

#include <functional>
#include <string>

namespace quillon {

enum class ReportWrite {
  Sent,     // the unit took the report
  Failed,   // it did not in time, or has gone: it may take the next
  Refused,  // this way does not reach the unit at all
};

class OutputReportRoute {
 public:
  using Way = std::function<ReportWrite(const std::string& report)>;

  OutputReportRoute(Way controlRequest, Way writeFile)
      : controlRequest_(std::move(controlRequest)), writeFile_(std::move(writeFile)) {}

  // Whether the unit took `report`. A report whose control request failed
  // is not written again another way: the unit may have taken it after all,
  // and would hear it twice.
  bool Send(const std::string& report);

 private:
  Way controlRequest_;
  Way writeFile_;
  bool controlRefused_ = false;  // once refused, for as long as the unit is open
};

}  // namespace quillon
