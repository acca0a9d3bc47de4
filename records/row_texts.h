// The rows a viewer shows, kept compactly: all texts in one buffer, so that a
// year of history (a million rows) takes one allocation per growth step, not
// one per text, and a list asks for any cell at once.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace voltaris {

class RowTexts {
 public:
  explicit RowTexts(size_t columns = 1) : columns_(columns) {}
  void Add(const std::vector<std::string>& row);
  size_t Rows() const { return columns_ ? starts_.size() / columns_ : 0; }
  std::string_view Cell(size_t row, size_t column) const;
  void Clear();

 private:
  size_t columns_;
  std::string texts_;
  std::vector<size_t> starts_;  // where each cell begins; a cell ends where the next begins
};

}  // namespace voltaris
