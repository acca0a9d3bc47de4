// The five record tables, one CSV file each in the working folder:
//   EventRecord.csv (record), HistorRecord.csv (HistoryData),
//   MonthRecord.csv (MonthRecord), db3.csv (CloseApp),
//   BatteryRecord.csv (BatteryRecord: what the battery did on each discharge).
// Their files, their columns, what a whole row of each looks like, and the
// store's own failures in the program's language.
#pragma once

#include <iterator>
#include <string>
#include <vector>

#include "base/durable_file.h"

namespace voltaris {

enum class RecordTable { Events, History, Daily, ClosedApps, Battery };
enum class DailyColumn { BatteryLow, AcFail, ScheduleDown };
constexpr RecordTable kAllTables[] = {RecordTable::Events, RecordTable::History, RecordTable::Daily,
                                      RecordTable::ClosedApps, RecordTable::Battery};

struct TableInfo {
  const char* fileName;
  const char* tableName;
  std::vector<std::string> columns;  // in file order
  // The columns every version has written: a table an older version began
  // has only these, and its rows are whole with them.
  size_t lastingColumns;
};
const TableInfo& InfoOf(RecordTable table);
const char* ColumnName(DailyColumn column);
size_t DailyIndex(DailyColumn column);  // the column's place in the daily table
// The columns a table has had from the start: what the viewers read, so that
// a table an older version began opens as well as a new one.
std::vector<std::string> LastingColumns(RecordTable table);
// The column names' line, as the file begins.
std::string HeaderOf(RecordTable table);
bool SameColumns(const std::vector<std::string>& a, const std::vector<std::string>& b);

// Whether a row holds the whole set of fields of its table (a cut-short
// line does not, nor an event line whose text stops short of one the program
// writes).
bool LooksWhole(RecordTable table, const std::vector<std::string>& fields);

// The fields of one CSV line, and the rows of CSV text.
std::vector<std::string> ParseLine(const std::string& line);
std::vector<std::vector<std::string>> ParseRows(const std::string& rows);

// The store's failures, told in the program's language.
FileError InBuildLanguage(FileError error);
FileError RowDropped();                            // memory full
FileError TableChanging(const std::string& path);  // another program keeps saving it
FileError NoSuchColumn(RecordTable table, const std::string& column);

}  // namespace voltaris
