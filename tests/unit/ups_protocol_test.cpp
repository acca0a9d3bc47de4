#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <tuple>

#include "ups/ups_protocol.h"

using namespace voltaris;

namespace {

const std::string kStatus = "(220.0 221.0 219.0 012 50.0 13.6 25.0 00001000\r";
const std::string kRating24 = "#220.0 005 24.00 50.0\r";

}  // namespace

TEST(Commands, ComposeTheProtocolBytes) {
  EXPECT_EQ(StatusQueryCommand(), "Q1\r");
  EXPECT_EQ(RatingQueryCommand(), "F\r");
  EXPECT_EQ(TenSecondTestCommand(), "T\r");
  EXPECT_EQ(UntilLowTestCommand(), "TL\r");
  EXPECT_EQ(CancelTestCommand(), "CT\r");
  EXPECT_EQ(TimedTestCommand(5), "T05\r");
  EXPECT_EQ(TimedTestCommand(99), "T99\r");
}

TEST(Commands, SwitchOffDelayFromBefoShutDownTime) {
  EXPECT_EQ(SwitchOffCommand(150, 123), "S02R0123\r");
  // Never a zero delay, which a UPS reads as "now": under a minute is one minute.
  EXPECT_EQ(SwitchOffCommand(0, std::nullopt), "S01\r");
  EXPECT_EQ(SwitchOffCommand(30, std::nullopt), "S01\r");
  EXPECT_EQ(SwitchOffCommand(59, 5), "S01R0005\r");
  EXPECT_EQ(SwitchOffCommand(60, std::nullopt), "S01\r");
  EXPECT_EQ(SwitchOffCommand(119, std::nullopt), "S01\r");
  EXPECT_EQ(SwitchOffCommand(120, std::nullopt), "S02\r");
  EXPECT_EQ(SwitchOffCommand(540, 9999), "S09R9999\r");  // sent as the schedule gives it
  EXPECT_EQ(SwitchOffCommand(540, 9998), "S09R9998\r");
  EXPECT_EQ(SwitchOffCommand(600, 60), "S10R0060\r");    // 10 minutes, as the UPS reads it
  EXPECT_EQ(SwitchOffCommand(600, std::nullopt), "S10\r");
}

TEST(Commands, UsbSwitchOffTexts) {
  EXPECT_EQ(UsbSwitchOffText(120, std::nullopt), "RS.2R9999\r");
  EXPECT_EQ(UsbSwitchOffText(120, std::nullopt).size(), 10u);
  EXPECT_EQ(UsbSwitchOffText(60, 75), "R00100075");
  EXPECT_EQ(UsbSwitchOffText(600, 75), "R01000075");
  EXPECT_EQ(UsbSwitchOffText(0, std::nullopt), "RS.1R9999\r");
  EXPECT_EQ(UsbSwitchOffText(59, 75), "R00100075");
}

// Each self-test in both links' forms: the library's codes 4, 5 and 7, and
// the timed test's own four bytes through Cmdtest.
TEST(Commands, SelfTestsOverBothLinks) {
  EXPECT_EQ(TenSecondTestControl(), (UpsControl{"T\r", {4, ""}}));
  EXPECT_EQ(UntilLowTestControl(), (UpsControl{"TL\r", {5, ""}}));
  EXPECT_EQ(CancelTestControl(), (UpsControl{"CT\r", {7, ""}}));
  EXPECT_EQ(TimedTestControl(5), (UpsControl{"T05\r", {0, "T05\r"}}));
}

TEST(StatusReply, SerialReplyFillsTheTextsAndFlags) {
  UpsStatus s;
  const auto parse = ParseStatusReply(LinkKind::Serial, kStatus, s);
  ASSERT_TRUE(parse.accepted);
  EXPECT_EQ(s.inputVoltageText, "220.0");
  EXPECT_EQ(s.inputFaultVoltageText, "221.0");
  EXPECT_EQ(s.outputVoltageText, "219.0");
  EXPECT_EQ(s.loadText, "012 5");
  EXPECT_EQ(s.loadPercent, 12);
  EXPECT_EQ(s.loadPercentText, "12");
  EXPECT_EQ(s.frequencyText, "50.0 ");
  EXPECT_EQ(s.batteryVoltageText, "13.6 ");
  EXPECT_EQ(s.temperatureText, "25.0 ");
  EXPECT_EQ(s.statusBits, "00001");
  ApplyStatusBits(s);
  EXPECT_EQ(s.mainsFailed, 0);
  EXPECT_EQ(s.mainsSeen, 1);
  EXPECT_EQ(s.batteryLow, 0);
  EXPECT_EQ(s.upsHealthy, 1);
  EXPECT_EQ(s.standbyType, 1);
}

TEST(StatusReply, UsbReplyIsShiftedByOneWithEightBits) {
  UpsStatus s;
  ASSERT_TRUE(ParseStatusReply(LinkKind::Usb, "x" + kStatus, s).accepted);
  EXPECT_EQ(s.inputVoltageText, "220.0");
  EXPECT_EQ(s.statusBits, "00001000");
  EXPECT_FALSE(ParseStatusReply(LinkKind::Usb, kStatus, s).accepted);
}

TEST(StatusReply, OnlyTheExactLengthIsAccepted) {
  UpsStatus s;
  EXPECT_FALSE(ParseStatusReply(LinkKind::Serial, kStatus.substr(0, 46), s).accepted);  // CR lost
  EXPECT_FALSE(ParseStatusReply(LinkKind::Serial, kStatus + "x", s).accepted);
  EXPECT_FALSE(ParseStatusReply(LinkKind::Serial, "", s).accepted);
  // The right length but not the UPS's shape: noise, or a cut reply joined to the next.
  EXPECT_FALSE(ParseStatusReply(LinkKind::Serial, std::string(47, '#'), s).accepted);
  std::string noisyBits = kStatus;
  noisyBits[39] = '\xF3';  // would read as "battery low"
  EXPECT_FALSE(ParseStatusReply(LinkKind::Serial, noisyBits, s).accepted);
  const std::string joined = kStatus.substr(0, 20) + kStatus.substr(0, 27);  // a cut reply, then the next
  EXPECT_FALSE(ParseStatusReply(LinkKind::Serial, joined, s).accepted);
  EXPECT_TRUE(IsWholeReply(LinkKind::Serial, kStatus));
  EXPECT_FALSE(IsWholeReply(LinkKind::Serial, joined));
  const std::string shifted = kStatus.substr(0, 20) + " " + kStatus.substr(20, 26);  // a blank out of place
  EXPECT_FALSE(ParseStatusReply(LinkKind::Serial, shifted, s).accepted);
  EXPECT_FALSE(ParseStatusReply(LinkKind::Usb, "x" + kStatus.substr(0, 46) + "x", s).accepted);  // no CR
}

// A cold UPS, or one without a sensor, is still a UPS: its reply is taken
// whole, and only its temperature is no reading.
TEST(StatusReply, ATemperatureOfFiveOrLessOrNoNumberIsNoReadingButTheReplyCounts) {
  const struct {
    const char* field;
    std::optional<int> degrees;
    const char* readout;
  } temperatures[] = {
      {"04.0", std::nullopt, "-- C"}, {"--.-", std::nullopt, "-- C"},  // a sensorless unit
      {"00.0", std::nullopt, "-- C"}, {"05.0", std::nullopt, "-- C"},
      {"05.9", std::nullopt, "-- C"},  // whole degrees, as the rule reads
      {"06.0", 6, "6 C"},             {"25.0", 25, "25 C"},
  };
  for (const auto& t : temperatures) {
    SCOPED_TRACE(t.field);
    std::string reply = kStatus;
    reply.replace(33, 4, t.field);
    reply.replace(38, 8, "10001100");  // mains failed, self-test running
    for (LinkKind link : {LinkKind::Serial, LinkKind::Usb}) {
      UpsStatus s;
      ASSERT_TRUE(ParseStatusReply(link, link == LinkKind::Usb ? "x" + reply : reply, s).accepted);
      EXPECT_EQ(s.temperatureText, std::string(t.field) + " ");
      EXPECT_EQ(s.testInProgress, 1);
      ApplyStatusBits(s);
      EXPECT_EQ(s.mainsFailed, 1);
      EXPECT_EQ(TemperatureDegrees(s.temperatureText), t.degrees);
      EXPECT_EQ(TemperatureReadout(s.temperatureText), t.readout);
    }
  }
}

TEST(StatusReply, AnythingButZeroInB6IsBatteryLowButSuchAReplyIsNotAccepted) {
  UpsStatus s;
  s.mainsSeen = 0;
  s.statusBits = "1X010";
  ApplyStatusBits(s);
  EXPECT_EQ(s.batteryLow, 1);
  EXPECT_EQ(s.mainsFailed, 1);
  EXPECT_EQ(s.mainsSeen, 0);
  EXPECT_EQ(s.upsHealthy, 0);
  std::string reply = kStatus;
  reply.replace(38, 5, "1X010");
  EXPECT_FALSE(ParseStatusReply(LinkKind::Serial, reply, s).accepted);
}

TEST(RatingReply, TakesTheRatedBatteryVoltage) {
  UpsStatus s;
  EXPECT_TRUE(ParseRatingReply(LinkKind::Serial, kRating24, s));
  EXPECT_EQ(s.ratedBatteryVoltageText, "24.00");
  EXPECT_TRUE(ParseRatingReply(LinkKind::Usb, "x#220.0 005 12.00 50.0\r", s));
  EXPECT_EQ(s.ratedBatteryVoltageText, "12.00");
  EXPECT_FALSE(ParseRatingReply(LinkKind::Serial, kRating24.substr(1), s));
  EXPECT_FALSE(ParseRatingReply(LinkKind::Serial, std::string(21, '#') + "\r", s));  // right length, not its shape
  EXPECT_EQ(s.ratedBatteryVoltageText, "12.00");
}

TEST(BatteryPercent, ComputedFromVoltageRatingAndMains) {
  UpsStatus s;
  s.ratedBatteryVoltageText = "24.00";
  s.batteryVoltageText = "13.5 ";
  s.statusBits = "00001";
  const auto r = ComputeBatteryPercent(LinkKind::Serial, s);
  EXPECT_FALSE(r.full);
  EXPECT_EQ(r.gaugePosition, 50);
  EXPECT_EQ(r.readout, "50 %");
  EXPECT_EQ(s.batteryPercentText, "50.00");
}

TEST(BatteryPercent, TwoDecimalTextTruncates) {
  UpsStatus s;
  s.ratedBatteryVoltageText = "12.00";
  s.statusBits = "10001";  // on battery: full is 13.0 V per block
  const struct {
    const char* volts;
    const char* text;
    int gauge;
  } cases[] = {{"11.37", "87.46", 87}, {"0.715", "5.50", 5}, {"13.0", "100.00", 100}, {"1.5665", "12.05", 12}};
  for (const auto& c : cases) {
    s.batteryVoltageText = c.volts;
    const auto r = ComputeBatteryPercent(LinkKind::Serial, s);
    EXPECT_FALSE(r.full) << c.volts;  // exactly full goes the computed way
    EXPECT_EQ(s.batteryPercentText, c.text) << c.volts;
    EXPECT_EQ(r.gaugePosition, c.gauge) << c.volts;
  }
}

TEST(BatteryPercent, AboveFullShowsHundredAndKeepsThePreviousPercent) {
  UpsStatus s;
  s.batteryPercent = 42.5f;
  s.batteryPercentText = "42.50";
  s.ratedBatteryVoltageText = "";  // no rating yet: every positive voltage is above "full"
  s.batteryVoltageText = "13.6";
  s.statusBits = "00001";
  const auto serial = ComputeBatteryPercent(LinkKind::Serial, s);
  EXPECT_TRUE(serial.full);
  EXPECT_EQ(serial.readout, "100 %");
  EXPECT_EQ(serial.plotSample, 100);
  EXPECT_EQ(ComputeBatteryPercent(LinkKind::Usb, s).readout, "100%");
  EXPECT_EQ(s.batteryPercentText, "42.50");
  EXPECT_FLOAT_EQ(s.batteryPercent, 42.5f);
}

TEST(BatteryPercent, GarbageGivesZeroNotNonsense) {
  UpsStatus s;
  s.statusBits = "00001";
  s.batteryVoltageText = "-3.0";
  s.ratedBatteryVoltageText = "";
  ComputeBatteryPercent(LinkKind::Serial, s);
  EXPECT_EQ(s.batteryPercentText, "0.00");
}

TEST(Locale, NumbersAreReadWithAPointWhateverTheLocale) {
  if (!std::setlocale(LC_ALL, "fr_FR.UTF-8") && !std::setlocale(LC_ALL, "de_DE.UTF-8")) {
    GTEST_SKIP() << "no comma locale installed";
  }
  UpsStatus s;
  s.ratedBatteryVoltageText = "12.00";
  s.batteryVoltageText = "13.5";
  s.statusBits = "10001";
  EXPECT_TRUE(ComputeBatteryPercent(LinkKind::Serial, s).full);  // 13.5 > 13.0, not 13 < 13.0
  std::setlocale(LC_ALL, "C");
}

TEST(ReplyText, AppendsAreBoundedAndSkipZeroBytes) {
  ReplyText r;
  r.Append("Q\0" "1", 3);
  EXPECT_EQ(r.str(), "Q1");
  const std::string big(300, 'x');
  r.Append(big.data(), big.size());
  EXPECT_EQ(r.size(), ReplyText::kCapacity);
  r.Clear();
  EXPECT_TRUE(r.empty());
}

TEST(ReplyText, ALinkLibrarysReplyEndsAtItsZeroOrAtTheBuffersEnd) {
  char reply[kUsbReplyBufferBytes] = "H(220.0";
  reply[9] = 'x';  // after the 0: not the text
  EXPECT_EQ(UsbReplyInBuffer(reply), "H(220.0");
  // A library that fills all 55 bytes: the text is those 55, never what follows them.
  struct {
    char reply[kUsbReplyBufferBytes];
    char after[8];
  } full;
  std::memset(&full, 'y', sizeof full);
  full.after[7] = '\0';
  EXPECT_EQ(UsbReplyInBuffer(full.reply), std::string(kUsbReplyBufferBytes, 'y'));
}

// The link library's words beyond the replies: a unit refused (CmdInput's
// own lead byte) and a command that may have reached the UPS in part
// (Cmdtest's own result); nothing else reads as either.
TEST(ReplyText, ALinkLibrarysRefusalAndMaybeSentAreItsOwnWordsOnly) {
  EXPECT_EQ(RefusedUsbUnit("\x15" "ATCL FOR UPS ATCL FOR UPS"), "ATCL FOR UPS ATCL FOR UPS");
  EXPECT_EQ(RefusedUsbUnit("\x15" "ATCL\rFOR UPS \n"), "ATCL?FOR UPS ?");
  EXPECT_EQ(RefusedUsbUnit("\x15"), "");
  for (const char* other : {"", "H(220.0", "Xpartial", "U\x15"}) EXPECT_FALSE(RefusedUsbUnit(other)) << other;
  EXPECT_TRUE(UsbCommandMaybeSent(0x4D415953));
  for (const int other : {0, 1, -1, 0x4D415952, 0x4D415954}) EXPECT_FALSE(UsbCommandMaybeSent(other)) << other;
}

TEST(Commands, RepliesOfKnownLength) {
  EXPECT_EQ(ExpectedReplyLength(StatusQueryCommand()), 47u);
  EXPECT_EQ(ExpectedReplyLength(RatingQueryCommand()), 22u);
  EXPECT_EQ(ExpectedReplyLength(CancelTestCommand()), 0u);
}

// ---- A UPS served over the network, read as the other links are ----------------
