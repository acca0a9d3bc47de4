#include "records/print_layout.h"

namespace voltaris {

// A device that reports no line height would put every row at y 0 and never
// fill a page; one unit keeps the arithmetic sane.
PrintPages::PrintPages(int printableHeight, int pitch)
    : pitch_(pitch > 0 ? pitch : 1), linesPerPage_(printableHeight / pitch_ - 1) {}

PrintedRow PrintPages::Next() {
  PrintedRow row{false, line_, 0};
  if (line_ > linesPerPage_) {
    row.newPage = true;
    row.line = 1;
    ++pages_;
  }
  row.y = row.line * pitch_;
  line_ = row.line + 1;
  return row;
}

}  // namespace voltaris
