// What the service's installation checks and registers: who may change
// what the service runs, over descriptors written as SDDL (a real folder
// others may write is refused end to end, where Wine shows it as Everyone's
// write), and the program's message table for Windows' Application log.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/write_rights_win.h"
#include "power/event_log.h"

namespace voltaris {
namespace {

constexpr char kInstaller[] = "S-1-5-21-1-2-3-500";

TEST(WriteRights, OnlyAdministratorsSystemAndTheInstallerMayChangeWhatTheServiceRuns) {
  const struct {
    const char* what;
    const char* sddl;
    bool changeable;
  } cases[] = {
      {"administrators only, users read", "O:BAG:SYD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)", false},
      {"users may write", "O:BAD:(A;;FA;;;BA)(A;;0x1301bf;;;BU)", true},
      {"users may only append (add files to a folder)", "O:BAD:(A;;FA;;;BA)(A;;0x1200ad;;;BU)", true},
      {"Authenticated Users Modify inherited from C:\\",
       "O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIIOID;GA;;;CO)(A;OICIID;0x1301bf;;;AU)"
       "(A;OICIID;0x1200a9;;;BU)",
       true},
      {"the owner a standard user", "O:S-1-5-21-1-2-3-1001D:(A;;FA;;;BA)(A;;FA;;;SY)", true},
      {"the owner the installing administrator", "O:S-1-5-21-1-2-3-500D:(A;;FA;;;S-1-5-21-1-2-3-500)", false},
      {"TrustedInstaller's, as under Program Files",
       "O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:(A;;FA;;;S-1-5-80-956008885-3418522649-"
       "1831038044-1853292631-2271478464)(A;;0x1301bf;;;SY)(A;;0x1200a9;;;BU)",
       false},
      {"users' write passed on only to what the folder will hold",
       "O:BAD:(A;OICI;FA;;;BA)(A;OICIIO;0x1301bf;;;BU)", false},
      {"users may change the access list alone", "O:BAD:(A;;FA;;;BA)(A;;0x40000;;;BU)", true},
      {"everyone may change it (generic write)", "O:BAD:(A;;FA;;;BA)(A;;GW;;;WD)", true},
      {"no access list at all", "O:BA", true},
      {"a deny does not make users' write safe", "O:BAD:(D;;FA;;;S-1-5-21-1-2-3-1001)(A;;0x1301bf;;;BU)", true},
  };
  for (const auto& c : cases) {
    const std::optional<SecuritySummary> summary = SummaryOfSddl(c.sddl);
    ASSERT_TRUE(summary) << c.what;
    EXPECT_EQ(NonAdministratorMayChange(*summary, kInstaller), c.changeable) << c.what;
  }
  // An account not trusted (its rights split: its own programs without
  // elevation could change what it owns) is no administrator here.
  const std::optional<SecuritySummary> own = SummaryOfSddl("O:S-1-5-21-1-2-3-500D:(A;;FA;;;SY)");
  ASSERT_TRUE(own);
  EXPECT_TRUE(NonAdministratorMayChange(*own, ""));
  EXPECT_FALSE(SummaryOfSddl("O:BAD:(A;;FA;;;"));
}

// Every id the program logs under has its message in the program itself,
// which places the row's text.
TEST(EventLogMessages, TheProgramCarriesAMessageForEveryIdItLogs) {
  HMODULE program = LoadLibraryExA(VOLTARIS_PROGRAM, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr) << VOLTARIS_PROGRAM;
  size_t count = 0;
  const EventLogRow* rows = EventLogRows(&count);
  std::vector<uint32_t> ids;
  for (const EventLogEntry& own : kOwnEntries) ids.push_back(own.id);
  for (size_t i = 0; i < count; ++i) ids.push_back(rows[i].entry.id);
  for (uint32_t id : ids) {
    DWORD_PTR text[] = {reinterpret_cast<DWORD_PTR>("  AC Fail!")};
    char message[256] = "";
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, program, id,
                                        MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), message, sizeof message,
                                        reinterpret_cast<va_list*>(text));
    EXPECT_GT(length, 0u) << "no message " << id << " (error " << GetLastError() << ")";
    EXPECT_NE(std::string(message).find("AC Fail!"), std::string::npos) << id;
  }
  FreeLibrary(program);
}

}  // namespace
}  // namespace voltaris
