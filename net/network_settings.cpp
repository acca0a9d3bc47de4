#include "net/network_settings.h"

#include <algorithm>
#include <cctype>

#include "base/number_text.h"
#include "config/settings.h"

namespace voltaris {

bool IsShareableName(const std::string& name) {
  if (name.empty() || name.size() > 64) return false;
  for (const unsigned char c : name) {
    if (!std::isalnum(c) && c != '-' && c != '_' && c != '.') return false;
  }
  return true;
}

NetworkSettings ReadNetworkSettings(const ConfigFile& file) {
  NetworkSettings s;
  s.enabled = ReadFlag(file, section::kNetwork, "Enabled");
  const std::string address = file.ReadString(section::kNetwork, "ListenAddress");
  if (!address.empty()) s.listenAddress = address;
  const int port = ReadInteger(file, section::kNetwork, "Port");
  if (port >= 1 && port <= 65535) s.port = port;
  const std::string name = file.ReadString(section::kNetwork, "UpsName");
  if (IsShareableName(name)) s.upsName = name;
  // Only a number replaces the default: "abc" must not mean "no wait".
  const std::string hostSync = file.ReadString(section::kNetwork, "HostSync");
  if (!hostSync.empty() && std::isdigit(static_cast<unsigned char>(hostSync[0]))) {
    s.hostSyncSeconds = std::min(LeadingInteger(hostSync), NetworkSettings::kLongestHostSyncSeconds);
  }
  for (int n = 1; n <= NetworkSettings::kMostUsers; ++n) {
    NetworkUser user{file.ReadString(section::kNetwork, "User" + std::to_string(n)),
                     file.ReadString(section::kNetwork, "Password" + std::to_string(n))};
    // A user without a password could never log in; such a pair is left out.
    if (!user.name.empty() && !user.password.empty()) s.users.push_back(std::move(user));
  }
  return s;
}

}  // namespace voltaris
