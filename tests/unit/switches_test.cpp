#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/switches.h"

using namespace voltaris;

// Switches are matched whole and in any case: "/service" is not found
// inside "/install-service" nor in a path; anything else is told apart.
TEST(Switches, MatchedWholeInAnyCaseAndTheRestToldApart) {
  const Switches install = ReadSwitches({"/Install-Service", "/QUIET", "/quiet"});
  EXPECT_EQ(install.given, (std::vector<Switch>{Switch::InstallService, Switch::Quiet}));
  EXPECT_FALSE(install.Has(Switch::Service));
  EXPECT_TRUE(install.unknown.empty());
  const Switches odd = ReadSwitches({"/headless", "Files\\x\\service", "/servic", "-headless", ""});
  EXPECT_EQ(odd.given, std::vector<Switch>{Switch::Headless});
  EXPECT_EQ(odd.unknown, (std::vector<std::string>{"/servic", "-headless"}));
}

// The program's name is cut off its command line whole, quoted or not, even
// with a space in its folder, as a Run value often has it.
TEST(Switches, TheProgramsNameIsCutOffWholeQuotedOrNot) {
  const std::string self = "C:\\Program Files\\Voltaris\\Voltaris.exe";
  const struct {
    std::string line, rest;
  } cases[] = {
      {"C:\\Program Files\\Voltaris\\Voltaris.exe /headless", " /headless"},
      {"c:\\program files\\voltaris\\VOLTARIS.EXE", ""},
      {"\"C:\\Program Files\\Voltaris\\Voltaris.exe\" /service", " /service"},
      {"\"C:\\Program Files\\Voltaris\\Voltaris.exe\"/quiet", "/quiet"},
      {"Voltaris.exe /quiet /install-service", " /quiet /install-service"},
      {"\"unclosed", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(AfterProgramName(c.line, self), c.rest) << c.line;
}
