#include "base/write_rights.h"

#include <algorithm>

namespace voltaris {

// CREATOR OWNER stands for whoever creates a child, and OWNER RIGHTS for
// the owner, checked on its own.
bool TrustedAccount(const std::string& sid, const std::string& installer) {
  static const char* const kTrusted[] = {"S-1-5-32-544", "S-1-5-18",
                                         "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", "S-1-3-0",
                                         "S-1-3-4"};
  if (!installer.empty() && sid == installer) return true;
  return std::any_of(std::begin(kTrusted), std::end(kTrusted), [&sid](const char* each) { return sid == each; });
}

bool NonAdministratorMayChange(const SecuritySummary& summary, const std::string& installer) {
  if (!summary.hasDacl || !TrustedAccount(summary.owner, installer)) return true;
  return std::any_of(summary.entries.begin(), summary.entries.end(), [&installer](const AccessEntry& entry) {
    return entry.allows && !entry.inheritOnly && (entry.mask & kChangingRights) != 0 &&
           !TrustedAccount(entry.sid, installer);
  });
}

}  // namespace voltaris
