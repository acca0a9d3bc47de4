// Whether a text begins or ends with another, and what it holds between its
// blanks: the checks the file readers and the dialogs make on lines, marks
// and typed texts.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace voltaris {

inline bool StartsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

inline bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The same, letters compared whatever their case (names, keys and
// switches, which Windows matches so).
inline bool SameLetter(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}
inline bool SameTextAnyCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SameLetter);
}
inline bool StartsWithAnyCase(std::string_view text, std::string_view head) {
  return text.size() >= head.size() && SameTextAnyCase(text.substr(0, head.size()), head);
}
inline bool EndsWithAnyCase(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && SameTextAnyCase(text.substr(text.size() - tail.size()), tail);
}

// A text from outside (a device's own strings) as it may be shown and
// recorded: printable ASCII, anything else as "?".
inline std::string PrintableAscii(std::string_view text) {
  std::string printable;
  for (const char c : text) printable += c >= 0x20 && c < 0x7f ? c : '?';
  return printable;
}

// The text without the spaces and tabs at its ends.
inline std::string_view WithoutEndBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace voltaris
