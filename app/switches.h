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
  std::vector<std::string> unknown;  // written as switches ("/" or "-" first), yet none of the table
  bool Has(Switch s) const;
};

// `arguments`: the command line's words after the program's own name.
Switches ReadSwitches(const std::vector<std::string>& arguments);

// What follows the program's own name on its command line. The name may be
// quoted, or not, with spaces in it ("C:\Program Files\...", as a Run
// value often holds it): that is known by `programPath`, the program's own
// file, which it then begins with. Otherwise it ends at the first blank.
std::string AfterProgramName(const std::string& commandLine, const std::string& programPath);

// The switches there are, for a message about one that is not: "/install-service,
// /trust-installer, ...".
std::string KnownSwitches();

}  // namespace voltaris
