// What the main window shows: gauge readouts, the data plot's samples and
// scales, the button bars' zones and the clock panel.
#include <gtest/gtest.h>

#include "app/button_bars.h"
#include "app/clock_texts.h"
#include "app/data_plot.h"
#include "app/gauge_readings.h"
#include "res/bitmap_ids.h"
#include "res/skin_layout.h"

using namespace voltaris;

namespace {

UpsStatus Status() {
  UpsStatus s;
  s.inputVoltageText = "230.4";
  s.outputVoltageText = "229.0";
  s.loadText = "035";
  s.frequencyText = "50.1";
  s.temperatureText = "25.0";
  return s;
}

BatteryReading Battery(int percent, const std::string& readout) {
  BatteryReading b;
  b.gaugePosition = percent;
  b.readout = readout;
  return b;
}

}  // namespace

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

TEST(DataPlot, HeightsOnEachScale) {
  EXPECT_EQ(PlotHeightOf(PlotQuantity::InputVoltage, 230), 122);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::OutputVoltage, 60), 0);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::InputVoltage, 61), 0);    // 144 / 200 truncates
  EXPECT_EQ(PlotHeightOf(PlotQuantity::InputVoltage, 62), 1);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::InputVoltage, 259), 143);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::InputVoltage, 270), kPlotHeight);  // held at the top
  EXPECT_EQ(PlotHeightOf(PlotQuantity::InputVoltage, 280), kPlotHeight);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::Frequency, 50), 48);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::Frequency, 40), 0);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::Frequency, 35), 0);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::Frequency, 69), 139);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::Frequency, 70), kPlotHeight);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::Load, 60), 72);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::Load, 119), 142);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::Load, 120), kPlotHeight);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::Battery, 99), 142);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::Battery, 100), kPlotHeight);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::Battery, 130), kPlotHeight);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::Temperature, 1), 1);
  EXPECT_EQ(PlotHeightOf(PlotQuantity::Temperature, 0), 0);
  EXPECT_EQ(PlotX(21), 252);
}

TEST(DataPlot, TheOldestSampleIsDroppedFromTheTwentySecondOn) {
  PlotSamples samples;
  PlotSample s;
  for (int i = 1; i <= 21; ++i) {
    s.input = 200 + i;
    EXPECT_EQ(samples.Append(LinkKind::Serial, s), i);
  }
  EXPECT_EQ(samples.Value(0, PlotQuantity::InputVoltage), 201);
  s.input = 222;
  EXPECT_EQ(samples.Append(LinkKind::Serial, s), 21);  // the 22nd: records 0..20 are replies 2..22
  EXPECT_EQ(samples.Value(0, PlotQuantity::InputVoltage), 202);
  EXPECT_EQ(samples.Value(20, PlotQuantity::InputVoltage), 222);
  s.input = 223;
  EXPECT_EQ(samples.Append(LinkKind::Serial, s), 21);
  EXPECT_EQ(samples.Value(0, PlotQuantity::InputVoltage), 203);
  EXPECT_EQ(samples.Value(20, PlotQuantity::InputVoltage), 223);
  EXPECT_EQ(samples.Count(LinkKind::Usb), 0);  // each link has its own position
  samples.Clear();
  EXPECT_EQ(samples.Count(LinkKind::Serial), 0);
  EXPECT_EQ(samples.Value(0, PlotQuantity::InputVoltage), 0);
}

TEST(DataPlot, SamplesAndLatestTexts) {
  const PlotSample s = SampleOf(Status(), Battery(100, "100 %"));
  PlotSamples samples;
  samples.Append(LinkKind::Usb, s);
  EXPECT_EQ(samples.Value(0, PlotQuantity::InputVoltage), 230);
  EXPECT_EQ(samples.Value(0, PlotQuantity::OutputVoltage), 229);
  EXPECT_EQ(samples.Value(0, PlotQuantity::Load), 35);
  EXPECT_EQ(samples.Value(0, PlotQuantity::Battery), 100);
  EXPECT_EQ(samples.Value(0, PlotQuantity::Temperature), 25);
  EXPECT_EQ(samples.Value(0, PlotQuantity::Frequency), 50);
  EXPECT_EQ(PlotLatestText(PlotQuantity::InputVoltage, 230, ""), "230 V     ");
  EXPECT_EQ(PlotLatestText(PlotQuantity::Battery, 87, ""), "87 %    ");
  EXPECT_EQ(PlotLatestText(PlotQuantity::Frequency, 50, ""), "50 Hz    ");
  EXPECT_EQ(PlotLatestText(PlotQuantity::Temperature, 25, "25.0"), "25 C    ");
  EXPECT_EQ(PlotLatestText(PlotQuantity::Temperature, 12345, "31.0"), "31 C    ");
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

// Every zone of the skin holds its corners and its middle (where the
// end-to-end scripts click), and not the pixel beyond any of its sides.
TEST(SkinLayout, ZonesHoldTheirBoundsOnly) {
  for (const skin::NamedZone& named : skin::kAllZones) {
    SCOPED_TRACE(named.name);
    const HotZone& z = named.zone;
    EXPECT_LE(z.left, z.right);
    EXPECT_LE(z.top, z.bottom);
    EXPECT_TRUE(z.Contains(z.left, z.top));
    EXPECT_TRUE(z.Contains(z.right, z.bottom));
    EXPECT_TRUE(z.Contains(skin::CentreX(z), skin::CentreY(z)));
    EXPECT_FALSE(z.Contains(z.left - 1, z.top));
    EXPECT_FALSE(z.Contains(z.right + 1, z.bottom));
    EXPECT_FALSE(z.Contains(z.left, z.top - 1));
    EXPECT_FALSE(z.Contains(z.right, z.bottom + 1));
  }
}

// Each bar zone answers with its own action at its corners and with nothing
// a pixel beyond each side (no two zones of a bar touch).
template <typename ZoneAt>
void ExpectBarZone(ZoneAt zoneAt, const HotZone& z, BarAction action) {
  EXPECT_EQ(zoneAt(z.left, z.top), action);
  EXPECT_EQ(zoneAt(z.right, z.bottom), action);
  EXPECT_EQ(zoneAt(z.left - 1, z.top), std::nullopt);
  EXPECT_EQ(zoneAt(z.right + 1, z.bottom), std::nullopt);
  EXPECT_EQ(zoneAt(z.left, z.top - 1), std::nullopt);
  EXPECT_EQ(zoneAt(z.right, z.bottom + 1), std::nullopt);
}

TEST(ButtonBars, ZonesIncludeTheirBounds) {
  for (const BarZone& b : {BarZone{skin::kLeftSettings, BarAction::Settings}, BarZone{skin::kLeftExit, BarAction::Exit},
                           BarZone{skin::kLeftAlarm, BarAction::AlarmMessages},
                           BarZone{skin::kLeftWeekly, BarAction::WeeklySchedule}}) {
    SCOPED_TRACE(static_cast<int>(b.action));
    ExpectBarZone(LeftBarZoneAt, b.area, b.action);
  }
  for (const BarZone& b :
       {BarZone{skin::kTopLogFile, BarAction::LogFile}, BarZone{skin::kTopHistory, BarAction::HistoryData},
        BarZone{skin::kTopDataPlot, BarAction::DataPlot}, BarZone{skin::kTopEventData, BarAction::EventData},
        BarZone{skin::kTopShutdown, BarAction::Shutdown}, BarZone{skin::kTopTenSecondTest, BarAction::TenSecondTest},
        BarZone{skin::kTopCancelSelfTest, BarAction::CancelSelfTest}}) {
    SCOPED_TRACE(static_cast<int>(b.action));
    ExpectBarZone(TopBarZoneAt, b.area, b.action);
  }
}

TEST(ButtonBars, TopBarConditions) {
  const int shutdownX = skin::CentreX(skin::kTopShutdown), shutdownY = skin::CentreY(skin::kTopShutdown);
  const int testX = skin::CentreX(skin::kTopTenSecondTest), testY = skin::CentreY(skin::kTopTenSecondTest);
  const int cancelX = skin::CentreX(skin::kTopCancelSelfTest), cancelY = skin::CentreY(skin::kTopCancelSelfTest);
  TopBarState state;
  EXPECT_EQ(TopBarPress(shutdownX, shutdownY, state), BarAction::Shutdown);
  state.manualShutdownOpen = true;
  EXPECT_EQ(TopBarPress(shutdownX, shutdownY, state), std::nullopt);
  EXPECT_EQ(TopBarPress(testX, testY, state), std::nullopt);  // no UPS answering: no test
  state.upsAnswering = true;
  EXPECT_EQ(TopBarPress(testX, testY, state), BarAction::TenSecondTest);
  state.tenSecondTestOpen = true;
  EXPECT_EQ(TopBarPress(testX, testY, state), std::nullopt);
  EXPECT_EQ(TopBarPress(cancelX, cancelY, state), std::nullopt);  // nothing to cancel
  state.selfTestRunning = true;
  EXPECT_EQ(TopBarPress(cancelX, cancelY, state), BarAction::CancelSelfTest);
}

TEST(ClockPanel, DateWeekdayAndTime) {
  const ClockTexts t = ClockTextsOf({2026, 3, 8, 9, 5, 7, 0});
  EXPECT_EQ(t.date, "2026 - 03 - 08");
  EXPECT_EQ(t.weekday, "Sunday");
  EXPECT_EQ(t.time, "9:05:07");
  EXPECT_EQ(ClockTextsOf({2026, 12, 12, 23, 59, 0, 6}).weekday, "Saturday");
}
