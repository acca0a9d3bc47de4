// Shuts the operating system down, forcing applications to close.
#pragma once

namespace voltaris {

// 1 when the request was accepted, 0 otherwise (no privilege, refused).
int ShutdownSystem();

}  // namespace voltaris
