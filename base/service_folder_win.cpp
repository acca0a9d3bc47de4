#include "base/service_folder_win.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include "base/wide_text_win.h"
#include "base/write_rights_win.h"

namespace voltaris {

namespace {

// A name Windows would fit to the code page by a look-alike letter is a
// different folder: refused rather than guessed.
std::optional<std::string> SystemCodePageText(const std::wstring& wide) {
  BOOL guessed = FALSE;
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &guessed);
  if (length <= 0 || guessed) return std::nullopt;
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, text.data(), length, nullptr, &guessed);
  return text;
}

// The descriptor the folder gets, freed when it goes out of scope.
class FolderDescriptor {
 public:
  FolderDescriptor() {
    const std::wstring sddl = WideFromCodePage(CP_ACP, kServiceDataFolderSddl);
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor_, nullptr)) {
      descriptor_ = nullptr;
    }
  }
  ~FolderDescriptor() { LocalFree(descriptor_); }
  FolderDescriptor(const FolderDescriptor&) = delete;
  FolderDescriptor& operator=(const FolderDescriptor&) = delete;

  PSECURITY_DESCRIPTOR get() const { return descriptor_; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// 0 when `path` itself is no link (an error when nothing is there).
DWORD LinkAt(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? ERROR_REPARSE_POINT_ENCOUNTERED : 0;
}

// Every folder above `path`, from its drive's root down: the one whose
// contents a standard user may change (ProgramData lets them make folders)
// is where a link could be put.
DWORD LinkAbove(const std::wstring& path) {
  for (size_t cut = path.find_first_of(L"\\/", 3); cut != std::wstring::npos;
       cut = path.find_first_of(L"\\/", cut + 1)) {
    if (const DWORD error = LinkAt(path.substr(0, cut))) return error;
  }
  return 0;
}

// The folder itself, not what a link there points to, and opened once for
// all that is read and written on it: a path opened again would follow a
// link put there since (its owner turns an empty folder into a junction
// with the right to write its attributes alone). Without delete sharing,
// nobody can rename or remove it while it is held.
HANDLE OpenFolderItself(const std::wstring& path, DWORD* error) {
  const HANDLE folder =
      CreateFileW(path.c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  *error = folder == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  return folder;
}

// Asked of the held folder each time: a junction can be made of it while it
// is held, and the handle then stands for the junction.
DWORD NotAPlainFolder(HANDLE folder) {
  BY_HANDLE_FILE_INFORMATION information = {};
  if (!GetFileInformationByHandle(folder, &information)) return GetLastError();
  if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return ERROR_REPARSE_POINT_ENCOUNTERED;
  return (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ERROR_DIRECTORY;
}

// Owner and access list both: a folder a standard user made first (they
// may, in ProgramData) is theirs, and its owner may always change its
// access list again.
DWORD SecureAgain(HANDLE folder, const FolderDescriptor& descriptor) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL defaulted = FALSE;
  BOOL present = FALSE;
  if (!GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted) ||
      !GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted)) {
    return GetLastError();
  }
  return SetSecurityInfo(folder, SE_FILE_OBJECT,
                         OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                         owner, nullptr, dacl, nullptr);
}

// What the held folder is now: an error for a link or a file, or when its
// descriptor cannot be read.
DWORD ReadHeld(HANDLE folder, SecuritySummary* found) {
  if (const DWORD error = NotAPlainFolder(folder)) return error;
  const std::optional<SecuritySummary> summary = SummaryOfHandle(folder);
  if (!summary) return GetLastError();
  *found = *summary;
  return 0;
}

// Whether the held folder holds anything, its own "." and ".." aside.
DWORD HoldsAnything(HANDLE folder, bool* holds) {
  alignas(8) char buffer[4096];
  FILE_INFO_BY_HANDLE_CLASS next = FileIdBothDirectoryRestartInfo;
  while (GetFileInformationByHandleEx(folder, next, buffer, sizeof buffer)) {
    next = FileIdBothDirectoryInfo;
    for (const char* at = buffer;;) {
      const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
      const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
      *holds = name != L"." && name != L"..";
      if (*holds) return 0;
      if (entry->NextEntryOffset == 0) break;
      at += entry->NextEntryOffset;
    }
  }
  *holds = false;
  const DWORD error = GetLastError();
  return error == ERROR_NO_MORE_FILES ? 0 : error;
}

// A folder others could change is taken back only when an administrator
// made it and it holds nothing: one someone else made is never adopted
// (taken over, it would be accepted at the next look with what they left
// in it, each file with its own owner and access list, and a handle they
// opened before keeps its rights), and what others could have put in one
// while it was open could be a link. Such a folder is refused every time,
// for an administrator to remove.
DWORD MayTakeBack(HANDLE folder, const SecuritySummary& found, const std::string& installer) {
  if (!TrustedAccount(found.owner, installer)) return ERROR_ACCESS_DENIED;
  bool holds = false;
  if (const DWORD error = HoldsAnything(folder, &holds)) return error;
  return holds ? ERROR_DIR_NOT_EMPTY : 0;
}

// Read, secured and read again through the one handle; see OpenFolderItself.
DWORD SecureHeld(HANDLE folder, const FolderDescriptor& descriptor, const std::string& installer) {
  SecuritySummary found;
  if (const DWORD error = ReadHeld(folder, &found)) return error;
  if (!NonAdministratorMayChange(found, installer)) return 0;
  if (const DWORD error = MayTakeBack(folder, found, installer)) return error;
  if (const DWORD error = SecureAgain(folder, descriptor)) return error;
  SecuritySummary secured;
  if (const DWORD error = ReadHeld(folder, &secured)) return error;
  return NonAdministratorMayChange(secured, installer) ? ERROR_ACCESS_DENIED : 0;
}

DWORD SecureExisting(const std::wstring& path, const FolderDescriptor& descriptor, const std::string& installer) {
  DWORD error = 0;
  const HANDLE folder = OpenFolderItself(path, &error);
  if (folder == INVALID_HANDLE_VALUE) return error;
  // Asked by path as well, once the folder is held (it cannot be renamed
  // away then): a system that gives a handle on what a link points to even
  // when asked for the link itself, as Wine does for a Unix link, still
  // shows the link at the path.
  error = LinkAt(path);
  if (error == 0) error = SecureHeld(folder, descriptor, installer);
  CloseHandle(folder);
  return error;
}

}  // namespace

std::optional<std::string> ServiceDataFolder() {
  wchar_t folder[MAX_PATH] = L"";
  if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) {
    return std::nullopt;
  }
  return SystemCodePageText(std::wstring(folder) + L"\\Voltaris");
}

// Made at once with its access list, and made first rather than looked for
// first: between a look and a make, someone else could make it.
DWORD PrepareServiceDataFolder(const std::string& path, const std::string& installer) {
  const std::wstring wide = WideFromCodePage(CP_ACP, path);
  if (wide.empty()) return ERROR_INVALID_NAME;
  const FolderDescriptor descriptor;
  if (descriptor.get() == nullptr) return ERROR_INVALID_SECURITY_DESCR;
  if (const DWORD error = LinkAbove(wide)) return error;
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
  if (CreateDirectoryW(wide.c_str(), &attributes)) return 0;
  const DWORD error = GetLastError();
  return error == ERROR_ALREADY_EXISTS ? SecureExisting(wide, descriptor, installer) : error;
}

}  // namespace voltaris
