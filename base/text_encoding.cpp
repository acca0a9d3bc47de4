#include "base/text_encoding.h"

#include <cstdint>
#include <optional>

#include "base/text_ends.h"

namespace voltaris {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr char kUnknown = '?';

// What Windows-1252 puts at 0x80..0x9F; the five bytes it leaves undefined
// stand for the control characters of the same number, as Windows maps them.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {  // a lone surrogate too, so that nothing is lost
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// One character from `text` at `at`, which moves past it; nothing for a byte
// that does not begin a whole UTF-8 character (`at` moves past that byte).
std::optional<uint32_t> NextUtf8(std::string_view text, size_t& at) {
  const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at++);
  if (lead < 0x80) return lead;
  const int more = lead >= 0xF5 ? -1 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
  if (more < 0 || at + static_cast<size_t>(more) > text.size()) return std::nullopt;
  uint32_t code = lead & (0x3F >> more);
  for (int i = 0; i < more; ++i) {
    if ((byte(at + static_cast<size_t>(i)) & 0xC0) != 0x80) return std::nullopt;
    code = (code << 6) | (byte(at + static_cast<size_t>(i)) & 0x3F);
  }
  static constexpr uint32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
  if (code < kShortest[more] || code > 0x10FFFF) return std::nullopt;
  at += static_cast<size_t>(more);
  return code;
}

// Well-formed UTF-8 with at least one character beyond ASCII. Surrogates
// spelled in three bytes are not well formed, though NextUtf8 takes them (the
// UTF-16 files carry lone ones through that way).
bool IsUtf8BeyondAscii(std::string_view bytes) {
  bool beyondAscii = false;
  for (size_t at = 0; at < bytes.size();) {
    const std::optional<uint32_t> code = NextUtf8(bytes, at);
    if (!code || (*code >= 0xD800 && *code < 0xE000)) return false;
    beyondAscii = beyondAscii || *code >= 0x80;
  }
  return beyondAscii;
}

std::string Utf8FromUtf16Le(std::string_view bytes) {
  std::string out;
  const auto unit = [&bytes](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
  };
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const uint32_t first = unit(i);
    if (first >= 0xD800 && first < 0xDC00 && i + 3 < bytes.size()) {
      const uint32_t second = unit(i + 2);
      if (second >= 0xDC00 && second < 0xE000) {
        AppendUtf8(out, 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, first);
  }
  return out;
}

std::string Utf16LeFromUtf8(std::string_view text) {
  std::string out;
  const auto put = [&out](uint32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  };
  for (size_t at = 0; at < text.size();) {
    const uint32_t code = NextUtf8(text, at).value_or(0xFFFD);
    if (code < 0x10000) {
      put(code);
    } else {
      put(0xD800 + ((code - 0x10000) >> 10));
      put(0xDC00 + ((code - 0x10000) & 0x3FF));
    }
  }
  return out;
}

}  // namespace

DecodedText DecodeFileText(std::string_view bytes) {
  DecodedText decoded;
  if (StartsWith(bytes, kUtf8Bom)) {
    decoded.encoding = TextEncoding::Utf8WithBom;
    decoded.text = bytes.substr(kUtf8Bom.size());
  } else if (StartsWith(bytes, kUtf16LeBom)) {
    decoded.encoding = TextEncoding::Utf16LeWithBom;
    const std::string_view units = bytes.substr(kUtf16LeBom.size());
    decoded.text = Utf8FromUtf16Le(units);
    if (units.size() % 2 != 0) decoded.oddTail = units.substr(units.size() - 1);
  } else if (IsUtf8BeyondAscii(bytes)) {
    decoded.encoding = TextEncoding::Utf8WithoutBom;
    decoded.text = bytes;
  } else {
    decoded.text = bytes;
  }
  return decoded;
}

std::string EncodeFileText(const DecodedText& decoded) {
  switch (decoded.encoding) {
    case TextEncoding::Utf8WithBom: return std::string(kUtf8Bom) + decoded.text;
    case TextEncoding::Utf16LeWithBom:
      return std::string(kUtf16LeBom) + Utf16LeFromUtf8(decoded.text) + decoded.oddTail;
    case TextEncoding::Utf8WithoutBom:
    case TextEncoding::SingleByte: break;
  }
  return decoded.text;
}

std::string Utf8FromWindows1252(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte);
  }
  return out;
}

std::string Windows1252FromUtf8(std::string_view text) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    const size_t start = at;
    const std::optional<uint32_t> code = NextUtf8(text, at);
    if (!code) {
      // Not UTF-8: a single-byte text an earlier version wrote into the file
      // ("d\xe9faut"), kept as it is.
      at = start + 1;
      out += text[start];
      continue;
    }
    char byte = kUnknown;
    if (code && (*code < 0x80 || (*code >= 0xA0 && *code < 0x100))) {
      byte = static_cast<char>(*code);
    } else if (code) {
      for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == *code) byte = static_cast<char>(0x80 + i);
      }
    }
    out += byte;
  }
  return out;
}

}  // namespace voltaris
