// The folder where the service keeps its settings and records,
// %ProgramData%\Voltaris. The service reads and writes there as SYSTEM, so
// only administrators and SYSTEM may change it: whoever could change it
// could change the settings that name the commands the service runs, and
// whoever could put a link in its place could have the service write its
// records into any folder they like.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// Windows' own code (4395) for a link met on the way; MinGW's headers lack it.
#ifndef ERROR_REPARSE_POINT_ENCOUNTERED
#define ERROR_REPARSE_POINT_ENCOUNTERED 4395L
#endif

namespace voltaris {

// Administrators (its owner) and SYSTEM change it, interactive users read
// it (the desktop program shows the records); what it holds inherits the
// same, and nothing comes from the folder above.
constexpr char kServiceDataFolderSddl[] =
    "O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;IU)";

// <ProgramData>\Voltaris in the system's code page, as the program's other
// paths; none when Windows does not give the folder, or its name does not
// fit that code page.
std::optional<std::string> ServiceDataFolder();

// 0 when `path` is a folder that only administrators, SYSTEM and
// `installer` (see NonAdministratorMayChange) may change: made so when it was
// missing, or when it was open to others. Otherwise a Win32 error:
// ERROR_REPARSE_POINT_ENCOUNTERED for a link at the path or above it,
// ERROR_DIRECTORY for something that is not a folder, ERROR_ACCESS_DENIED
// for one others could change that someone else owns (neither an
// administrator, SYSTEM nor `installer`: never adopted) or that stays open
// to others, ERROR_DIR_NOT_EMPTY for one others could change that holds
// anything (what they could have put in it stays theirs). A refused folder
// is left as it is, for an administrator to remove.
DWORD PrepareServiceDataFolder(const std::string& path, const std::string& installer = "");

}  // namespace voltaris
