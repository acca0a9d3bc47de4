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

#include "quillon/hid_device.h"

namespace quillon {

class OutputReportRoute {
 public:
  using Way = std::function<ReportWrite(const std::string& report)>;

  OutputReportRoute(Way controlRequest, Way writeFile)
      : controlRequest_(std::move(controlRequest)), writeFile_(std::move(writeFile)) {}

  // What became of `report`. A report whose control request failed is not
  // written again another way: the unit may have taken it after all, and
  // would hear it twice.
  ReportWrite Send(const std::string& report);

 private:
  Way controlRequest_;
  Way writeFile_;
  bool controlRefused_ = false;  // once refused, for as long as the unit is open
  bool controlWorked_ = false;   // once taken: a later refusal is that report's alone
};

}  // namespace quillon
