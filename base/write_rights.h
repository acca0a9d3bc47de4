// Whether someone other than an administrator could change a file or folder,
// read from its security descriptor. What runs with the system's rights
// (the service's program, its library, the settings that name commands)
// must not be: a standard user who can change it can run anything as SYSTEM.
//
// The descriptor is summed up here in plain terms (SIDs as strings), so that
// the decision is the same for a descriptor read from a file and for one
// written as SDDL in a test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace voltaris {

struct AccessEntry {
  bool allows = true;        // an allow entry (deny entries only take away, and are not counted on)
  bool inheritOnly = false;  // passed on to what the folder will hold, not about the folder itself
  uint32_t mask = 0;
  std::string sid;
};

struct SecuritySummary {
  std::string owner;
  bool hasDacl = true;  // no DACL (or a null one) lets everyone do everything
  std::vector<AccessEntry> entries;
};

// Rights that change what an object holds or who may change it: writing,
// appending (a folder: adding files and folders), deleting children or the
// object, its access list and its owner, and the generic rights that include them.
constexpr uint32_t kChangingRights = 0x00000002 | 0x00000004 | 0x00000040 | 0x00010000 | 0x00040000 |
                                     0x00080000 | 0x10000000 | 0x40000000;

// `installer`: the SID of the administrator installing (who owns what they
// copied); empty when unknown. The owner may always change the access list,
// so an owner outside the trusted accounts makes the object changeable.
bool NonAdministratorMayChange(const SecuritySummary& summary, const std::string& installer);

// Administrators, SYSTEM, TrustedInstaller and `installer`, and the two
// stand-ins (CREATOR OWNER, OWNER RIGHTS) that grant nothing of their own.
bool TrustedAccount(const std::string& sid, const std::string& installer);

}  // namespace voltaris
