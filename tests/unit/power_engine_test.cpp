// The power engine through whole scenarios, on virtual time.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "power/timer_ids.h"
#include "tests/unit/engine_fakes.h"

using namespace voltaris;
using namespace voltaris::testing;

namespace {

const std::string kHealthy = "(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000\r";
const std::string kRating = "#220.0 005 12.00 50.0\r";

std::string WithBits(std::string reply, const std::string& bits) {
  reply.replace(38, bits.size(), bits);
  return reply;
}

const LinkSettings kCom1{0, 2400, 0, 4, 0};
const LinkSettings kUsb{8, std::nullopt, 0, 0, 0};

// A serial engine whose port has just opened.
void OpenSerial(EngineRig& rig) {
  rig.engine.StartLink(kCom1);
  rig.Run(1000);  // 1025: close, then let the monitor open
  rig.engine.OnSerialOpen(true);
}

}  // namespace

TEST(PowerEngineStart, SerialLinkArmsOpenAndGraceTimersUsbNone) {
  EngineRig serial;
  serial.engine.StartLink(kCom1);
  EXPECT_TRUE(serial.timers.IsArmed(kTimerOpenSerial));
  EXPECT_EQ(serial.timers.armed[kTimerLinkGrace].periodMs, 5000u);
  EngineRig usb;
  usb.engine.StartLink(kUsb);
  EXPECT_TRUE(usb.timers.armed.empty());
  EXPECT_EQ(usb.monitor.kind, LinkKind::Usb);
  EngineRig neither;
  neither.engine.StartLink({10, std::nullopt, 0, 0, 0});
  EXPECT_TRUE(neither.timers.armed.empty());
  EXPECT_EQ(neither.monitor.kind, LinkKind::Serial);
}

// ---- A UPS followed over the network -------------------------------------------

namespace {

ServedReadings Served(const char* status, bool onBattery = false, bool low = false) {
  ServedReadings served;
  served.status = status;
  served.flags = {!onBattery, onBattery, low, false};
  served.inputVoltage = 231.04;
  served.load = 37;
  served.batteryCharge = 96;
  return served;
}

}  // namespace

// Its own thread reads it: no serial port, no USB pass, no query of ours.
TEST(PowerEngineNetwork, TheServersAnswersAreTheLinkAndItsSilenceIsRecordedOnceEachWay) {
  EngineRig rig;
  rig.engine.LogProgramStart();
  rig.engine.StartLink({LinkSettings::kNetworkUps, 2400, 0, 4, 0});
  EXPECT_TRUE(rig.timers.armed.empty());
  EXPECT_EQ(rig.monitor.kind, LinkKind::Network);
  rig.engine.OnSerialRead(true, kHealthy);  // a late serial reply is not this link's
  rig.engine.OnUsbPass({true, "U" + kRating, "U" + kHealthy});
  EXPECT_FALSE(rig.engine.UpsAnswering());
  rig.engine.OnServedReadings(Served("OL"));
  EXPECT_TRUE(rig.engine.UpsAnswering());
  EXPECT_EQ(rig.engine.Status().inputVoltageText, "231.0");
  EXPECT_EQ(rig.engine.Status().outputVoltageText, "");  // not served: no reading, never 0
  EXPECT_EQ(rig.engine.Battery().readout, "96 %");
  EXPECT_EQ(rig.display.readings, 1);
  EXPECT_TRUE(rig.display.linkPicturesUp);
  for (int i = 0; i < 3; ++i) rig.engine.OnServerAnswering(false);
  EXPECT_FALSE(rig.engine.UpsAnswering());
  EXPECT_FALSE(rig.display.linkPicturesUp);
  EXPECT_EQ(rig.notices.ownedBoxes, 1);
  rig.engine.OnServedReadings(Served("OL"));
  rig.engine.OnServedReadings(Served("OL"));
  EXPECT_EQ(rig.Events(), (std::vector<std::string>{"  Program Start", "  Network UPS is Connected!",
                                                    "  UPS is DisConnected!", "  Network UPS is Connected!"}));
  rig.engine.OnServerRefused(ServedRefusal::AccessDenied);
  rig.engine.StartLink(kCom1);  // another kind of link: the network's state says nothing of it
  EXPECT_FALSE(rig.engine.UpsAnswering());
  EXPECT_FALSE(rig.engine.Status().chargeServed);  // the battery is reckoned from the cable's UPS again
  EXPECT_FALSE(rig.engine.LastRefusal().has_value());
}

// upsmon's rule: last seen on battery, then silent for the dead time, is
// battery low; the link itself stays lost.
TEST(PowerEngineNetwork, OnBatteryThenSilentCountsAsBatteryLowWithoutTheLinkComingBack) {
  EngineRig rig;
  rig.engine.StartLink({LinkSettings::kNetworkUps, 2400, 0, 4, 0});
  rig.engine.OnServedReadings(Served("OB", true));
  EXPECT_EQ(rig.parts.power.Phase(), PowerPhase::MainsFailed);
  rig.engine.OnServerAnswering(false);
  ServedReadings silent = Served("OB", true, true);
  silent.silentOnBattery = true;
  rig.engine.OnServedReadings(silent);
  EXPECT_TRUE(rig.parts.power.Now().batteryLow);
  rig.Run(5000);  // the battery's count starts with its warning
  EXPECT_EQ(rig.parts.power.Phase(), PowerPhase::BatteryLow);
  EXPECT_FALSE(rig.engine.UpsAnswering());
  EXPECT_EQ(rig.Count("  Network UPS is Connected!"), 1);
}

TEST(PowerEngineNetwork, EachRefusalIsRecordedByNameAndForgottenOnceTheUpsIsRead) {
  EngineRig rig;
  rig.engine.StartLink({LinkSettings::kNetworkUps, 2400, 0, 4, 0});
  const std::pair<ServedRefusal, const char*> refusals[] = {
      {ServedRefusal::AccessDenied, "  Network UPS: Access Denied!"},
      {ServedRefusal::UnknownUps, "  Network UPS: Unknown UPS Name!"},
      {ServedRefusal::WrongCredentials, "  Network UPS: Wrong User Or Password!"},
      {ServedRefusal::LoginRefused, "  Network UPS: Login Refused!"}};
  for (const auto& [refusal, text] : refusals) {
    rig.engine.OnServerRefused(refusal);
    EXPECT_EQ(rig.Events().back(), text);
    EXPECT_EQ(rig.engine.LastRefusal(), refusal);
  }
  rig.engine.OnServedReadings(Served("OL"));
  EXPECT_FALSE(rig.engine.LastRefusal().has_value());
}

TEST(PowerEngineSerial, NoUpsAtStartUpIsReportedOnceUntilAReply) {
  EngineRig rig;
  rig.engine.LogProgramStart();
  rig.engine.StartLink(kCom1);
  rig.Run(1000);
  EXPECT_EQ(rig.monitor.closes, 1);
  EXPECT_FALSE(rig.timers.IsArmed(kTimerOpenSerial));  // one-shot
  for (int i = 0; i < 5; ++i) rig.engine.OnSerialOpen(false);
  EXPECT_EQ(rig.Events(), (std::vector<std::string>{"  Program Start", "  UPS is DisConnected!"}));
  EXPECT_EQ(rig.notices.ownedBoxes, 1);
  EXPECT_EQ(rig.display.zeroed, 1);
  EXPECT_FALSE(rig.menus.controlCenter);
  EXPECT_FALSE(rig.timers.IsArmed(kTimerStatusQuery));
  rig.engine.OnSerialOpen(true);
  rig.Run(1000);
  rig.engine.OnSerialRead(true, kHealthy);
  EXPECT_EQ(rig.Events().back(), "  COM UPS is Connected!");
  EXPECT_TRUE(rig.menus.controlCenter);
}

TEST(PowerEngineSerial, QueriesArePacedOnceASecond) {
  EngineRig rig;
  OpenSerial(rig);
  for (int second = 0; second < 10; ++second) {
    rig.Run(1000);
    rig.engine.OnSerialRead(true, kRating);
    rig.engine.OnSerialRead(true, kHealthy);
  }
  EXPECT_EQ(rig.monitor.Count("Q1\r"), 10);
  EXPECT_EQ(rig.monitor.Count("F\r"), 10);
  EXPECT_EQ(rig.engine.AcceptedStatusReplies(), 10);
  EXPECT_EQ(rig.engine.Status().ratedBatteryVoltageText, "12.00");
  EXPECT_EQ(rig.display.readings, 10);
  EXPECT_EQ(rig.Events(), std::vector<std::string>{"  COM UPS is Connected!"});  // once
}

TEST(PowerEngineSerial, TwoCharacterReplyConnectsThenDropsTheLink) {
  EngineRig rig;
  OpenSerial(rig);
  rig.Run(1000);
  rig.engine.OnSerialRead(true, "(2");
  EXPECT_NE(rig.engine.Watch().State(LinkKind::Serial), LinkState::Answering);
  EXPECT_EQ(rig.display.zeroed, 1);
  EXPECT_EQ(rig.Events(), std::vector<std::string>{"  COM UPS is Connected!"});
  rig.engine.OnSerialRead(true, "(2");
  EXPECT_EQ(rig.Events().size(), 1u);
}

// A cold UPS, or one without a sensor, is watched like any other: only its
// temperature is shown as unknown.
TEST(PowerEngineSerial, AColdOrSensorlessUpsIsWarnedForAndRecordedWithItsTemperatureUnknown) {
  const struct {
    const char* field;
    const char* historyColumn;
  } temperatures[] = {{"04.0", "-- C"}, {"--.-", "-- C"}, {"05.0", "-- C"}, {"06.0", "6 C"}};
  for (const auto& t : temperatures) {
    SCOPED_TRACE(t.field);
    EngineRig rig;
    rig.Settings("[AlarmMessage]\nCutACTimeMessage=5\n[DataRecord]\nHistoryZiLiao=1\nHistoryTimerDelay=1\n");
    OpenSerial(rig);
    rig.menus.controlCenter = false;
    std::string cold = WithBits(kHealthy, "11011");
    cold.replace(33, 4, t.field);
    rig.engine.OnSerialRead(true, cold);
    EXPECT_TRUE(rig.menus.controlCenter);
    EXPECT_EQ(rig.engine.AcceptedStatusReplies(), 1);
    EXPECT_EQ(rig.display.readings, 1);
    EXPECT_EQ(rig.engine.Status().mainsFailed, 1);
    EXPECT_EQ(rig.timers.armed[kTimerMainsFailDelay].periodMs, 5000u);
    EXPECT_TRUE(rig.timers.IsArmed(kTimerBatteryLowOpen));
    ASSERT_TRUE(rig.timers.IsArmed(kTimerHistorySerialUp));
    rig.Run(1000);
    std::vector<std::string> temperaturesRecorded;
    rig.store.ReadAll(RecordTable::History, {"Temperature"},
                      [&](const auto& row) { temperaturesRecorded.push_back(row[0]); });
    EXPECT_EQ(temperaturesRecorded, std::vector<std::string>{t.historyColumn});
    rig.Run(4000);  // CutACTimeMessage after the reply: the count-down window
    EXPECT_EQ(rig.Count("  AC Fail!"), 1);
  }
}

TEST(PowerEngineSerial, LongMainsFailureArmsTheWarningOnce) {
  EngineRig rig;
  rig.Settings("[AlarmMessage]\nCutACTimeMessage=5\nShutAlarmTimeMessage=10\n");
  OpenSerial(rig);
  for (int i = 0; i < 20; ++i) rig.engine.OnSerialRead(true, WithBits(kHealthy, "10001"));
  EXPECT_EQ(rig.timers.TimesArmed(kTimerMainsFailDelay), 1);
  EXPECT_EQ(rig.timers.armed[kTimerMainsFailDelay].periodMs, 5000u);
  EXPECT_EQ(rig.engine.Status().mainsFailed, 1);
  EXPECT_EQ(rig.engine.Status().mainsSeen, 0);
  rig.engine.OnSerialRead(true, WithBits(kHealthy, "01001"));  // battery low too
  EXPECT_EQ(rig.timers.armed[kTimerBatteryLowOpen].periodMs, 200u);
  rig.engine.OnSerialRead(true, kHealthy);
  EXPECT_EQ(rig.engine.Status().mainsFailed, 0);
  EXPECT_EQ(rig.engine.Status().mainsSeen, 1);
}

TEST(PowerEngineSerial, SilentUpsIsLoggedLostOnceAndFoundAgainOnce) {
  EngineRig rig;
  OpenSerial(rig);
  rig.engine.OnSerialRead(true, kHealthy);
  for (int i = 0; i < 10; ++i) rig.engine.OnSerialRead(true, "");
  rig.engine.OnSerialRead(true, kHealthy);
  rig.engine.OnSerialRead(true, kHealthy);
  EXPECT_EQ(rig.Events(), (std::vector<std::string>{"  COM UPS is Connected!", "  UPS is DisConnected!",
                                                     "  COM UPS is Connected!"}));
  // Two missed queries are a glitch, not a loss.
  rig.engine.OnSerialRead(true, "");
  rig.engine.OnSerialRead(true, "");
  rig.engine.OnSerialRead(true, kHealthy);
  EXPECT_EQ(rig.Events().size(), 3u);
}

TEST(PowerEngineSerial, TheLinkPicturesGoDownWithASilentUpsAndUpWithItsNextReply) {
  EngineRig rig;
  OpenSerial(rig);
  EXPECT_TRUE(rig.display.linkPicturesUp);  // the port is open
  rig.engine.OnSerialRead(true, kHealthy);
  rig.engine.OnSerialRead(true, "");
  EXPECT_FALSE(rig.display.linkPicturesUp);
  rig.engine.OnSerialRead(true, "");
  rig.engine.OnSerialRead(true, "");  // the third: lost, the port is opened afresh
  rig.Run(1000);
  rig.engine.OnSerialOpen(true);
  EXPECT_FALSE(rig.display.linkPicturesUp);  // an open port is no answer
  rig.engine.OnSerialRead(true, "");
  EXPECT_FALSE(rig.display.linkPicturesUp);
  rig.engine.OnSerialRead(true, kHealthy);
  EXPECT_TRUE(rig.display.linkPicturesUp);
  rig.engine.OnSerialOpen(false);  // the adapter pulled out
  EXPECT_FALSE(rig.display.linkPicturesUp);
  rig.engine.OnSerialOpen(true);
  EXPECT_TRUE(rig.display.linkPicturesUp);
}

TEST(PowerEngineUsb, TheLinkPicturesGoDownWhenTheDeviceGivesNoReply) {
  EngineRig rig;
  rig.engine.StartLink(kUsb);
  rig.engine.OnUsbPass({true, "U" + kRating, "U" + kHealthy});
  EXPECT_TRUE(rig.display.linkPicturesUp);
  rig.engine.OnUsbPass({true, "U", "U"});  // there, but silent
  EXPECT_FALSE(rig.display.linkPicturesUp);
}

TEST(PowerEngineSerial, NoReplyBoxNeedsTheGraceTimeAndNoSettingsDialog) {
  EngineRig rig;
  OpenSerial(rig);
  rig.engine.OnSerialRead(true, "");
  EXPECT_EQ(rig.notices.loneBoxes, 0);  // within the first 5 s
  rig.Run(5000);
  rig.engine.OnSerialRead(true, "");
  EXPECT_EQ(rig.notices.loneBoxes, 1);
  rig.engine.OnSerialRead(true, "");
  EXPECT_EQ(rig.notices.loneBoxes, 1);  // once, until the UPS answers again
  rig.engine.OnSerialRead(true, kHealthy);
  rig.engine.OnSettingsDialogOpened();
  rig.Run(300);
  rig.engine.OnSerialRead(true, "");
  EXPECT_EQ(rig.notices.loneBoxes, 1);  // quiet while the dialog is open
  rig.engine.SetSettingsDialogOpen(false);
  rig.Run(300);
  EXPECT_FALSE(rig.timers.IsArmed(kTimerSettingsWatch));
  rig.engine.OnSerialRead(true, "");
  EXPECT_EQ(rig.notices.loneBoxes, 1);  // and for 2 s after
  rig.Run(2000);
  rig.engine.OnSerialRead(true, "");
  EXPECT_EQ(rig.notices.loneBoxes, 2);
}

TEST(PowerEngineHistory, NoTimerWhenRecordingIsOff) {
  EngineRig rig;
  rig.Settings("[DataRecord]\nHistoryZiLiao=0\nHistoryTimerDelay=5\n");
  OpenSerial(rig);
  rig.engine.OnSerialRead(true, kHealthy);
  rig.engine.OnSerialRead(true, "(");
  rig.engine.OnSerialOpen(false);
  for (unsigned id : {1034u, 1035u, 1036u, 1037u}) EXPECT_EQ(rig.timers.TimesArmed(id), 0) << id;
}

// The settings dialog's OK: the running history timer stops and the next
// reply starts it again with the new interval; the port is reopened a second
// later with the new line.
TEST(PowerEngineHistory, NewSettingsRestartTheHistoryTimerWithTheNewInterval) {
  EngineRig rig;
  rig.Settings("[DataRecord]\nHistoryZiLiao=1\nHistoryTimerDelay=5\n");
  OpenSerial(rig);
  rig.engine.OnSerialRead(true, kHealthy);
  ASSERT_EQ(rig.timers.armed[kTimerHistorySerialUp].periodMs, 5000u);
  rig.Settings("[DataRecord]\nHistoryZiLiao=1\nHistoryTimerDelay=30\n");
  rig.engine.ApplySettings({1, 4800, 0, 4, 0});
  EXPECT_FALSE(rig.timers.IsArmed(kTimerHistorySerialUp));
  EXPECT_EQ(rig.timers.armed[kTimerOpenSerial].periodMs, 1000u);
  EXPECT_EQ(rig.timers.armed[kTimerLinkGrace].periodMs, 5000u);
  rig.engine.OnSerialRead(true, kHealthy);
  EXPECT_EQ(rig.timers.armed[kTimerHistorySerialUp].periodMs, 30000u);
  rig.engine.ApplySettings(kUsb);
  EXPECT_EQ(rig.monitor.kind, LinkKind::Usb);
  EXPECT_FALSE(rig.engine.Notices().noReplyReportArmed);  // no "no UPS" box before the USB link was seen
  // A served UPS's next reading may be kept back as nothing new: one that
  // answers has its timer again at once, one that does not waits for it.
  const LinkSettings network{LinkSettings::kNetworkUps, 2400, 0, 4, 0};
  rig.engine.ApplySettings(network);
  rig.engine.OnServedReadings(Served("OL"));
  rig.Settings("[DataRecord]\nHistoryZiLiao=1\nHistoryTimerDelay=20\n");
  rig.engine.ApplySettings(network);
  EXPECT_EQ(rig.timers.armed[kTimerHistorySerialUp].periodMs, 20000u);
  rig.engine.OnServerAnswering(false);
  rig.engine.ApplySettings(network);
  EXPECT_FALSE(rig.timers.IsArmed(kTimerHistorySerialUp));
}

TEST(PowerEngineHistory, OneTimerFollowsTheLinkState) {
  EngineRig rig;
  rig.Settings("[DataRecord]\nHistoryZiLiao=1\nHistoryTimerDelay=5\n");
  OpenSerial(rig);
  rig.engine.OnSerialRead(true, kHealthy);
  rig.engine.OnSerialRead(true, kHealthy);
  EXPECT_EQ(rig.timers.TimesArmed(kTimerHistorySerialUp), 1);  // armed on entering the state only
  EXPECT_EQ(rig.timers.armed[kTimerHistorySerialUp].periodMs, 5000u);
  rig.engine.OnSerialRead(true, "(x");
  EXPECT_FALSE(rig.timers.IsArmed(kTimerHistorySerialUp));
  EXPECT_TRUE(rig.timers.IsArmed(kTimerHistorySerialDown));
  rig.Settings("[DataRecord]\nHistoryZiLiao=0\n");  // read fresh at each decision
  rig.engine.OnSerialRead(true, kHealthy);
  EXPECT_TRUE(rig.timers.IsArmed(kTimerHistorySerialDown));
  rig.engine.Stop();
  EXPECT_EQ(rig.Events().back(), "  Program End");
}

TEST(PowerEngineUsb, SwitchFromSerialStopsTheQueriesAndPollsUsb) {
  EngineRig rig;
  OpenSerial(rig);
  rig.engine.OnSerialRead(true, kHealthy);
  EXPECT_TRUE(rig.timers.IsArmed(kTimerStatusQuery));
  rig.engine.StartLink(kUsb);  // the settings dialog chose USB
  rig.engine.OnUsbPass({true, "U" + kRating, "U" + kHealthy});
  EXPECT_FALSE(rig.timers.IsArmed(kTimerStatusQuery));
  EXPECT_FALSE(rig.timers.IsArmed(kTimerRatingQuery));
  EXPECT_NE(rig.engine.Watch().State(LinkKind::Serial), LinkState::Answering);
  EXPECT_EQ(rig.engine.Watch().State(LinkKind::Usb), LinkState::Answering);
  EXPECT_EQ(rig.Events().back(), "  USB UPS is Connected!");
  EXPECT_EQ(rig.engine.Status().statusBits, "00001000");
  rig.engine.OnSerialRead(true, kHealthy);  // a late serial result is not acted on
  EXPECT_EQ(rig.Events().size(), 2u);
}

TEST(PowerEngineUsb, OneCharacterReplyZeroesFiveGaugesOnce) {
  EngineRig rig;
  rig.engine.StartLink(kUsb);
  rig.engine.OnUsbPass({true, "U" + kRating, "U" + kHealthy});
  rig.engine.OnUsbPass({true, "U", "U"});
  rig.engine.OnUsbPass({true, "U", "U"});
  EXPECT_EQ(rig.display.usbZeroed, 1);
  EXPECT_EQ(rig.display.zeroed, 0);  // not the load gauge, not the readouts
  EXPECT_EQ(rig.engine.Watch().State(LinkKind::Usb), LinkState::Silent);
}

TEST(PowerEngineUsb, DeviceLostIsLoggedAndBoxedOnce) {
  EngineRig rig;
  rig.engine.StartLink(kUsb);
  rig.engine.OnUsbPass({true, "U" + kRating, "U" + kHealthy});
  for (int i = 0; i < 3; ++i) rig.engine.OnUsbPass({false, "", ""});
  EXPECT_EQ(rig.Events(), (std::vector<std::string>{"  USB UPS is Connected!", "  UPS is DisConnected!"}));
  EXPECT_EQ(rig.notices.ownedBoxes, 1);
  EXPECT_FALSE(rig.menus.controlCenter);
}

// A unit the link library refuses: recorded with its strings once while it
// stays plugged in, again once plugged in anew or another takes its place;
// never a link.
TEST(PowerEngineUsb, AUnitTheLibraryRefusesIsRecordedOncePerPlugAndNeverConnects) {
  EngineRig rig;
  rig.engine.StartLink(kUsb);
  const UsbPass fuji{false, "", "", "ATCL FOR UPS ATCL FOR UPS"};
  const std::string fujiRow = "  USB UPS Not Supported: ATCL FOR UPS ATCL FOR UPS";
  for (int i = 0; i < 5; ++i) rig.engine.OnUsbPass(fuji);
  EXPECT_EQ(rig.Events(), (std::vector<std::string>{"  UPS is DisConnected!", fujiRow}));  // as with none there, and why
  EXPECT_FALSE(rig.engine.UpsAnswering());
  EXPECT_FALSE(rig.menus.controlCenter);
  EXPECT_EQ(rig.notices.ownedBoxes, 1);  // no UPS, as with none plugged in
  rig.engine.OnUsbPass({false, "", ""});  // unplugged
  rig.engine.OnUsbPass(fuji);
  rig.engine.OnUsbPass(fuji);
  EXPECT_EQ(rig.Count(fujiRow), 2);
  rig.engine.OnUsbPass({false, "", "", "Phoenixtec Power USB Cable (V2.00)"});
  EXPECT_EQ(rig.Count("  USB UPS Not Supported: Phoenixtec Power USB Cable (V2.00)"), 1);
  rig.engine.OnUsbPass({true, "U" + kRating, "U" + kHealthy});  // one of ours in its place
  EXPECT_EQ(rig.Events().back(), "  USB UPS is Connected!");
  rig.engine.OnUsbPass({false, "", "", "ATCL FOR UPS ATCL FOR UPS"});
  EXPECT_EQ(rig.Count(fujiRow), 3);
  rig.engine.StartLink(kCom1);
  rig.engine.OnUsbPass(fuji);  // a late pass after the link changed
  EXPECT_EQ(rig.Count(fujiRow), 3);
}

TEST(PowerEngineSerial, AFailedWriteOrReadIsAMissedReplyAndTheThirdReopensThePort) {
  EngineRig rig;
  OpenSerial(rig);
  rig.engine.OnSerialRead(true, kHealthy);
  rig.engine.OnSerialRead(false, "");
  rig.engine.OnSerialRead(false, "");
  const int closes = rig.monitor.closes;
  rig.Run(1000);
  EXPECT_EQ(rig.monitor.closes, closes);  // two misses: the port stays open
  EXPECT_EQ(rig.Events().size(), 1u);
  rig.engine.OnSerialRead(false, "");
  EXPECT_EQ(rig.Events().back(), "  UPS is DisConnected!");
  EXPECT_NE(rig.engine.Watch().State(LinkKind::Serial), LinkState::Answering);
  rig.Run(1000);
  EXPECT_EQ(rig.monitor.closes, closes + 1);  // closed, so the monitor opens it afresh
  rig.Run(1000);
  EXPECT_EQ(rig.monitor.closes, closes + 2);  // at every status query while it stays silent
}

TEST(PowerEngineSerial, APulledAdapterIsFoundAgainWhenItComesBack) {
  EngineRig rig;
  OpenSerial(rig);
  rig.engine.OnSerialRead(true, kHealthy);
  for (int i = 0; i < 3; ++i) rig.engine.OnSerialRead(false, "");
  rig.Run(1000);
  for (int i = 0; i < 5; ++i) {  // the port is gone: every open fails
    rig.engine.OnSerialOpen(false);
    EXPECT_TRUE(rig.timers.IsArmed(kTimerOpenSerial));
    const int requests = rig.monitor.readRequests;
    rig.Run(1000);
    EXPECT_GT(rig.monitor.readRequests, requests);  // asked to open again
  }
  EXPECT_EQ(rig.notices.ownedBoxes, 1);  // the box once, at the first failed open
  rig.engine.OnSerialOpen(true);
  EXPECT_TRUE(rig.timers.IsArmed(kTimerStatusQuery));
  rig.engine.OnSerialRead(true, kHealthy);
  rig.engine.OnSerialRead(true, kHealthy);
  EXPECT_EQ(rig.Events(), (std::vector<std::string>{"  COM UPS is Connected!", "  UPS is DisConnected!",
                                                     "  COM UPS is Connected!"}));
  const int closes = rig.monitor.closes;
  rig.Run(3000);
  EXPECT_EQ(rig.monitor.closes, closes);  // answering again: the port is left alone
}

TEST(PowerEngineSerial, NoUpsAtStartUpIsLookedForEverySecondWithoutMoreEventsOrBoxes) {
  EngineRig rig;
  rig.engine.StartLink(kCom1);
  for (int i = 0; i < 4; ++i) {
    rig.Run(1000);
    rig.engine.OnSerialOpen(false);
  }
  EXPECT_EQ(rig.monitor.closes, 4);
  EXPECT_EQ(rig.Events(), std::vector<std::string>{"  UPS is DisConnected!"});
  EXPECT_EQ(rig.notices.ownedBoxes, 1);
}

TEST(PowerEngineEnd, ProgramEndIsRecordedOnceWhicheverWayOutCameFirst) {
  EngineRig rig;
  rig.engine.LogProgramStart();
  rig.engine.Stop();  // the session ends ...
  rig.engine.Stop();  // ... and the window is destroyed after
  EXPECT_EQ(rig.Events(), (std::vector<std::string>{"  Program Start", "  Program End"}));
}

TEST(RecordKeeperTest, AnUnwritableTableIsReportedOnceRetriedAndTheTipClearedOnceWritten) {
  EngineRig rig;
  const std::string path = rig.store.PathOf(RecordTable::Events);
  ASSERT_EQ(mkdir(path.c_str(), 0755), 0);  // a folder where the file should be
  rig.engine.LogProgramStart();
  rig.engine.StartLink(kCom1);
  rig.Run(1000);
  rig.engine.OnSerialOpen(false);  // "  UPS is DisConnected!" waits too
  ASSERT_EQ(rig.notices.storeReports.size(), 1u);
  EXPECT_NE(rig.notices.storeReports[0].find("EventRecord.csv"), std::string::npos);  // names the file
  EXPECT_TRUE(rig.notices.recordsWaiting);
  EXPECT_EQ(rig.timers.armed[kTimerRecordRetry].periodMs, RecordKeeper::kRetryMs);
  rig.Run(RecordKeeper::kRetryMs);
  EXPECT_TRUE(rig.notices.recordsWaiting);  // still a folder

  ASSERT_EQ(rmdir(path.c_str()), 0);
  rig.Run(RecordKeeper::kRetryMs);
  EXPECT_FALSE(rig.notices.recordsWaiting);
  EXPECT_FALSE(rig.timers.IsArmed(kTimerRecordRetry));
  EXPECT_EQ(rig.Events(), (std::vector<std::string>{"  Program Start", "  UPS is DisConnected!"}));
  EXPECT_EQ(rig.notices.storeReports.size(), 1u);
}

TEST(TimerTableTest, EachNumberHasOneOwner) {
  struct Counter : TimerOwner {
    std::vector<unsigned> ticks;
    void OnTimer(unsigned id) override { ticks.push_back(id); }
  } first, second;
  TimerTable table;
  EXPECT_TRUE(table.Own(1030, first));
  EXPECT_FALSE(table.Own(1030, second));
  EXPECT_TRUE(table.Own(1031, second));
  EXPECT_TRUE(table.Dispatch(1030));
  EXPECT_TRUE(table.Dispatch(1031));
  EXPECT_FALSE(table.Dispatch(1099));
  EXPECT_EQ(first.ticks, std::vector<unsigned>{1030});
  EXPECT_EQ(second.ticks, std::vector<unsigned>{1031});
}

TEST(PowerEngineSerial, NoiseOnALostLineNeitherEndsTheLossNorLogsAConnection) {
  EngineRig fresh;  // noise before the UPS ever answered is no link either
  OpenSerial(fresh);
  fresh.engine.OnSerialRead(true, std::string(47, '\xF3'));
  EXPECT_NE(fresh.engine.Watch().State(LinkKind::Serial), LinkState::Answering);

  EngineRig rig;
  OpenSerial(rig);
  rig.engine.OnSerialRead(true, kHealthy);
  for (int i = 0; i < 3; ++i) rig.engine.OnSerialRead(true, "");
  rig.engine.OnSerialRead(true, std::string(47, '\xF3'));  // noise of a reply's length
  rig.engine.OnSerialRead(true, "(2");
  EXPECT_EQ(rig.Events().back(), "  UPS is DisConnected!");
  EXPECT_NE(rig.engine.Watch().State(LinkKind::Serial), LinkState::Answering);
  const int closes = rig.monitor.closes;
  rig.Run(1000);
  EXPECT_EQ(rig.monitor.closes, closes + 1);  // still reopening
  rig.engine.OnSerialRead(true, kRating);     // the UPS's own answer
  EXPECT_EQ(rig.Events().back(), "  COM UPS is Connected!");
  rig.Run(1000);
  EXPECT_EQ(rig.monitor.closes, closes + 1);
}

// Everyone asks one question, "does the UPS answer?": a unit that vanishes,
// or a serial line chosen after it that brings nothing, must read as silent
// to the tray tip, the bar, the drill's report and the schedule.
TEST(LinkWatchTest, AVanishedUsbUnitAndASilentLineChosenAfterItDoNotAnswer) {
  EngineRig rig;
  rig.Settings("[Schema]\nSchemaEveryRebootFlag2=1\nSchemaEveryRebootTime2=9:8:7\n[AlarmMessage]\nShutTimeMessage=5\n");
  rig.engine.StartLink(kUsb);
  rig.engine.OnUsbPass({true, "U" + kRating, "U" + kHealthy});
  ASSERT_TRUE(rig.parts.policy.Tray().answering);
  rig.engine.OnUsbPass({false, "", ""});  // unplugged
  EXPECT_FALSE(rig.engine.UpsAnswering());  // the bar offers no ten-second test
  EXPECT_FALSE(rig.parts.policy.Tray().answering);
  ASSERT_TRUE(rig.parts.drill.Start());
  rig.Run(60000);
  ASSERT_EQ(rig.drillPort.reports.size(), 1u);
  EXPECT_NE(rig.drillPort.reports[0].find(Tr(Text::DrillWarnNotAnswering)), std::string::npos);

  // A unit whose status answers but not its rating answers, and is recorded
  // found only on its rating reply, lost once until then.
  EngineRig mute;
  mute.engine.StartLink(kUsb);
  mute.engine.OnUsbPass({true, "U", "U" + kHealthy});
  EXPECT_TRUE(mute.engine.UpsAnswering());
  mute.engine.OnUsbPass({false, "", ""});
  mute.engine.OnUsbPass({true, "U", "U" + kHealthy});
  mute.engine.OnUsbPass({false, "", ""});
  mute.engine.OnUsbPass({true, "U" + kRating, "U" + kHealthy});
  EXPECT_EQ(mute.Events(), (std::vector<std::string>{"  UPS is DisConnected!", "  USB UPS is Connected!"}));

  EngineRig switched;
  switched.Settings("[Schema]\nSchemaEveryRebootFlag2=1\nSchemaEveryRebootTime2=9:8:7\n[AlarmMessage]\nShutTimeMessage=5\n");
  switched.engine.StartLink(kUsb);
  switched.engine.OnUsbPass({true, "U" + kRating, "U" + kHealthy});
  switched.engine.ApplySettings(kCom1);  // COM1 chosen, nothing on it
  switched.Run(1000);
  EXPECT_FALSE(switched.engine.UpsAnswering());
  EXPECT_FALSE(switched.parts.policy.Tray().answering);
  switched.parts.schedule.Start();
  switched.Run(5000);  // the warning is due, but no UPS can be told to switch off
  EXPECT_FALSE(switched.views.IsOpen(CountdownWindow::Schedule));
}
