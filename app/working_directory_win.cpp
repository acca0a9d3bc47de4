#include "app/working_directory_win.h"

#include <optional>

#include "app/executable_win.h"
#include "app/service_win.h"
#include "app/working_directory.h"
#include "base/service_folder_win.h"
#include "base/write_rights_win.h"
#include "config/config_file.h"

namespace voltaris {
namespace {

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string ReadRunValue() {
  HKEY key = nullptr;
  char value[250] = "";
  DWORD size = sizeof value - 1;
  // Read access is all this needs; the program never writes the Run key.
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegQueryValueExA(key, "Voltaris", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
  }
  return value;
}

// Made safe again if it can be, with settings only administrators may change.
DWORD CheckServiceFolder(const std::string& folder) {
  const std::string installer = ServiceInstaller();
  if (const DWORD error = PrepareServiceDataFolder(folder, installer)) return error;
  const std::string settings = folder + "\\" + ConfigFile::kFileName;
  return FirstChangeableByNonAdministrator({settings}, installer).empty() ? 0 : ERROR_ACCESS_DENIED;
}

}  // namespace

void ChangeToWorkingDirectory() {
  const std::string exePath = ExecutablePath();
  const std::string exeName = exePath.substr(exePath.find_last_of('\\') + 1);
  const std::string dir = WorkingDirectoryFromRunKey(ReadRunValue(), exeName, ExecutableDirectory());
  if (!SetCurrentDirectoryA(dir.c_str())) SetCurrentDirectoryA(ExecutableDirectory().c_str());
}

std::string UseServiceFolder(bool forService, DWORD* refused) {
  const std::optional<std::string> folder = ServiceDataFolder();
  *refused = !folder ? ERROR_PATH_NOT_FOUND : forService ? CheckServiceFolder(*folder) : 0;
  if (!*refused && !SetCurrentDirectoryA(folder->c_str())) *refused = GetLastError();
  if (!*refused) return *folder;
  ChangeToWorkingDirectory();
  return ExecutableDirectory();
}

}  // namespace voltaris
