#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/csv.h"

using namespace voltaris;

TEST(Csv, QuotesOnlyWhereNeededAndReadsBack) {
  const std::vector<std::string> fields{"plain", "a,b", "say \"hi\"", "two\r\nlines", "", "\xE9t\xE9"};
  const std::string row = EncodeCsvRow(fields);
  EXPECT_EQ(row, "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\",,\xE9t\xE9\r\n");
  std::vector<std::vector<std::string>> rows;
  CsvReader reader([&rows](const auto& f) { rows.push_back(f); });
  for (char c : row + row) reader.Feed(std::string_view(&c, 1));  // byte by byte
  EXPECT_FALSE(reader.Finish());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], fields);
}
