#include <gtest/gtest.h>

#include <string>

#include "ups/served_ups.h"

using namespace voltaris;

TEST(ServedUps, TheStatusWordsBecomeTheBitsEveryLinkGives) {
  const struct {
    const char* status;
    bool onBattery, low, silent, calibrating;
    const char* bits;
  } cases[] = {{"OL", false, false, false, false, "00000000"},
               {"OB", true, false, false, false, "10000000"},
               {"OB LB", true, true, false, false, "11000000"},
               {"OB", true, false, true, false, "11000000"},  // on battery and silent for the dead time
               {"OL CAL", false, false, false, true, "00000100"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    ServedReadings served;
    served.status = c.status;
    served.flags.onBattery = c.onBattery;
    served.flags.batteryLow = c.low;
    served.silentOnBattery = c.silent;
    served.flags.calibrating = c.calibrating;
    UpsStatus status;
    FillServedStatus(served, status);
    EXPECT_EQ(status.statusBits, c.bits);
    EXPECT_EQ(status.testInProgress != 0, c.calibrating);
    ApplyStatusBits(status);
    EXPECT_EQ(status.mainsFailed != 0, c.onBattery);
    EXPECT_EQ(status.batteryLow != 0, c.low || c.silent);
    EXPECT_TRUE(status.upsHealthy);
  }
}

// upsmon's rule: a status saying neither (a driver starting again says
// WAIT) leaves the supply where it was.
TEST(ServedUps, AStatusWithNeitherOnLineNorOnBatteryKeepsTheSupply) {
  UpsStatus status;
  ServedReadings served;
  for (const auto& [words, onBattery, wasOnBattery] :
       {std::tuple{"OB", true, true}, std::tuple{"WAIT", false, true}, std::tuple{"OL", false, false},
        std::tuple{"OFF", false, false}}) {
    served.status = words;
    served.flags = {std::string(words) == "OL", onBattery, false, false};
    FillServedStatus(served, status);
    EXPECT_EQ(status.statusBits[0], wasOnBattery ? '1' : '0') << words;
  }
}

TEST(ServedUps, NumbersAsTheLineWouldCarryThemAndNothingForWhatIsNotServed) {
  ServedReadings served;
  served.inputVoltage = 231.04;
  served.outputVoltage = 229.96;
  served.inputFrequency = -0.04;
  served.load = 36.6;
  served.runtimeSeconds = 1260;
  UpsStatus status;
  status.ratedBatteryVoltageText = "24.0";  // left by a serial UPS chosen before
  FillServedStatus(served, status);
  EXPECT_EQ(status.inputVoltageText, "231.0");
  EXPECT_EQ(status.outputVoltageText, "230.0");
  EXPECT_EQ(status.frequencyText, "0.0");
  EXPECT_EQ(status.loadText, "37");
  EXPECT_EQ(status.loadPercent, 37);
  EXPECT_EQ(status.temperatureText, "");
  EXPECT_EQ(status.batteryVoltageText, "");
  EXPECT_EQ(status.ratedBatteryVoltageText, "");
  EXPECT_EQ(status.servedRuntimeSeconds, 1260);
  EXPECT_EQ(ServedBattery(served, status).readout, "-- %");
  EXPECT_FALSE(ServedBattery(served, status).known);
  for (const auto& [charge, readout, position] :
       {std::tuple{96.7, "96 %", 96}, std::tuple{130.0, "100 %", 100}, std::tuple{-3.0, "0 %", 0}}) {
    served.batteryCharge = charge;
    const BatteryReading battery = ServedBattery(served, status);
    EXPECT_EQ(battery.readout, readout);
    EXPECT_EQ(battery.gaugePosition, position);
  }
}

TEST(ServedUps, SelfTestsBecomeTheServersInstantCommandsAndASwitchOffNothing) {
  EXPECT_EQ(InstantCommandOf(TenSecondTestControl()), "test.battery.start.quick");
  EXPECT_EQ(InstantCommandOf(UntilLowTestControl()), "test.battery.start.deep");
  EXPECT_EQ(InstantCommandOf(CancelTestControl()), "test.battery.stop");
  EXPECT_EQ(InstantCommandOf(TimedTestControl(1)), "test.battery.start 60");
  EXPECT_EQ(InstantCommandOf(TimedTestControl(99)), "test.battery.start 5940");
  EXPECT_EQ(InstantCommandOf(SwitchOffControl(60, 90, 90)), std::nullopt);
}
