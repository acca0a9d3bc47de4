// Voltaris as a Windows service, the one watcher of the UPS: the service
// holds the UPS's line from its start to its stop and runs the program
// itself, without windows (Voltaris.exe /headless), which monitors, counts
// down, records and shuts the system down exactly as the desktop program
// does without the service. With the service installed, every user's
// desktop program is a window on it, whoever logs on or off.
#pragma once

#include <windows.h>

#include <string>

namespace voltaris {

constexpr char kServiceName[] = "Voltaris";

// Voltaris.exe /install-service and /remove-service; `quiet` leaves out the
// box that says how it went. 0: done (installed and started); 1: refused
// (not an administrator); 2: another failure; 3: installed, not started;
// 4: not installed, as a non-administrator could change what it would run.
// `trustInstaller` (/trust-installer): what the installing account owns or
// may change counts as an administrator's even where that account also runs
// programs without elevation (it does where Windows splits its rights).
int InstallService(bool quiet, bool trustInstaller);
// The administrator who installed the service (a SID, kept with the
// service's settings in the registry); empty when none was kept.
std::string ServiceInstaller();
// From a user's window: 0 once started (or already running), else why not.
DWORD StartTheService();
int RemoveService(bool quiet);

// The running service's process, 0 when it is not running (or not installed).
unsigned long ServiceProcessId();

// Voltaris.exe /service: what the service control manager starts.
int RunService();

}  // namespace voltaris
