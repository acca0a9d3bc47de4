// Shuts the operating system down, forcing applications to close.
#pragma once

#include "power/shutdown_request.h"

namespace voltaris {

// Enables this process's right to shut Windows down; false when the account
// does not hold it (a shutdown would then be refused).
bool EnableShutdownRight();

// The way Windows documents for a program that may have no desktop of its
// own (a service's): InitiateSystemShutdownExW, at once, with the reason
// and the sentence that say why. True when the request was accepted; false
// without the right, or refused. Accepted is not yet under way.
bool ShutdownSystem(const ShutdownRequest& request);

// The interactive way, for a request Windows accepted and then did not act
// on: ExitWindowsEx with the same reason. Not asked once Windows says it is
// shutting down.
bool ForceSystemShutdown(const ShutdownRequest& request);

}  // namespace voltaris
