// A settings folder for one test and the files it holds, shared by the
// tests of the settings file, its reading and its encodings.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "tests/unit/test_folder.h"

namespace voltaris::testing {

class TempFolder : public TestFolder {
 public:
  TempFolder() : TestFolder("voltaris-config") {}
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(path() + "/" + name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path() + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

inline std::string WholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::string ShippedDefaults() { return WholeFile(std::string(VOLTARIS_CONFIG_DIR) + "/UpsConfigure.default.ini"); }

// UTF-16 little-endian bytes of a UTF-8 text (the test's texts have no
// character beyond U+FFFF but the one spelled out as its surrogates).
inline std::string Utf16Le(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    unsigned code = c;
    size_t n = 1;
    if (c >= 0xE0) {
      code = (c & 0x0F) << 12 | (utf8[i + 1] & 0x3F) << 6 | (utf8[i + 2] & 0x3F);
      n = 3;
    } else if (c >= 0xC0) {
      code = (c & 0x1F) << 6 | (utf8[i + 1] & 0x3F);
      n = 2;
    }
    out += static_cast<char>(code & 0xFF);
    out += static_cast<char>(code >> 8);
    i += n;
  }
  return out;
}

}  // namespace voltaris::testing
