#include "quillon/output_report.h"

namespace quillon {

bool OutputReportRoute::Send(const std::string& report) {
  if (!controlRefused_) {
    const ReportWrite written = controlRequest_(report);
    if (written != ReportWrite::Refused) return written == ReportWrite::Sent;
    controlRefused_ = true;
  }
  return writeFile_(report) == ReportWrite::Sent;
}

}  // namespace quillon
