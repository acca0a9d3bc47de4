#include "quillon/output_report.h"

namespace quillon {

// A unit that has taken the control request once reaches it: a refusal
// later (a unit busy for a moment) is not a reason to leave for WriteFile,
// which such units may ignore.
ReportWrite OutputReportRoute::Send(const std::string& report) {
  if (!controlRefused_) {
    const ReportWrite written = controlRequest_(report);
    controlWorked_ = controlWorked_ || written == ReportWrite::Sent;
    if (written != ReportWrite::Refused || controlWorked_) return written;
    controlRefused_ = true;
  }
  return writeFile_(report);
}

}  // namespace quillon
