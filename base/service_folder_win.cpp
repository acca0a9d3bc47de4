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

// Every folder above `path`, from its drive's root down: the one whose
// contents a standard user may change (ProgramData lets them make folders)
// is where a link could be put.
DWORD LinkAbove(const std::wstring& path) {
  for (size_t cut = path.find_first_of(L"\\/", 3); cut != std::wstring::npos;
       cut = path.find_first_of(L"\\/", cut + 1)) {
    const DWORD attributes = GetFileAttributesW(path.substr(0, cut).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ERROR_REPARSE_POINT_ENCOUNTERED;
  }
  return 0;
}

DWORD NotAPlainFolder(DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ERROR_REPARSE_POINT_ENCOUNTERED;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ERROR_DIRECTORY;
}

// The folder itself, not what a link there points to. Without delete
// sharing, nobody can rename it or swap in a link between this check and
// the access list written after it.
HANDLE OpenPlainFolder(const std::wstring& path, DWORD* error) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  *error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : NotAPlainFolder(attributes);
  if (*error != 0) return INVALID_HANDLE_VALUE;
  HANDLE folder = CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return folder;
  }
  BY_HANDLE_FILE_INFORMATION information = {};
  *error = GetFileInformationByHandle(folder, &information) ? NotAPlainFolder(information.dwFileAttributes)
                                                            : GetLastError();
  if (*error == 0) return folder;
  CloseHandle(folder);
  return INVALID_HANDLE_VALUE;
}

// Owner and access list both: a folder a standard user made first (they
// may, in ProgramData) is theirs, and its owner may always change its
// access list again.
DWORD SecureAgain(const std::wstring& path, const FolderDescriptor& descriptor) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL defaulted = FALSE;
  BOOL present = FALSE;
  if (!GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted) ||
      !GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted)) {
    return GetLastError();
  }
  return SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                               OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                   PROTECTED_DACL_SECURITY_INFORMATION,
                               owner, nullptr, dacl, nullptr);
}

DWORD SecureExisting(const std::string& path, const std::wstring& wide, const FolderDescriptor& descriptor,
                     const std::string& installer) {
  DWORD error = 0;
  HANDLE folder = OpenPlainFolder(wide, &error);
  if (folder == INVALID_HANDLE_VALUE) return error;
  if (!FirstChangeableByNonAdministrator({path}, installer).empty()) {
    error = SecureAgain(wide, descriptor);
    if (error == 0 && !FirstChangeableByNonAdministrator({path}, installer).empty()) error = ERROR_ACCESS_DENIED;
  }
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
  return error == ERROR_ALREADY_EXISTS ? SecureExisting(path, wide, descriptor, installer) : error;
}

}  // namespace voltaris
