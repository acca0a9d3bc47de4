// Shuts the operating system down, forcing applications to close.
#pragma once

namespace voltaris {

// Enables this process's right to shut Windows down; false when the account
// does not hold it (a shutdown would then be refused).
bool EnableShutdownRight();

// True when the request was accepted; false without the right, or refused.
bool ShutdownSystem();

}  // namespace voltaris
