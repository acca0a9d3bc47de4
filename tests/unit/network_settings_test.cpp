#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "config/config_file.h"
#include "net/network_settings.h"
#include "tests/unit/test_folder.h"

using namespace voltaris;
using namespace voltaris::testing;

TEST(NetworkSettings, DefaultToOffOnThisMachineOnlyAndKeepValuesInRange) {
  TestFolder folder{"voltaris-network"};
  ConfigFile config{folder.path()};
  NetworkSettings s = ReadNetworkSettings(config);
  EXPECT_FALSE(s.enabled);
  EXPECT_EQ(s.listenAddress, "127.0.0.1");
  EXPECT_EQ(s.port, 3493);
  EXPECT_EQ(s.upsName, "voltaris");
  EXPECT_EQ(s.hostSyncSeconds, 15);
  EXPECT_TRUE(s.users.empty());

  auto with = [&](const std::string& keys) {
    std::ofstream(folder.path() + "/UpsConfigure.ini") << "[Network]\n" << keys;
    return ReadNetworkSettings(config);
  };
  EXPECT_EQ(with("Port=1\n").port, 1);
  EXPECT_EQ(with("Port=65535\n").port, 65535);
  EXPECT_EQ(with("Port=0\n").port, 3493);
  EXPECT_EQ(with("Port=65536\n").port, 3493);
  EXPECT_EQ(with("HostSync=0\n").hostSyncSeconds, 0);
  EXPECT_EQ(with("HostSync=-1\n").hostSyncSeconds, 15);
  EXPECT_EQ(with("HostSync=600\n").hostSyncSeconds, 600);
  EXPECT_EQ(with("HostSync=601\n").hostSyncSeconds, 600);  // a longer wait than it may hold: the longest
  EXPECT_EQ(with("UpsName=server room\n").upsName, "voltaris");  // a client could not name it
  EXPECT_EQ(with("UpsName=rack-1_a.b\n").upsName, "rack-1_a.b");
  EXPECT_TRUE(with("Enabled=1\n").enabled);
  EXPECT_FALSE(with("Enabled=yes\n").enabled);
  s = with("User1=mon\nPassword1=pw\nUser2=nopass\nUser9=last\nPassword9=x\nUser10=over\nPassword10=y\n");
  ASSERT_EQ(s.users.size(), 2u);
  EXPECT_EQ(s.users[0].name, "mon");
  EXPECT_EQ(s.users[0].password, "pw");
  EXPECT_EQ(s.users[1].name, "last");
}
