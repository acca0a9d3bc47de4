#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "quillon/output_report.h"

// The two ways an output report can take, as a unit's driver answers them.
struct FakeWays {
  std::deque<quillon::ReportWrite> control, file;  // what each way says next; Sent once none is left
  std::vector<std::string> byControl, byFile;      // the reports each way was asked to send
  quillon::OutputReportRoute Route() {
    auto way = [](std::deque<quillon::ReportWrite>& says, std::vector<std::string>& asked) {
      return [&says, &asked](const std::string& report) {
        asked.push_back(report);
        if (says.empty()) return quillon::ReportWrite::Sent;
        const auto said = says.front();
        says.pop_front();
        return said;
      };
    };
    return quillon::OutputReportRoute(way(control, byControl), way(file, byFile));
  }
};


TEST(QuillonOutputReports, TheControlRequestFirstAndWriteFileOnlyWhereItIsRefused) {
  using quillon::ReportWrite;
  FakeWays ways;
  auto route = ways.Route();
  // Failed in time, or by a unit gone: not sent again another way, where it could be heard twice.
  ways.control = {ReportWrite::Failed};
  EXPECT_EQ(route.Send("a"), ReportWrite::Failed);
  EXPECT_TRUE(ways.byFile.empty());
  // Refused before the request ever went through: this report and every later one by WriteFile.
  ways.control = {ReportWrite::Refused};
  EXPECT_EQ(route.Send("b"), ReportWrite::Sent);
  EXPECT_EQ(route.Send("c"), ReportWrite::Sent);
  EXPECT_EQ(ways.byControl, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(ways.byFile, (std::vector<std::string>{"b", "c"}));
  ways.file = {ReportWrite::Failed};
  EXPECT_EQ(route.Send("d"), ReportWrite::Failed);
  // A unit whose WriteFile is refused too takes nothing.
  FakeWays neither;
  neither.control = {ReportWrite::Refused};
  neither.file = {ReportWrite::Refused};
  auto none = neither.Route();
  EXPECT_NE(none.Send("a"), ReportWrite::Sent);
  // A unit that took the request once reaches it: a refusal later is that report's alone.
  FakeWays taken;
  auto once = taken.Route();
  EXPECT_EQ(once.Send("a"), ReportWrite::Sent);
  taken.control = {ReportWrite::Refused};
  EXPECT_EQ(once.Send("b"), ReportWrite::Refused);
  EXPECT_EQ(once.Send("c"), ReportWrite::Sent);
  EXPECT_EQ(taken.byControl, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(taken.byFile.empty());
}
