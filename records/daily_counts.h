// The daily table counts what happened each day: a count waits (in the
// journal, in memory) as a row of counts to add, in the table's own format,
// and is added to its day's row.
#pragma once

#include <string>
#include <vector>

#include "records/record_tables.h"

namespace voltaris {

using DayRows = std::vector<std::vector<std::string>>;

// One count of `column` on the day `dayKey`, as a row to add.
std::string DailyDelta(DailyColumn column, const std::string& dayKey);
// Adds a row of counts to the last day when it is the same day, else starts
// a new day.
void AddDailyCounts(DayRows& days, const std::vector<std::string>& delta);
// A commit's day rows (its payload), each written over the day it names
// when that is the last one, else after it.
void TakeCommitDays(DayRows& days, const std::string& commitDays);

}  // namespace voltaris
