// The history viewer's portable parts: the rows kept for its list (shared
// by every viewer), where printed rows go, and its buttons' zones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/history_view.h"
#include "records/print_layout.h"
#include "records/record_store.h"
#include "records/row_texts.h"

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

TEST(RowTexts, KeepsRowsAndColumnsInOrder) {
  RowTexts rows(3);
  rows.Add({"2026-12-8", "9:5:7", "220 V"});
  rows.Add({"2026-12-9", "", "N/A"});
  ASSERT_EQ(rows.Rows(), 2u);
  EXPECT_EQ(rows.Cell(0, 0), "2026-12-8");
  EXPECT_EQ(rows.Cell(0, 2), "220 V");
  EXPECT_EQ(rows.Cell(1, 1), "");
  EXPECT_EQ(rows.Cell(1, 2), "N/A");
}

TEST(RowTexts, ShortRowsAreFilledAndLongOnesCut) {
  RowTexts rows(2);
  rows.Add({"only"});
  rows.Add({"a", "b", "dropped"});
  EXPECT_EQ(rows.Cell(0, 0), "only");
  EXPECT_EQ(rows.Cell(0, 1), "");
  EXPECT_EQ(rows.Cell(1, 1), "b");
  EXPECT_EQ(rows.Cell(2, 0), "");  // past the last row
  EXPECT_EQ(rows.Cell(1, 2), "");  // past the last column
}

TEST(RowTexts, TextsKeepEveryByteAndLongLengths) {
  RowTexts rows(3);
  const std::string zero("ab\0cd", 5);
  const std::string long127(127, 'a'), long128(128, 'b'), long20000(20000, 'c');  // one, two and three length bytes
  rows.Add({zero, long127, long128});
  rows.Add({long20000, "", "end"});
  EXPECT_EQ(rows.Cell(0, 0), zero);
  EXPECT_EQ(rows.Cell(0, 1), long127);
  EXPECT_EQ(rows.Cell(0, 2), long128);
  EXPECT_EQ(rows.Cell(1, 0), long20000);
  EXPECT_EQ(rows.Cell(1, 1), "");
  EXPECT_EQ(rows.Cell(1, 2), "end");
}

TEST(RowTexts, RowsAcrossManyBlocksStayWhole) {
  RowTexts rows(2);
  const std::string large(3 << 20, 'x');  // larger than a block
  for (int i = 0; i < 100000; ++i) {
    rows.Add({"row " + std::to_string(i), i == 50000 ? large : std::to_string(i * 7)});
  }
  ASSERT_EQ(rows.Rows(), 100000u);
  EXPECT_EQ(rows.Cell(0, 1), "0");
  EXPECT_EQ(rows.Cell(49999, 0), "row 49999");
  EXPECT_EQ(rows.Cell(50000, 1), large);
  EXPECT_EQ(rows.Cell(50001, 1), std::to_string(50001 * 7));
  EXPECT_EQ(rows.Cell(99999, 0), "row 99999");
}

TEST(RowTexts, ClearForgetsEveryRow) {
  RowTexts rows(1);
  rows.Add({"x"});
  rows.Clear();
  EXPECT_EQ(rows.Rows(), 0u);
  rows.Add({"y"});
  EXPECT_EQ(rows.Cell(0, 0), "y");
}

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

TEST(HistoryView, PrintsTheTablesColumns) {
  EXPECT_EQ(LastingColumns(RecordTable::History).size(), static_cast<size_t>(kHistoryColumns));
  EXPECT_EQ(std::string(kHistoryPrintTitle).size(), 19u);
}
