// The UPS shared over the network: its settings and the variables built from
// the UPS's replies, on virtual time.
#include <gtest/gtest.h>

#include <algorithm>

#include "power/timer_ids.h"
#include "tests/unit/share_rig.h"

using namespace voltaris;
using namespace voltaris::testing;

TEST(ShareSnapshot, CarriesTheUpsValuesAsTheProtocolNamesThem) {
  const ShareSnapshot s = Snapshot(LinkKind::Serial, Parsed(LinkKind::Serial, kHealthy), true, false);
  EXPECT_FALSE(s.stale);
  EXPECT_EQ(ValueOf(s, "ups.status"), "OL");
  EXPECT_EQ(ValueOf(s, "input.voltage"), "230.0");
  EXPECT_EQ(ValueOf(s, "input.voltage.fault"), "229.0");
  EXPECT_EQ(ValueOf(s, "output.voltage"), "229.0");
  EXPECT_EQ(ValueOf(s, "ups.load"), "35");
  EXPECT_EQ(ValueOf(s, "input.frequency"), "50.0");
  EXPECT_EQ(ValueOf(s, "battery.voltage"), "12.8");
  EXPECT_EQ(ValueOf(s, "battery.voltage.nominal"), "12.00");
  EXPECT_EQ(ValueOf(s, "battery.charge"), "94");  // 12.8 V of 13.5 V
  EXPECT_EQ(ValueOf(s, "ups.temperature"), "25.0");
  EXPECT_EQ(ValueOf(s, "ups.type"), "offline / line interactive");
  EXPECT_EQ(ValueOf(s, "device.type"), "ups");
  EXPECT_EQ(ValueOf(s, "driver.name"), "voltaris");
  EXPECT_EQ(ValueOf(s, "ups.beeper.status"), "(none)");
}

TEST(ShareSnapshot, WritesReadingsAsNumbersAndLeavesGarbledFieldsAsSent) {
  UpsStatus status;
  status.inputVoltageText = "000.0";
  status.inputFaultVoltageText = "050.0";
  status.outputVoltageText = "0.5.0";
  status.frequencyText = "05.00";
  status.batteryVoltageText = "00.00";
  status.temperatureText = "030.0";
  const ShareSnapshot s = Snapshot(LinkKind::Serial, status, true, false);
  EXPECT_EQ(ValueOf(s, "input.voltage"), "0.0");
  EXPECT_EQ(ValueOf(s, "input.voltage.fault"), "50.0");
  EXPECT_EQ(ValueOf(s, "output.voltage"), "0.5.0");
  EXPECT_EQ(ValueOf(s, "input.frequency"), "5.00");
  EXPECT_EQ(ValueOf(s, "battery.voltage"), "0.00");
  EXPECT_EQ(ValueOf(s, "ups.temperature"), "30.0");
}

// 5 degrees or less, or no number, is no reading: a client is told the
// variable is not there rather than shown a temperature the UPS never had.
TEST(ShareSnapshot, LeavesTheTemperatureOutWhenThereIsNoReading) {
  const struct {
    const char* field;
    const char* published;
  } temperatures[] = {{"--.-", "(none)"}, {"00.0", "(none)"}, {"04.0", "(none)"}, {"05.0", "(none)"},
                      {"06.0", "6.0"},    {"-1.0", "(none)"}};
  for (const auto& t : temperatures) {
    std::string reply = kMainsFailed;
    reply.replace(33, 4, t.field);
    const ShareSnapshot s = Snapshot(LinkKind::Serial, Parsed(LinkKind::Serial, reply), true, false);
    EXPECT_EQ(ValueOf(s, "ups.temperature"), t.published) << t.field;
    EXPECT_EQ(ValueOf(s, "ups.status"), "OB") << t.field;
  }
}

TEST(UpsShare, AColdOrSensorlessUpsKeepsTheDataFresh) {
  ShareRig rig;
  std::string sensorless = kMainsFailed;
  sensorless.replace(33, 4, "--.-");
  rig.RunWith(sensorless, 2);
  ASSERT_FALSE(rig.share.published.back().stale);
  EXPECT_EQ(StatusOf(rig.share.published.back()), "OB");
  EXPECT_EQ(ValueOf(rig.share.published.back(), "ups.temperature"), "(none)");
  rig.RunWith(sensorless, 10);
  EXPECT_FALSE(rig.share.published.back().stale);
}

TEST(ShareSnapshot, StatusWordsFollowTheBits) {
  auto status = [](LinkKind link, const std::string& reply, bool fsd = false) {
    return StatusOf(Snapshot(link, Parsed(link, reply), true, fsd));
  };
  EXPECT_EQ(status(LinkKind::Serial, "(000.0 229.0 229.0 035 50.0 12.0 25.0 10000000\r"), "OB");
  EXPECT_EQ(status(LinkKind::Serial, "(000.0 229.0 229.0 035 50.0 10.0 25.0 11000000\r"), "OB LB");
  // b2, the self-test, lies past the serial reply's five kept bits
  EXPECT_EQ(status(LinkKind::Serial, "(230.0 229.0 229.0 035 50.0 12.8 25.0 00000100\r"), "OL CAL");
  EXPECT_EQ(status(LinkKind::Usb, "#(230.0 229.0 229.0 035 50.0 12.8 25.0 00000100\r"), "OL CAL");
  // b5 (bypass) and b4 (UPS fault) are not published: secondaries would take them as critical
  EXPECT_EQ(status(LinkKind::Serial, "(230.0 229.0 229.0 035 50.0 12.8 25.0 00110000\r"), "OL");
  EXPECT_EQ(status(LinkKind::Serial, "(000.0 229.0 229.0 035 50.0 10.0 25.0 11000000\r", true), "FSD OB LB");
  UpsStatus fullBattery = Parsed(LinkKind::Serial, "(230.0 229.0 229.0 035 50.0 13.7 25.0 00000000\r");
  EXPECT_EQ(ValueOf(Snapshot(LinkKind::Serial, fullBattery, true, false), "battery.charge"), "100");
}

TEST(ShareSnapshot, IsStaleWhileTheUpsIsSilentUnlessAForcedShutdownIsAnnounced) {
  const UpsStatus status = Parsed(LinkKind::Serial, kHealthy);
  EXPECT_TRUE(Snapshot(LinkKind::Serial, status, false, false).stale);
  const ShareSnapshot announcing = Snapshot(LinkKind::Serial, status, false, true);
  EXPECT_FALSE(announcing.stale);
  EXPECT_EQ(StatusOf(announcing), "FSD OL");
  // Texts the UPS never sent are left out rather than published empty.
  EXPECT_EQ(ValueOf(Snapshot(LinkKind::Serial, UpsStatus{}, true, false), "input.voltage"), "(none)");
}

TEST(UpsShare, ListensOnlyWhenEnabledAndPublishesEverySecond) {
  ShareRig off("Enabled=0\n");
  EXPECT_TRUE(off.share.listened.empty());
  off.RunWith(kHealthy, 3);
  EXPECT_TRUE(off.share.published.empty());

  ShareRig on("Enabled=1\nPort=4000\nUser1=u\nPassword1=p\n");
  ASSERT_EQ(on.share.listened.size(), 1u);
  EXPECT_EQ(on.share.listened[0].port, 4000);
  ASSERT_EQ(on.share.published.size(), 1u);
  EXPECT_TRUE(on.share.published.back().stale);  // no reply yet
  on.RunWith(kHealthy, 2);
  EXPECT_EQ(on.share.published.size(), 3u);
  EXPECT_FALSE(on.share.published.back().stale);
  EXPECT_EQ(StatusOf(on.share.published.back()), "OL");
  on.RunWith(kMainsFailed, 1);
  EXPECT_EQ(StatusOf(on.share.published.back()), "OB");
}

TEST(UpsShare, AServerThatCannotListenIsRecordedAndShutdownsDoNotWait) {
  ShareRig rig("Enabled=1\n", false);
  EXPECT_EQ(rig.Count("  Network Server Not Started!"), 1);
  rig.RunWith(kHealthy, 2);
  EXPECT_TRUE(rig.share.published.empty());
  rig.share.loggedIn = 1;
  rig.parts.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_EQ(rig.Count("  Network Clients Logged Out") + rig.Count("  Network Clients Still Logged In!"), 0);
}

TEST(UpsShare, HostSyncZeroGivesUpAtOnceAndATextIsNotANumber) {
  ShareRig rig("Enabled=1\nHostSync=0\n");
  rig.share.loggedIn = 1;
  rig.parts.gate.EndAndShutDown(ShutdownReason::MainsFailed);
  EXPECT_EQ(rig.shutdown.calls, 1);
  EXPECT_EQ(rig.Count("  Network Clients Still Logged In!"), 1);
  ShareRig text("Enabled=1\nHostSync=abc\n");
  EXPECT_EQ(text.parts.share.Settings().hostSyncSeconds, 15);
}

TEST(UpsShare, DataGoesStaleAfterFiveSecondsWithoutAnAcceptedReplyEvenWithTheLinkUp) {
  ShareRig rig;
  rig.RunWith(kRating, 2);  // the link is up, but no status has come yet
  EXPECT_TRUE(rig.share.published.back().stale);
  rig.RunWith(kHealthy, 2);
  ASSERT_FALSE(rig.share.published.back().stale);
  rig.Run(4000);  // the link still counts as up, but nothing was accepted
  EXPECT_FALSE(rig.share.published.back().stale);
  rig.Run(1000);
  EXPECT_TRUE(rig.share.published.back().stale);
  rig.RunWith(kHealthy, 1);
  EXPECT_FALSE(rig.share.published.back().stale);
}

TEST(UpsShare, AnAddressThatCannotBeUsedIsRecordedOnceAndTriedAgain) {
  ShareRig rig("Enabled=1\n", false);
  EXPECT_EQ(rig.Count("  Network Server Not Started!"), 1);
  rig.Run(10000);
  EXPECT_EQ(rig.share.listened.size(), 2u);
  EXPECT_EQ(rig.Count("  Network Server Not Started!"), 1);
  EXPECT_TRUE(rig.share.published.empty());
  rig.share.listens = true;
  rig.Run(9999);
  EXPECT_EQ(rig.share.listened.size(), 2u);
  rig.Run(1);
  EXPECT_EQ(rig.share.listened.size(), 3u);
  EXPECT_TRUE(rig.parts.share.State().listening);
  EXPECT_EQ(rig.share.published.size(), 1u);
  rig.Run(20000);
  EXPECT_EQ(rig.share.listened.size(), 3u);  // no more tries once it listens
  EXPECT_FALSE(rig.timers.IsArmed(kTimerShareListen));
}

// The runtime estimate in seconds while the UPS answers, and the margin the
// shutdown on it keeps (3 minutes unless set), in range or its default, only
// while that shutdown is on.
TEST(UpsShare, PublishesTheRuntimeEstimateAndItsMargin) {
  ShareRig rig("Enabled=1\n", true, "CutACTimeMessage=1\nBatteryTime=1\n[Runtime]\nRuntimeMarginMinutes=61\n");
  rig.parts.battery.Start(rig.store);
  rig.engine.OnSerialRead(true, "#220.0 005 12.00 50.0\r");
  rig.RunWith("(000.0 220.0 220.0 012 50.0 12.6 25.0 10001000\r", 2);
  EXPECT_EQ(ValueOf(rig.share.published.back(), "battery.runtime"), "1269");
  EXPECT_EQ(ValueOf(rig.share.published.back(), "battery.runtime.low"), "(none)");
  rig.Settings("[Runtime]\nShutdownOnRuntime=1\nRuntimeMarginMinutes=61\n");
  rig.RunWith("(000.0 220.0 220.0 012 50.0 12.6 25.0 10001000\r", 1);
  EXPECT_EQ(ValueOf(rig.share.published.back(), "battery.runtime.low"), "180");
  rig.Settings("[Runtime]\nShutdownOnRuntime=1\nRuntimeMarginMinutes=60\n");
  rig.RunWith("(000.0 220.0 220.0 012 50.0 12.6 25.0 10001000\r", 1);
  EXPECT_EQ(ValueOf(rig.share.published.back(), "battery.runtime.low"), "3600");
}
