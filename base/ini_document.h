// A settings file in the Windows initialisation-file format, held as its
// lines so that a write changes one key and keeps everything else (other
// sections, comments, blank lines, order, line ends) as it was.
//
// Matching follows the Windows reader: section and key names without regard
// to case, blanks around names, "=" and values ignored, the first of two
// equal keys wins, lines starting with ";" or "#" are comments.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace voltaris {

class IniDocument {
 public:
  IniDocument() = default;
  // Accepts CRLF and LF lines; remembers which one the file uses.
  static IniDocument Parse(std::string_view text);

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;

  // Sets the key's value, creating the key or the section as needed. False
  // (nothing changed) for names the format cannot hold: empty, with "=",
  // "[", "]" or a line break, or a value with a line break.
  bool Set(std::string_view section, std::string_view key, std::string_view value);

  std::string Serialize() const;

  // An editor's byte-order mark hid the first section from earlier versions,
  // which wrote their keys into a second section of that name: that second
  // one is the one in use, and the hidden one is left as it stands.
  void SkipFirstSectionIfRepeated();

 private:
  bool Skipped(size_t line) const { return line >= skipFrom_ && line < skipTo_; }

  std::optional<size_t> FindKeyLine(std::string_view section, std::string_view key) const;
  std::optional<size_t> FindSectionEnd(std::string_view section) const;

  std::vector<std::string> lines_;
  std::string eol_ = "\r\n";
  size_t skipFrom_ = 0, skipTo_ = 0;  // lines no lookup sees
};

}  // namespace voltaris
