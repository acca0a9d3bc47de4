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

// A garbled field ("1e308", "inf", "nan") must not become a reading: an
// infinite or undefined voltage would read as a battery with no time left.
double LeadingDouble(std::string_view text) {
  size_t i = 0;
  const bool negative = SkipBlanksAndSign(text, i);
  const bool digitFirst = i < text.size() && IsDigit(text[i]);
  const bool pointFirst = i + 1 < text.size() && text[i] == '.' && IsDigit(text[i + 1]);
  if (!digitFirst && !pointFirst) return 0;
  // from_chars reads the longest number that fits, in the "C" format.
  double value = 0;
  const char* begin = text.data() + i;
  const auto result = std::from_chars(begin, text.data() + text.size(), value, std::chars_format::fixed);
  if (result.ec != std::errc() || !std::isfinite(value)) return 0;
  return negative ? -value : value;
}

}  // namespace voltaris
