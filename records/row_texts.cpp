#include "records/row_texts.h"

#include <algorithm>
#include <cstring>

namespace voltaris {
namespace {

// A text is kept as its length, 7 bits a byte (high bit: more follow), then
// its bytes: reading a cell walks lengths instead of scanning texts.
size_t LengthBytes(size_t length) {
  size_t bytes = 1;
  while (length >= 0x80) length >>= 7, ++bytes;
  return bytes;
}

char* PutLength(char* at, size_t length) {
  while (length >= 0x80) {
    *at++ = static_cast<char>(0x80 | (length & 0x7F));
    length >>= 7;
  }
  *at++ = static_cast<char>(length);
  return at;
}

const char* GetLength(const char* at, size_t& length) {
  length = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*at++);
    length |= static_cast<size_t>(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return at;
  }
}

// Most texts are a few bytes long, and a call to copy a few bytes costs more
// than the copy (the Windows C library's is slow for them): those are
// copied 16 bytes at a time, in two moves. A string's buffer always holds
// 16 bytes (its own inline buffer, or one allocated for more than 15), and
// the bytes copied past the text land in room the next text overwrites.
constexpr size_t kShortText = 16;

char* PutText(char* at, const std::string& text) {
  at = PutLength(at, text.size());
  if (text.size() <= kShortText) {
    std::memcpy(at, text.data(), kShortText);
  } else {
    std::memcpy(at, text.data(), text.size());
  }
  return at + text.size();
}

}  // namespace

// `bytes` of room for one row, in the last block or a new one (a row larger
// than a block gets a block of its own size).
char* RowTexts::Room(size_t bytes) {
  if (bytes > freeBytes_) {
    const size_t size = std::max(bytes, kBlockBytes);
    blocks_.emplace_back(new char[size]);
    free_ = blocks_.back().get();
    freeBytes_ = size;
  }
  char* at = free_;
  free_ += bytes;
  freeBytes_ -= bytes;
  return at;
}

void RowTexts::Add(const std::vector<std::string>& fields) {
  static const std::string kEmpty;
  const size_t given = std::min(fields.size(), columns_);
  size_t bytes = kShortText + columns_ - given;  // a short copy's slack, the missing fields' lengths
  for (size_t i = 0; i < given; ++i) bytes += LengthBytes(fields[i].size()) + fields[i].size();
  char* const row = Room(bytes);
  char* at = row;
  for (size_t i = 0; i < columns_; ++i) at = PutText(at, i < given ? fields[i] : kEmpty);
  // The slack was for the copies only: the next row starts where this one ends.
  const auto unused = static_cast<size_t>(row + bytes - at);
  free_ -= unused;
  freeBytes_ += unused;
  rows_.push_back(row);
}

void RowTexts::Clear() {
  std::vector<const char*>().swap(rows_);
  std::vector<std::unique_ptr<char[]>>().swap(blocks_);
  free_ = nullptr;
  freeBytes_ = 0;
}

std::string_view RowTexts::Cell(size_t row, size_t column) const {
  if (row >= rows_.size() || column >= columns_) return {};
  const char* at = rows_[row];
  size_t length = 0;
  for (size_t skipped = 0;; ++skipped) {
    at = GetLength(at, length);
    if (skipped == column) return {at, length};
    at += length;
  }
}

}  // namespace voltaris
