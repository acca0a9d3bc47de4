// Where printed rows go: lines per page, the header's lines, the last page.
#include <gtest/gtest.h>

#include <vector>

#include "records/print_layout.h"

using namespace voltaris;

namespace {

// Every row of a table of `rows` rows, printed on a page `pitches` lines high.
std::vector<PrintedRow> Print(int rows, int pitches, int pitch = 50) {
  PrintPages pages(pitches * pitch, pitch);
  std::vector<PrintedRow> placed;
  for (int i = 0; i < rows; ++i) placed.push_back(pages.Next());
  return placed;
}

int PagesFor(int rows, int pitches) {
  PrintPages pages(pitches * 50, 50);
  for (int i = 0; i < rows; ++i) pages.Next();
  return pages.Pages();
}

}  // namespace

TEST(PrintPages, LinesPerPageIsHeightOverPitchLessOne) {
  EXPECT_EQ(PrintPages(3000, 50).LinesPerPage(), 59);
  EXPECT_EQ(PrintPages(3049, 50).LinesPerPage(), 59);  // integer division
  EXPECT_EQ(PrintPages(3050, 50).LinesPerPage(), 60);
}

// A page 60 pitches high: rows on lines 5..59 of the first page, 1..59 of the next.
TEST(PrintPages, FirstPageFromLineFiveLaterPagesFromLineOne) {
  const auto rows = Print(55 + 59 + 1, 60);
  EXPECT_FALSE(rows[0].newPage);
  EXPECT_EQ(rows[0].line, 5);
  EXPECT_EQ(rows[0].y, 250);
  EXPECT_EQ(rows[54].line, 59);
  EXPECT_FALSE(rows[54].newPage);
  EXPECT_TRUE(rows[55].newPage);
  EXPECT_EQ(rows[55].line, 1);
  EXPECT_EQ(rows[55].y, 50);
  EXPECT_EQ(rows[55 + 58].line, 59);
  EXPECT_FALSE(rows[55 + 58].newPage);
  EXPECT_TRUE(rows[55 + 59].newPage);
  EXPECT_EQ(rows[55 + 59].line, 1);
  for (size_t i = 1; i < rows.size(); ++i) {
    if (!rows[i].newPage) {
      EXPECT_EQ(rows[i].line, rows[i - 1].line + 1) << "row " << i;
    }
  }
}

TEST(PrintPages, ALastRowOnTheLastLineAddsNoPage) {
  EXPECT_EQ(PagesFor(55, 60), 1);
  EXPECT_EQ(PagesFor(56, 60), 2);
  EXPECT_EQ(PagesFor(55 + 59, 60), 2);
  EXPECT_EQ(PagesFor(55 + 59 + 1, 60), 3);
}

TEST(PrintPages, AnEmptyTablePrintsOnePage) { EXPECT_EQ(PagesFor(0, 60), 1); }

TEST(PrintPages, APageTooShortForTheHeaderStillEndsEveryRow) {
  // Three lines per page: the first row already needs a page of its own.
  const auto rows = Print(3, 4);
  EXPECT_TRUE(rows[0].newPage);
  EXPECT_EQ(rows[0].line, 1);
  EXPECT_FALSE(rows[2].newPage);
  EXPECT_EQ(PagesFor(4, 4), 3);
  EXPECT_EQ(PrintPages(100, 0).Pitch(), 1);  // a device that reports no line height
}
