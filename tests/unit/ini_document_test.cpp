// The settings file's lines as the Windows reader sees them, and a write
// that touches one key only.
#include <gtest/gtest.h>

#include <optional>

#include "base/ini_document.h"

using voltaris::IniDocument;

namespace {

const char kHandWritten[] =
    "; written by hand\r\n"
    "[other]\r\n"
    "ComboPort = 5\r\n"
    "\r\n"
    "  [ MSCOMM ]  \r\n"
    "  comboport   =   3  \r\n"
    "ComboPort=7\r\n"
    "# comboRate=4800\r\n"
    "COMBORATE=9600\r\n"
    "\r\n"
    "[DataRecord]\r\n"
    "HistoryZiLiao=1\r\n";

}  // namespace

TEST(IniDocument, MatchesLikeTheWindowsReader) {
  const auto doc = IniDocument::Parse(kHandWritten);
  EXPECT_EQ(doc.Get("Mscomm", "ComboPort"), "3");       // case, blanks; first of two wins
  EXPECT_EQ(doc.Get("mscomm", "comborate"), "9600");    // the commented line does not count
  EXPECT_EQ(doc.Get("other", "ComboPort"), "5");
  EXPECT_EQ(doc.Get("Mscomm", "ComboData"), std::nullopt);
  EXPECT_EQ(doc.Get("Missing", "ComboPort"), std::nullopt);
}

TEST(IniDocument, WriteChangesOneKeyAndKeepsEverythingElse) {
  auto doc = IniDocument::Parse(kHandWritten);
  ASSERT_TRUE(doc.Set("MSCOMM", "comboPORT", "8"));
  ASSERT_TRUE(doc.Set("Mscomm", "ComboStop", "2"));
  ASSERT_TRUE(doc.Set("Schema", "SchemaEveryShutFlag1", "1"));
  EXPECT_EQ(doc.Serialize(),
            "; written by hand\r\n"
            "[other]\r\n"
            "ComboPort = 5\r\n"
            "\r\n"
            "  [ MSCOMM ]  \r\n"
            "comboport=8\r\n"
            "ComboPort=7\r\n"
            "# comboRate=4800\r\n"
            "COMBORATE=9600\r\n"
            "ComboStop=2\r\n"
            "\r\n"
            "[DataRecord]\r\n"
            "HistoryZiLiao=1\r\n"
            "[Schema]\r\n"
            "SchemaEveryShutFlag1=1\r\n");
}

TEST(IniDocument, KeepsLfFilesLfAndRefusesWhatWouldBreakTheFormat) {
  auto doc = IniDocument::Parse("[A]\nx=1\n");
  EXPECT_FALSE(doc.Set("A", "x", "1\r\n[Mscomm]\r\nComboPort=8"));
  EXPECT_FALSE(doc.Set("A", "y=z", "1"));
  EXPECT_FALSE(doc.Set("A]", "y", "1"));
  EXPECT_FALSE(doc.Set("A", "", "1"));
  ASSERT_TRUE(doc.Set("A", "y", " spaced value "));
  EXPECT_EQ(doc.Serialize(), "[A]\nx=1\ny= spaced value \n");
}
