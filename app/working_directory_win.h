// The folder the program works in, made current at its start: the
// installer's (from its Run value), or the service's own.
#pragma once

#include <windows.h>

#include <string>

namespace voltaris {

// The installer's folder, else the program's own.
void ChangeToWorkingDirectory();

// The service's settings and records are in its own folder, which its
// monitoring (`forService`) checks again at each start (a folder a user
// could change, or a link put in its place, is refused) and a user's window
// only reads. Returns the folder the settings are read from, current from
// now on, and in `refused` why the service's was not taken (0 when it was).
std::string UseServiceFolder(bool forService, DWORD* refused);

}  // namespace voltaris
