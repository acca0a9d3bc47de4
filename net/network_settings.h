// The network server's keys (section Network of UpsConfigure.ini). The server
// is off unless Enabled=1; every other key has a default that listens on this
// machine only.
#pragma once

#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/settings.h"

namespace voltaris {

namespace section {
constexpr char kNetwork[] = "Network";
}

namespace key {
// Optional: a file without them serves on NUT's port and waits 15 seconds;
// 0 seconds means not waiting for secondaries at all.
inline constexpr NumberKey kNetworkPort{section::kNetwork, "Port", 1, 65535, 3493, {}, true};
inline constexpr NumberKey kHostSync{section::kNetwork, "HostSync", 0, 600, 15, {}, true, true};
}  // namespace key

struct NetworkUser {
  std::string name, password;
};

struct NetworkSettings {
  static constexpr int kDefaultPort = key::kNetworkPort.fallback;
  static constexpr int kDefaultHostSyncSeconds = key::kHostSync.fallback;
  static constexpr int kMostUsers = 9;

  bool enabled = false;                       // Enabled=1
  std::string listenAddress = "127.0.0.1";    // ListenAddress: one IPv4 address
  int port = kDefaultPort;                    // Port: 1..65535
  std::string upsName = "voltaris";           // UpsName: the name clients ask for
  int hostSyncSeconds = kDefaultHostSyncSeconds;  // HostSync: the longest wait for secondaries
  std::vector<NetworkUser> users;             // User1/Password1 .. User9/Password9
};

NetworkSettings ReadNetworkSettings(const ConfigFile& file);

}  // namespace voltaris
