// What the viewers read: a table's rows, in insertion order, as the texts of
// the columns they name, then the rows still waiting for it, so that what
// the user sees is complete.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "records/record_tables.h"

namespace voltaris {

using RowHandler = std::function<void(const std::vector<std::string>& row)>;
// The rows waiting for a table, in order; a daily commit's day rows, which
// are written over the table's last day, into its argument.
using WaitingRowsReader = std::function<std::string(std::string& commitDays)>;

// Streams the table at `path`, then what `waiting` gives (asked once the
// table is read).
FileError ReadTableRows(FileSystem& files, RecordTable table, const std::string& path,
                        const std::vector<std::string>& columns, const WaitingRowsReader& waiting,
                        const RowHandler& onRow);

}  // namespace voltaris
