// The history viewer's portable parts: the columns it prints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/history_view.h"
#include "records/record_store.h"

using namespace voltaris;

TEST(HistoryView, PrintsTheTablesColumns) {
  EXPECT_EQ(LastingColumns(RecordTable::History).size(), static_cast<size_t>(kHistoryColumns));
  EXPECT_EQ(std::string(kHistoryPrintTitle).size(), 19u);
}
