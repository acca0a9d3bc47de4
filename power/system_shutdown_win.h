// Shuts the operating system down, forcing applications to close.
#pragma once

namespace voltaris {

// Enables this process's right to shut Windows down; false when the account
// does not hold it (a shutdown would then be refused).
bool EnableShutdownRight();

// 1 when the request was accepted, 0 otherwise (no privilege, refused).
int ShutdownSystem();

}  // namespace voltaris
