#include "base/number_text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>

namespace voltaris {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips leading blanks and a sign; returns whether the sign was a minus.
bool SkipBlanksAndSign(std::string_view text, size_t& i) {
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) return text[i++] == '-';
  return false;
}

}  // namespace

int LeadingInteger(std::string_view text) {
  size_t i = 0;
  const bool negative = SkipBlanksAndSign(text, i);
  int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > int64_t{INT_MAX} + 1) value = int64_t{INT_MAX} + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

double LeadingDouble(std::string_view text) {
  size_t i = 0;
  const bool negative = SkipBlanksAndSign(text, i);
  // from_chars reads the longest number that fits, in the "C" format.
  double value = 0;
  const char* begin = text.data() + i;
  const auto result = std::from_chars(begin, text.data() + text.size(), value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) return negative ? -HUGE_VAL : HUGE_VAL;
  if (result.ec != std::errc()) return 0;
  return negative ? -value : value;
}

}  // namespace voltaris
