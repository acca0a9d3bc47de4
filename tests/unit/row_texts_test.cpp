// The rows a viewer keeps for its list, shared by every viewer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/row_texts.h"

using namespace voltaris;

TEST(RowTexts, CellsComeBackAsAddedEmptyOnesIncluded) {
  RowTexts rows(3);
  rows.Add({"2007-3-1", "", "Voltaris"});
  rows.Add({"2007-3-2", "9:00:00"});  // a short row: its last cell is empty
  EXPECT_EQ(rows.Rows(), 2u);
  EXPECT_EQ(rows.Cell(0, 0), "2007-3-1");
  EXPECT_EQ(rows.Cell(0, 1), "");
  EXPECT_EQ(rows.Cell(0, 2), "Voltaris");
  EXPECT_EQ(rows.Cell(1, 1), "9:00:00");
  EXPECT_EQ(rows.Cell(1, 2), "");
  EXPECT_EQ(rows.Cell(2, 0), "");  // past the end
  EXPECT_EQ(rows.Cell(0, 3), "");
  rows.Clear();
  EXPECT_EQ(rows.Rows(), 0u);
}

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
