// The program's command-line switches, in one table: what each asks for,
// matched whole and in any case, as Windows programs take their switches.
#pragma once

#include <string>
#include <vector>

namespace voltaris {

enum class Switch {
  InstallService,  // install the service (an administrator)
  TrustInstaller,  //   with it: commands the installing administrator owns may run
  RemoveService,
  Quiet,           //   with either: no box, the exit code says how it went
  Service,         // run as the service (the service manager starts it so)
  Headless,        // the service's monitoring, with no windows
};

struct Switches {
  std::vector<Switch> given;
  std::vector<std::string> unknown;  // what no switch of the table is, as typed
  bool Has(Switch s) const;
};

// `arguments`: the command line's words after the program's own name.
Switches ReadSwitches(const std::vector<std::string>& arguments);

// The switches there are, for a message about one that is not: "/install-service,
// /trust-installer, ...".
std::string KnownSwitches();

}  // namespace voltaris
