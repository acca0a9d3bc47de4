// Where the rows of a printed table go. The first page carries a title and
// a column header above its rows, so its rows start on line 5; later pages
// start on line 1. Line n is printed at y = n x pitch, and a page holds
// lines up to (printable height / pitch) - 1.
//
// A page is begun only for a row that needs it: when the last row fills
// the last line, no empty page follows, and an empty table prints one page
// (title and header only).
#pragma once

namespace voltaris {

struct PrintedRow {
  bool newPage;  // the page so far ends, and the row goes on a new one
  int line;
  int y;         // device units from the top of the page
};

class PrintPages {
 public:
  static constexpr int kFirstPageLine = 5;  // under the title and the header

  // `pitch`: the height of a printed line, in the same units as the height.
  PrintPages(int printableHeight, int pitch);

  int Pitch() const { return pitch_; }
  int LinesPerPage() const { return linesPerPage_; }
  // The place of the next row.
  PrintedRow Next();
  // Pages begun so far (one before any row).
  int Pages() const { return pages_; }

 private:
  int pitch_;
  int linesPerPage_;
  int line_ = kFirstPageLine;
  int pages_ = 1;
};

}  // namespace voltaris
