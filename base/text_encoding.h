// The encodings a hand-edited settings file comes in (Notepad saves as UTF-8
// with a byte-order mark, or as "Unicode", UTF-16 little-endian with one;
// newer editors save UTF-8 without a mark), and the conversions between them
// and the program's own texts, which are single bytes of Windows-1252 as the
// catalogue and the Windows "A" calls have them.
#pragma once

#include <string>
#include <string_view>

namespace voltaris {

enum class TextEncoding { SingleByte, Utf8WithBom, Utf16LeWithBom, Utf8WithoutBom };

// A file's text in the form the program edits it: single-byte files as they
// are, the Unicode forms as UTF-8 without the byte-order mark. Decoding and
// encoding again gives the same bytes, whatever the file holds (UTF-16 that
// is not well formed, and an odd last byte, are carried through).
//
// A file without a mark is UTF-8 when its bytes are well-formed UTF-8 and not
// all ASCII: accented Windows-1252 text almost never is ("r\xe9tablie" is
// not). Anything else without a mark is single-byte, as earlier versions
// wrote it.
struct DecodedText {
  TextEncoding encoding = TextEncoding::SingleByte;
  std::string text;
  std::string oddTail;  // UTF-16 only: a last byte that is half a unit
};

DecodedText DecodeFileText(std::string_view bytes);
std::string EncodeFileText(const DecodedText& decoded);

// Windows-1252 to UTF-8, and back; a character Windows-1252 lacks (or a byte
// that is no UTF-8) becomes "?", as Windows converts it for an "A" call.
std::string Utf8FromWindows1252(std::string_view text);
std::string Windows1252FromUtf8(std::string_view text);

}  // namespace voltaris
