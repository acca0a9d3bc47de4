// The main window's gauge readouts and pictures.
#include <gtest/gtest.h>

#include <string>

#include "app/data_plot.h"
#include "app/gauge_readings.h"
#include "res/bitmap_ids.h"
#include "tests/unit/display_readings.h"

using namespace voltaris;
using namespace voltaris::testing;

TEST(GaugeReadings, WholeNumbersWithTheirUnits) {
  const GaugeReadings r = ReadingsOf(Status(), Battery(87, "87 %"));
  EXPECT_EQ(r.input.readout, "230 V");
  EXPECT_EQ(r.input.position, 230);
  EXPECT_EQ(r.output.readout, "229 V");
  EXPECT_EQ(r.load.readout, "35%");  // no blank before the sign, unlike the zero text
  EXPECT_EQ(r.load.position, 35);
  EXPECT_EQ(r.battery.readout, "87 %");
  EXPECT_EQ(r.battery.position, 87);
  EXPECT_EQ(r.temperature.readout, "25 C");
  EXPECT_EQ(r.frequency.readout, "50 Hz");
  EXPECT_EQ(r.frequency.position, 50);
  const GaugeReadings zero = ZeroReadings();
  EXPECT_EQ(zero.input.readout + zero.output.readout + zero.load.readout + zero.battery.readout +
                zero.temperature.readout + zero.frequency.readout,
            "0 V0 V0 %0 %0 C0 Hz");
}

TEST(GaugeReadings, StatusAndLinkPictures) {
  UpsStatus s;
  s.mainsFailed = 1;
  s.upsHealthy = 1;
  const StatusPictures failed = PicturesOf(s);
  EXPECT_EQ(failed.mains, IDB_MAINS_FAILED);
  EXPECT_EQ(failed.battery, IDB_BATTERY_NORMAL);
  EXPECT_EQ(failed.ups, IDB_UPS_NORMAL);
  EXPECT_EQ(failed.type, IDB_ONLINE_TYPE);
  s = {};
  s.batteryLow = 1;
  s.standbyType = 1;
  const StatusPictures low = PicturesOf(s);
  EXPECT_EQ(low.mains, IDB_MAINS_NORMAL);
  EXPECT_EQ(low.battery, IDB_BATTERY_LOW);
  EXPECT_EQ(low.ups, IDB_UPS_FAULT);
  EXPECT_EQ(low.type, IDB_STANDBY_TYPE);
  EXPECT_EQ(LinkPicturesOf(true).link, IDB_LINK_UP);
  EXPECT_EQ(LinkPicturesOf(false).traffic, IDB_TRAFFIC_DOWN);
}

// 5 degrees or less, or no number: the gauge, the plot's latest value and
// its curve show no reading rather than a false 0.
TEST(GaugeReadings, ATemperatureThatIsNoReadingShowsDashes) {
  const struct {
    const char* field;
    const char* readout;
    int position;
    const char* plotText;
  } temperatures[] = {{"--.-", "-- C", 0, "-- C    "},
                      {"05.0", "-- C", 0, "-- C    "},
                      {"06.0", "6 C", 6, "6 C    "}};
  for (const auto& t : temperatures) {
    SCOPED_TRACE(t.field);
    UpsStatus status = Status();
    status.temperatureText = t.field;
    const GaugeReading gauge = ReadingsOf(status, Battery(87, "87 %")).temperature;
    EXPECT_EQ(gauge.readout, t.readout);
    EXPECT_EQ(gauge.position, t.position);
    PlotSamples samples;
    samples.Append(LinkKind::Serial, SampleOf(status, Battery(87, "87 %")));
    const int sample = samples.Value(0, PlotQuantity::Temperature);
    EXPECT_EQ(sample == kNoPlotValue, t.position == 0);
    EXPECT_EQ(PlotLatestText(PlotQuantity::Temperature, sample, status.temperatureText), t.plotText);
    EXPECT_EQ(samples.Value(0, PlotQuantity::InputVoltage), 230);  // the other readings stand
  }
}

// A UPS followed over the network may leave any value out: each shows as
// no reading on its gauge and as a gap in the plot, never as 0.
TEST(GaugeReadings, AValueTheServerDoesNotGiveShowsDashesAndAGap) {
  UpsStatus status = Status();
  status.outputVoltageText.clear();
  status.loadText.clear();
  status.frequencyText.clear();
  const GaugeReadings r = ReadingsOf(status, Battery(87, "87 %"));
  EXPECT_EQ(r.input.readout, "230 V");
  EXPECT_EQ(r.output.readout, "-- V");
  EXPECT_EQ(r.load.readout, "--%");
  EXPECT_EQ(r.frequency.readout, "-- Hz");
  EXPECT_EQ(r.output.position + r.load.position + r.frequency.position, 0);
  PlotSamples samples;
  BatteryReading noCharge = Battery(0, "-- %");
  noCharge.known = false;
  samples.Append(LinkKind::Network, SampleOf(status, noCharge));
  EXPECT_EQ(samples.Value(0, PlotQuantity::Battery), kNoPlotValue);
  EXPECT_EQ(samples.Value(0, PlotQuantity::InputVoltage), 230);
  EXPECT_EQ(samples.Value(0, PlotQuantity::OutputVoltage), kNoPlotValue);
  EXPECT_EQ(samples.Value(0, PlotQuantity::Load), kNoPlotValue);
  EXPECT_EQ(PlotLatestText(PlotQuantity::Frequency, kNoPlotValue, ""), "-- Hz    ");
}
