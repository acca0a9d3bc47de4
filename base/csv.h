// The records' file format: RFC 4180 rows, CRLF line ends, fields quoted
// only where needed, bytes stored as the program wrote them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace voltaris {

// One row with its CRLF.
std::string EncodeCsvRow(const std::vector<std::string>& fields);

// Turns a byte stream, fed in any chunks, into rows. A row is complete at
// the line end that follows it outside quotes; what is left at Finish()
// without a line end is a torn row and is not delivered.
class CsvReader {
 public:
  using RowHandler = std::function<void(const std::vector<std::string>& fields)>;
  explicit CsvReader(RowHandler onRow) : onRow_(std::move(onRow)) {}

  void Feed(std::string_view bytes);
  // Returns whether a torn row was left over; its fields, as far as they
  // go, into `torn` when given.
  bool Finish(std::vector<std::string>* torn = nullptr);

 private:
  void EndField();
  void EndRow();

  RowHandler onRow_;
  std::vector<std::string> fields_;
  std::string field_;
  bool inQuotes_ = false;
  bool quoteSeen_ = false;   // a quote inside a quoted field: closing, or the first of ""
  bool pendingCr_ = false;
  bool rowStarted_ = false;
};

}  // namespace voltaris
