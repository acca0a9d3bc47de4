#include "records/row_texts.h"

namespace voltaris {

void RowTexts::Add(const std::vector<std::string>& row) {
  for (size_t c = 0; c < columns_; ++c) {
    starts_.push_back(texts_.size());
    if (c < row.size()) texts_ += row[c];
  }
}

std::string_view RowTexts::Cell(size_t row, size_t column) const {
  const size_t at = row * columns_ + column;
  if (column >= columns_ || at >= starts_.size()) return {};
  const size_t end = at + 1 < starts_.size() ? starts_[at + 1] : texts_.size();
  return std::string_view(texts_).substr(starts_[at], end - starts_[at]);
}

void RowTexts::Clear() {
  texts_.clear();
  starts_.clear();
}

}  // namespace voltaris
