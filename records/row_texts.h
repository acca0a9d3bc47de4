// The rows a viewer shows, kept for a list that asks for its texts by row
// and column (an owner-data list view). A year of history is a million rows:
// their texts are packed one after another into large blocks, each after its
// length, with one pointer per row. Blocks never move, so a growing table
// copies nothing it already holds, adding a row seldom allocates, and no
// text is ever scanned for its end.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace voltaris {

class RowTexts {
 public:
  explicit RowTexts(size_t columns = 1) : columns_(columns) {}

  // Fields past the row's width are dropped and missing ones are empty.
  void Add(const std::vector<std::string>& fields);
  // Forgets every row and gives their memory back.
  void Clear();

  size_t Rows() const { return rows_.size(); }
  size_t Columns() const { return columns_; }
  // The text of a cell; empty outside the table.
  std::string_view Cell(size_t row, size_t column) const;

 private:
  static constexpr size_t kBlockBytes = size_t{1} << 20;

  char* Room(size_t bytes);

  size_t columns_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;  // the unused end of the last block
  size_t freeBytes_ = 0;
  std::vector<const char*> rows_;  // where each row's texts begin
};

}  // namespace voltaris
