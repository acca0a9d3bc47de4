#include "records/daily_counts.h"

#include "base/csv.h"
#include "base/number_text.h"
#include "base/text_ends.h"

namespace voltaris {

std::string DailyDelta(DailyColumn column, const std::string& dayKey) {
  std::vector<std::string> row{dayKey, "0", "0", "0"};
  row[DailyIndex(column)] = "1";
  return EncodeCsvRow(row);
}

void AddDailyCounts(DayRows& days, const std::vector<std::string>& delta) {
  if (delta.size() != 4) return;
  if (days.empty() || !SameTextAnyCase(days.back()[0], delta[0])) {
    days.push_back({delta[0], "0", "0", "0"});
  }
  for (size_t i = 1; i < 4; ++i) {
    days.back()[i] = std::to_string(LeadingInteger(days.back()[i]) + LeadingInteger(delta[i]));
  }
}

void TakeCommitDays(DayRows& days, const std::string& commitDays) {
  for (const auto& day : ParseRows(commitDays)) {
    if (day.size() != 4 || SameColumns(day, InfoOf(RecordTable::Daily).columns)) continue;
    if (days.empty() || !SameTextAnyCase(days.back()[0], day[0])) days.push_back(day);
    days.back() = day;
  }
}

}  // namespace voltaris
