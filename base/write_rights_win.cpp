#include "base/write_rights_win.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

namespace voltaris {

namespace {

std::string SidText(PSID sid) {
  char* text = nullptr;
  if (sid == nullptr || !ConvertSidToStringSidA(sid, &text)) return "";
  std::string result = text;
  LocalFree(text);
  return result;
}

// Allow and deny entries are read; any other kind in a DACL (a conditional
// or an object entry) is taken as one that may grant anything to anyone.
AccessEntry EntryOf(const ACE_HEADER* header) {
  AccessEntry entry;
  entry.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
  if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
    const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
    entry.allows = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
    entry.mask = ace->Mask;
    entry.sid = SidText(const_cast<DWORD*>(&ace->SidStart));
    return entry;
  }
  entry.mask = GENERIC_ALL;
  return entry;
}

std::optional<SecuritySummary> Summary(PSECURITY_DESCRIPTOR descriptor) {
  SecuritySummary summary;
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted)) return std::nullopt;
  summary.owner = SidText(owner);
  BOOL present = FALSE;
  PACL dacl = nullptr;
  if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) return std::nullopt;
  summary.hasDacl = present && dacl != nullptr;
  if (!summary.hasDacl) return summary;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return std::nullopt;
    summary.entries.push_back(EntryOf(static_cast<const ACE_HEADER*>(ace)));
  }
  return summary;
}

// A descriptor Windows gave (or none, with the error), summed up and freed.
std::optional<SecuritySummary> SummaryOfGiven(DWORD error, PSECURITY_DESCRIPTOR descriptor) {
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return std::nullopt;
  }
  std::optional<SecuritySummary> summary = Summary(descriptor);
  LocalFree(descriptor);
  return summary;
}

}  // namespace

std::optional<SecuritySummary> SummaryOfSddl(const std::string& sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const bool read =
      ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr);
  return SummaryOfGiven(read ? ERROR_SUCCESS : GetLastError(), descriptor);
}

std::optional<SecuritySummary> SummaryOfPath(const std::string& path, bool* missing) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error =
      GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, nullptr, nullptr, &descriptor);
  if (missing) *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  return SummaryOfGiven(error, descriptor);
}

std::optional<SecuritySummary> SummaryOfHandle(HANDLE file) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, nullptr, nullptr, &descriptor);
  return SummaryOfGiven(error, descriptor);
}

std::string ProcessUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return "";
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::string bytes(size, '\0');
  std::string sid;
  if (size > 0 && GetTokenInformation(token, TokenUser, bytes.data(), size, &size)) {
    sid = SidText(reinterpret_cast<TOKEN_USER*>(bytes.data())->User.Sid);
  }
  CloseHandle(token);
  return sid;
}

std::string FirstChangeableByNonAdministrator(const std::vector<std::string>& paths, const std::string& installer) {
  for (const std::string& path : paths) {
    bool missing = false;
    const std::optional<SecuritySummary> summary = SummaryOfPath(path, &missing);
    if (!summary && missing) continue;
    if (!summary || NonAdministratorMayChange(*summary, installer)) return path;
  }
  return "";
}

}  // namespace voltaris
