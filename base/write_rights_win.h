// The Win32 side of the write-rights check: security descriptors read from
// files and folders, or written as SDDL, summed up for write_rights.h.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/write_rights.h"

namespace voltaris {

// None when the SDDL is not valid.
std::optional<SecuritySummary> SummaryOfSddl(const std::string& sddl);
// None when the descriptor could not be read; `missing` then says whether
// that is because there is nothing at the path.
std::optional<SecuritySummary> SummaryOfPath(const std::string& path, bool* missing = nullptr);
// That of the file or folder `file` was opened on (with READ_CONTROL),
// whatever its path leads to by now; none when it could not be read, with
// GetLastError saying why.
std::optional<SecuritySummary> SummaryOfHandle(HANDLE file);
// The SID of this process's user, as a string; empty when it cannot be read.
std::string ProcessUserSid();

// The first of `paths` a non-administrator could change, or could not be
// checked; empty when none. A path with nothing at it is left to its folder.
// `installer`: the administrator who installed (see NonAdministratorMayChange).
std::string FirstChangeableByNonAdministrator(const std::vector<std::string>& paths, const std::string& installer);

}  // namespace voltaris
