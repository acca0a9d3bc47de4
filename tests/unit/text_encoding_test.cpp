// The settings file's encodings: how a file is recognised and written back.
#include <gtest/gtest.h>

#include <string>

#include "base/text_encoding.h"
#include "config/config_file.h"
#include "config/settings.h"
#include "tests/unit/config_folder.h"

using voltaris::ConfigFile;
using voltaris::testing::TempFolder;
using voltaris::testing::Utf16Le;

TEST(TextEncoding, AFileWithoutAMarkIsUtf8OnlyWhenWellFormedAndNotAllAscii) {
  using voltaris::TextEncoding;
  const struct {
    const char* bytes;
    TextEncoding encoding;
  } files[] = {
      {"AcNormalMessage=Alimentation r\xc3\xa9tablie\r\n", TextEncoding::Utf8WithoutBom},
      {"AcInterruptlMessage=Coupure secteur\xc2\xa0!", TextEncoding::Utf8WithoutBom},
      {"; \xf0\x9f\x98\x8b", TextEncoding::Utf8WithoutBom},
      {"", TextEncoding::SingleByte},
      {"ComboPort=2\r\n", TextEncoding::SingleByte},
      {"AcNormalMessage=Alimentation r\xe9tablie\r\n", TextEncoding::SingleByte},
      {"AcInterruptlMessage=Coupure secteur\xa0!", TextEncoding::SingleByte},
      {"r\xc3\xa9tablie, syst\xe8me", TextEncoding::SingleByte},  // well formed up to one byte
      {"fin \xc3", TextEncoding::SingleByte},                      // cut short
      {"\xc0\xa9", TextEncoding::SingleByte},                      // a longer form than needed
      // Both sides of the surrogates, and of the last character there is.
      {"\xed\x9f\xbf", TextEncoding::Utf8WithoutBom},
      {"\xed\xa0\x80", TextEncoding::SingleByte},
      {"\xed\xbf\xbf", TextEncoding::SingleByte},
      {"\xee\x80\x80", TextEncoding::Utf8WithoutBom},
      {"\xf4\x8f\xbf\xbf", TextEncoding::Utf8WithoutBom},
      {"\xf4\x90\x80\x80", TextEncoding::SingleByte},
  };
  for (const auto& file : files) {
    const voltaris::DecodedText decoded = voltaris::DecodeFileText(file.bytes);
    EXPECT_EQ(decoded.encoding, file.encoding) << file.bytes;
    EXPECT_EQ(decoded.text, file.bytes);
    EXPECT_EQ(voltaris::EncodeFileText(decoded), file.bytes);
  }
}

// Every byte to the character Windows gives it, and back to the same byte:
// the five bytes Windows-1252 leaves undefined stand for the control
// characters of their number.
TEST(TextEncoding, EveryWindows1252ByteGoesToUnicodeAndBack) {
  // 0x80..0x9F in UTF-8; the five undefined ones are the two-byte C2 forms.
  const char* high[32] = {
      "\xe2\x82\xac", "\xc2\x81",     "\xe2\x80\x9a", "\xc6\x92",     "\xe2\x80\x9e", "\xe2\x80\xa6", "\xe2\x80\xa0",
      "\xe2\x80\xa1", "\xcb\x86",     "\xe2\x80\xb0", "\xc5\xa0",     "\xe2\x80\xb9", "\xc5\x92",     "\xc2\x8d",
      "\xc5\xbd",     "\xc2\x8f",     "\xc2\x90",     "\xe2\x80\x98", "\xe2\x80\x99", "\xe2\x80\x9c", "\xe2\x80\x9d",
      "\xe2\x80\xa2", "\xe2\x80\x93", "\xe2\x80\x94", "\xcb\x9c",     "\xe2\x84\xa2", "\xc5\xa1",     "\xe2\x80\xba",
      "\xc5\x93",     "\xc2\x9d",     "\xc5\xbe",     "\xc5\xb8"};
  const auto utf8 = [&high](unsigned byte) -> std::string {
    if (byte < 0x80) return std::string(1, static_cast<char>(byte));
    if (byte < 0xA0) return high[byte - 0x80];
    return {static_cast<char>(0xC0 | (byte >> 6)), static_cast<char>(0x80 | (byte & 0x3F))};  // U+00A0..U+00FF
  };
  std::string all, allUtf8;
  for (unsigned byte = 0; byte < 256; ++byte) {
    const std::string single(1, static_cast<char>(byte));
    const std::string unicode = utf8(byte);
    EXPECT_EQ(voltaris::Utf8FromWindows1252(single), unicode) << "byte " << byte;
    EXPECT_EQ(voltaris::Windows1252FromUtf8(unicode), single) << "byte " << byte;
    all += single;
    allUtf8 += unicode;
  }
  EXPECT_EQ(voltaris::Utf8FromWindows1252(all), allUtf8);
  EXPECT_EQ(voltaris::Windows1252FromUtf8(allUtf8), all);
  // The French no-break space before "!" and ":"; the narrow one and a Greek
  // letter Windows-1252 lacks.
  EXPECT_EQ(voltaris::Windows1252FromUtf8("Coupure secteur\xc2\xa0!"), "Coupure secteur\xa0!");
  EXPECT_EQ(voltaris::Windows1252FromUtf8("Batterie\xe2\x80\xaf: \xce\xa9"), "Batterie?: ?");
}

// A UTF-16 file of an odd number of bytes: its last byte, half a unit, is
// kept through a read and a write, at the end of the file.
TEST(TextEncoding, TheOddLastByteOfAUtf16FileIsKept) {
  const std::string before = "[AlarmMessage]\r\nAcNormalMessage=Alimentation r\xc3\xa9tablie\r\n";
  const std::string bytes = "\xFF\xFE" + Utf16Le(before) + "\x0a";
  const voltaris::DecodedText decoded = voltaris::DecodeFileText(bytes);
  EXPECT_EQ(decoded.text, before);
  EXPECT_EQ(decoded.oddTail, "\x0a");
  EXPECT_EQ(voltaris::EncodeFileText(decoded), bytes);

  TempFolder dir;
  dir.Write(ConfigFile::kFileName, bytes);
  ConfigFile file(dir.path());
  ASSERT_FALSE(file.WriteString("AlarmMessage", "ShutDownMessage", "Fermeture du syst\xe8me"));
  EXPECT_EQ(dir.Read(ConfigFile::kFileName),
            "\xFF\xFE" + Utf16Le(before + "ShutDownMessage=Fermeture du syst\xc3\xa8me\r\n") + "\x0a");
  EXPECT_EQ(voltaris::ReadAlarmMessages(file).acRestored, "Alimentation r\xe9tablie");
}
