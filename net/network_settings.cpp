#include "net/network_settings.h"

#include "config/settings.h"

namespace voltaris {

NetworkSettings ReadNetworkSettings(const ConfigFile& file) {
  NetworkSettings s;
  s.enabled = ReadFlag(file, section::kNetwork, "Enabled");
  const std::string address = file.ReadString(section::kNetwork, "ListenAddress");
  if (!address.empty()) s.listenAddress = address;
  s.port = ReadNumber(file, key::kNetworkPort);
  const std::string name = file.ReadString(section::kNetwork, "UpsName");
  if (IsShareableName(name)) s.upsName = name;
  // Only a number in range replaces the default: "abc" must not mean "no wait".
  s.hostSyncSeconds = ReadNumber(file, key::kHostSync);
  for (int n = 1; n <= NetworkSettings::kMostUsers; ++n) {
    NetworkUser user{file.ReadString(section::kNetwork, "User" + std::to_string(n)),
                     file.ReadString(section::kNetwork, "Password" + std::to_string(n))};
    // A user without a password could never log in; such a pair is left out.
    if (!user.name.empty() && !user.password.empty()) s.users.push_back(std::move(user));
  }
  return s;
}

}  // namespace voltaris
