// The data plot's samples and scales.
#include <gtest/gtest.h>

#include <string>

#include "app/data_plot.h"
#include "tests/unit/display_readings.h"

using namespace voltaris;
using namespace voltaris::testing;

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
