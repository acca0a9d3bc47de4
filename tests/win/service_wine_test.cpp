// What the service's installation checks and registers: who may change
// what the service runs, over descriptors written as SDDL (a real folder
// others may write is refused end to end, where Wine shows it as Everyone's
// write), the folder the service keeps its settings and records in, and the
// program's message table for Windows' Application log.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/service_folder_win.h"
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

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// As a careless installer or a standard user would leave it.
void OpenToEveryone(const std::string& path) {
  PSECURITY_DESCRIPTOR open = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &open,
                                                                   nullptr));
  EXPECT_TRUE(SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, open)) << GetLastError();
  LocalFree(open);
}

// Wine makes no junction (FSCTL_SET_REPARSE_POINT is not supported) and its
// CreateSymbolicLinkW answers yes and makes nothing; it does show a Unix
// symbolic link as a reparse point, so there the link is made and removed
// by ln and rm. Wine gives no handle to wait on for a Unix program: what it
// does is looked for, 2 s at the most. Wine's RemoveDirectory of such a link
// removes the folder it points to, and std::filesystem::remove_all loops on
// it once that is gone: neither is used on it.
std::string UnixPath(const std::string& path) {
  using UnixFileName = char*(CDECL*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixFileName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  char* name = unixName ? unixName(std::wstring(path.begin(), path.end()).c_str()) : nullptr;
  const std::string text = name ? name : "";
  HeapFree(GetProcessHeap(), 0, name);
  return text;
}

bool RunUnix(const char* program, std::string commandLine, const std::string& path, bool thenExists) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int tries = 0; tries < 200 && Exists(path) != thenExists; ++tries) Sleep(10);
  return Exists(path) == thenExists;
}

// The service's data folder, tried in a folder of the test's own under the
// prefix's C: drive. Wine keeps no access list for a file: it reads one back
// from the Unix mode (its own account, SYSTEM, and Everyone for the "other"
// bits) and keeps of a written one only what maps onto that mode. Its
// account owns every file, so the folder is checked with that account as
// the installing administrator.
class ServiceFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = "";
    ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
    base_ = std::string(temp) + "voltaris-folder-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount());
    ASSERT_TRUE(CreateDirectoryA(base_.c_str(), nullptr)) << base_;
    ASSERT_FALSE(self_.empty());
  }
  void TearDown() override {
    if (unixLink_) {
      EXPECT_TRUE(RunUnix("Z:\\bin\\rm", "rm \"" + UnixPath(Link()) + "\"", Link(), false));
    } else {
      RemoveDirectoryA(Link().c_str());
    }
    DeleteFileA(At(kTheirFile).c_str());
    for (const char* name : {"Voltaris", "elsewhere\\Voltaris", "elsewhere"}) {
      if (!RemoveDirectoryA(At(name).c_str())) DeleteFileA(At(name).c_str());
    }
    EXPECT_TRUE(RemoveDirectoryA(base_.c_str())) << base_;
  }

  std::string At(const std::string& name) const { return base_ + "\\" + name; }
  std::string Link() const { return At("link"); }
  bool OthersMayChange(const std::string& path) const {
    const std::optional<SecuritySummary> summary = SummaryOfPath(path);
    return !summary || NonAdministratorMayChange(*summary, self_);
  }
  bool MakeLinkTo(const std::string& target) {
    if (CreateSymbolicLinkA(Link().c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) && Exists(Link())) {
      return true;
    }
    const std::string unixTarget = UnixPath(target);
    if (unixTarget.empty()) return false;
    unixLink_ = RunUnix("Z:\\bin\\ln", "ln -s \"" + unixTarget + "\" \"" + UnixPath(Link()) + "\"", Link(), true);
    return unixLink_;
  }

  static constexpr char kTheirFile[] = "Voltaris\\theirs.txt";
  std::string base_;
  const std::string self_ = ProcessUserSid();
  bool unixLink_ = false;
};

TEST(ServiceDataFolder, IsVoltarisInProgramData) {
  char programData[MAX_PATH] = "";
  ASSERT_NE(GetEnvironmentVariableA("ProgramData", programData, sizeof programData), 0u);
  EXPECT_EQ(ServiceDataFolder(), std::string(programData) + "\\Voltaris");
}

// Interactive users' read is checked on the descriptor given: Wine keeps no
// entry but its own account's, SYSTEM's and Everyone's. Everyone has none
// in a folder made with it, where a folder made with Windows' defaults
// shows Everyone reading under Wine.
TEST_F(ServiceFolder, IsMadeForAdministratorsAndSystemWithInteractiveUsersReading) {
  const std::optional<SecuritySummary> given = SummaryOfSddl(kServiceDataFolderSddl);
  ASSERT_TRUE(given);
  EXPECT_FALSE(NonAdministratorMayChange(*given, ""));
  EXPECT_EQ(given->owner, "S-1-5-32-544");
  bool usersRead = false;
  for (const AccessEntry& entry : given->entries) {
    usersRead = usersRead || (entry.sid == "S-1-5-4" && entry.allows && !entry.inheritOnly && entry.mask == 0x1200a9);
  }
  EXPECT_TRUE(usersRead);

  const std::string folder = At("Voltaris");
  ASSERT_EQ(PrepareServiceDataFolder(folder, self_), 0u);
  ASSERT_TRUE(IsFolder(folder));
  EXPECT_FALSE(OthersMayChange(folder));
  const std::optional<SecuritySummary> made = SummaryOfPath(folder);
  ASSERT_TRUE(made);
  for (const AccessEntry& entry : made->entries) {
    EXPECT_TRUE(entry.sid == "S-1-5-32-544" || entry.sid == "S-1-5-18" || entry.sid == "S-1-5-4" || entry.sid == self_)
        << entry.sid;
  }
  EXPECT_EQ(PrepareServiceDataFolder(folder, self_), 0u);  // kept as it is
}

// Under Wine its own account owns every file and stays the owner after the
// access list is written again: taken as any standard user, an empty one is
// refused for staying theirs, one that holds a file for holding it (on
// Windows the empty one is taken, the administrators owning it then). The
// folder is read and written through one handle: Wine makes no junction of
// it meanwhile, nor shows a handle opened on a Unix link as one, so only
// the outcome is checked here.
TEST_F(ServiceFolder, OneOthersCouldChangeIsSecuredAgainOrRefused) {
  const std::string folder = At("Voltaris");
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  OpenToEveryone(folder);
  ASSERT_TRUE(OthersMayChange(folder));
  EXPECT_EQ(PrepareServiceDataFolder(folder, self_), 0u);
  EXPECT_FALSE(OthersMayChange(folder));

  const std::optional<SecuritySummary> summary = SummaryOfPath(folder);
  ASSERT_TRUE(summary);
  if (summary->owner != self_) return;
  EXPECT_EQ(PrepareServiceDataFolder(folder, ""), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  HANDLE file = CreateFileA(At(kTheirFile).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  CloseHandle(file);
  OpenToEveryone(folder);
  EXPECT_EQ(PrepareServiceDataFolder(folder, ""), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << "someone else's: never adopted";
  EXPECT_EQ(PrepareServiceDataFolder(folder, self_), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY))
      << "what others could put in it while it was open";
  EXPECT_TRUE(OthersMayChange(folder)) << "refused as it is, not taken over";
  ASSERT_TRUE(DeleteFileA(At(kTheirFile).c_str()));
  EXPECT_EQ(PrepareServiceDataFolder(folder, self_), 0u) << "an administrator's, empty: taken back";
  EXPECT_FALSE(OthersMayChange(folder));
}

TEST_F(ServiceFolder, AFileInItsPlaceIsRefused) {
  const std::string file = At("Voltaris");
  HANDLE made = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(made, INVALID_HANDLE_VALUE);
  CloseHandle(made);
  EXPECT_EQ(PrepareServiceDataFolder(file, self_), static_cast<DWORD>(ERROR_DIRECTORY));
  EXPECT_FALSE(IsFolder(file));
  EXPECT_NE(PrepareServiceDataFolder(file + "\\Voltaris", self_), 0u);
}

// A standard user who could put a link there would have the service write,
// and set access lists, in whatever folder the link names.
TEST_F(ServiceFolder, ALinkInItsPlaceOrAboveIsNotFollowed) {
  const std::string target = At("elsewhere");
  ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
  OpenToEveryone(target);
  const std::string link = Link();
  if (!MakeLinkTo(target)) GTEST_SKIP() << "this system makes no link to a folder here";
  ASSERT_NE(GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u)
      << "the link is not shown as a reparse point";

  EXPECT_EQ(PrepareServiceDataFolder(link, self_), static_cast<DWORD>(ERROR_REPARSE_POINT_ENCOUNTERED));
  EXPECT_TRUE(OthersMayChange(target));
  EXPECT_EQ(PrepareServiceDataFolder(link + "\\Voltaris", self_), static_cast<DWORD>(ERROR_REPARSE_POINT_ENCOUNTERED));
  EXPECT_FALSE(Exists(target + "\\Voltaris"));
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
