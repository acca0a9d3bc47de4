// Whether a text begins or ends with another: the checks the file readers
// make on lines and marks.
#pragma once

#include <string_view>

namespace voltaris {

inline bool StartsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

inline bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace voltaris
