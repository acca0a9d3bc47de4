#include "ups/ups_protocol.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/number_text.h"
#include "base/text_ends.h"
#include "quillon/quillon_api.h"

namespace voltaris {
namespace {

constexpr char kCr = '\r';
// The largest restore time four digits can carry; the schedule sends it for
// "no restart this week" and for a restart further away than that.
constexpr int kMaxRestoreMinutes = 9999;

std::string Digits(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", width, value);
  return text;
}

// `width` characters from `pos`, or what there is of them.
std::string Field(const std::string& reply, size_t pos, size_t width) {
  return pos < reply.size() ? reply.substr(pos, width) : std::string();
}

int RestoreMinutes(int minutes) { return std::clamp(minutes, 0, kMaxRestoreMinutes); }

char BitAt(const std::string& bits, int bit) {
  const size_t index = static_cast<size_t>(7 - bit);
  return index < bits.size() ? bits[index] : '\0';
}

}  // namespace

std::string StatusQueryCommand() { return std::string("Q1") + kCr; }
std::string RatingQueryCommand() { return std::string("F") + kCr; }
std::string TenSecondTestCommand() { return std::string("T") + kCr; }
std::string UntilLowTestCommand() { return std::string("TL") + kCr; }
std::string CancelTestCommand() { return std::string("CT") + kCr; }

std::string TimedTestCommand(int minutes) {
  const int n = std::clamp(minutes, 0, 99);
  return std::string("T") + static_cast<char>('0' + n / 10) + static_cast<char>('0' + n % 10) + kCr;
}

// Never "S00": a UPS reads a zero delay as "switch the output off now",
// which would cut the power while Windows is still shutting down. A delay
// under a minute, absent or blank is sent as one minute.
int SwitchOffDelayMinutes(int upsOffDelaySeconds) { return std::clamp(upsOffDelaySeconds / 60, 1, 10); }

std::string SwitchOffCommand(int upsOffDelaySeconds, std::optional<int> restoreMinutes) {
  std::string command = "S" + Digits(SwitchOffDelayMinutes(upsOffDelaySeconds), 2);
  if (restoreMinutes) command += "R" + Digits(RestoreMinutes(*restoreMinutes), 4);
  return command + kCr;
}

std::string UsbSwitchOffText(int upsOffDelaySeconds, std::optional<int> restoreMinutes) {
  const int d = SwitchOffDelayMinutes(upsOffDelaySeconds);
  if (!restoreMinutes) return "RS." + std::to_string(d) + "R" + Digits(kMaxRestoreMinutes, 4) + kCr;
  return "R0" + Digits(d, 2) + Digits(RestoreMinutes(*restoreMinutes), 5);
}

std::string UsbReplyInBuffer(const char (&buffer)[kUsbReplyBufferBytes]) {
  return std::string(buffer, std::find(buffer, buffer + kUsbReplyBufferBytes, '\0'));
}

std::optional<std::string> RefusedUsbUnit(const std::string& reply) {
  if (reply.empty() || static_cast<unsigned char>(reply[0]) != QUILLON_REFUSED_LEAD_BYTE) return std::nullopt;
  return std::string(WithoutEndBlanks(PrintableAscii(reply.substr(1))));
}

bool UsbCommandMaybeSent(int cmdtestResult) { return cmdtestResult == QUILLON_CMDTEST_MAY_HAVE_BEEN_SENT; }

UpsControl TenSecondTestControl() { return {TenSecondTestCommand(), {kUsbTenSecondTest, ""}}; }
UpsControl UntilLowTestControl() { return {UntilLowTestCommand(), {kUsbUntilLowTest, ""}}; }
UpsControl CancelTestControl() { return {CancelTestCommand(), {kUsbCancelTest, ""}}; }

UpsControl TimedTestControl(int minutes) {
  const std::string bytes = TimedTestCommand(minutes);
  return {bytes, {0, bytes}};
}

UpsControl SwitchOffControl(int upsOffDelaySeconds, std::optional<int> serialRestore, std::optional<int> usbRestore) {
  return {SwitchOffCommand(upsOffDelaySeconds, serialRestore), {0, UsbSwitchOffText(upsOffDelaySeconds, usbRestore)}};
}

namespace {

// The reply's lead character, the blanks between its fields, the status bits
// and the closing CR where the UPS puts them. A read of the right length made
// of noise, or of a cut reply joined to the next, is not a reading: its
// "bits" could say the battery is low.
bool HasShape(const std::string& reply, size_t o, char lead, std::initializer_list<size_t> blanks) {
  if (reply[o] != lead || reply.back() != '\r') return false;
  for (size_t at : blanks) {
    if (reply[o + at] != ' ') return false;
  }
  return true;
}

bool HasStatusShape(const std::string& reply, size_t o) {
  if (!HasShape(reply, o, '(', {6, 12, 18, 22, 27, 32, 37})) return false;
  for (size_t at = o + 38; at < o + 46; ++at) {
    if (reply[at] != '0' && reply[at] != '1') return false;
  }
  return true;
}

}  // namespace

bool IsWholeReply(LinkKind link, const std::string& reply) {
  const size_t o = link == LinkKind::Usb ? 1 : 0;
  if (reply.size() == StatusLength(link)) return HasStatusShape(reply, o);
  return reply.size() == RatingLength(link) && HasShape(reply, o, '#', {6, 10, 16});
}

size_t ExpectedReplyLength(const std::string& command) {
  if (command == StatusQueryCommand()) return kSerialStatusLength;
  if (command == RatingQueryCommand()) return kSerialRatingLength;
  return 0;
}

StatusParse ParseStatusReply(LinkKind link, const std::string& reply, UpsStatus& status) {
  const size_t o = link == LinkKind::Usb ? 1 : 0;
  if (reply.size() != StatusLength(link) || !HasStatusShape(reply, o)) return {};
  status.inputVoltageText = Field(reply, 1 + o, 5);
  status.inputFaultVoltageText = Field(reply, 7 + o, 5);
  status.outputVoltageText = Field(reply, 13 + o, 5);
  status.loadText = Field(reply, 19 + o, 5);
  status.frequencyText = Field(reply, 23 + o, 5);
  status.batteryVoltageText = Field(reply, 28 + o, 5);
  status.temperatureText = Field(reply, 33 + o, 5);
  status.statusBits = Field(reply, 38 + o, link == LinkKind::Usb ? 8 : 5);
  status.loadPercent = LeadingInteger(status.loadText);
  status.loadPercentText = std::to_string(status.loadPercent);
  // b2 lies beyond the five bits kept for a serial reply; it is read from the
  // reply itself so that both links report a running self-test.
  status.testInProgress = Field(reply, 43 + o, 1) == "1";
  return {true};
}

std::optional<int> TemperatureDegrees(const std::string& temperatureText) {
  constexpr int kWarmestUntrusted = 5;  // whole degrees; "--.-" reads as 0
  const int degrees = LeadingInteger(temperatureText);
  if (degrees <= kWarmestUntrusted) return std::nullopt;
  return degrees;
}

std::string TemperatureReadout(const std::string& temperatureText) {
  const std::optional<int> degrees = TemperatureDegrees(temperatureText);
  return (degrees ? std::to_string(*degrees) : std::string(kNoTemperatureText)) + " C";
}

bool ParseRatingReply(LinkKind link, const std::string& reply, UpsStatus& status) {
  const size_t o = link == LinkKind::Usb ? 1 : 0;
  if (reply.size() != RatingLength(link) || !HasShape(reply, o, '#', {6, 10, 16})) return false;
  status.ratedBatteryVoltageText = Field(reply, 11 + o, 5);
  return true;
}

void ApplyStatusBits(UpsStatus& status) {
  const std::string& bits = status.statusBits;
  status.mainsFailed = BitAt(bits, 7) == '1';
  if (!status.mainsFailed) status.mainsSeen = 1;
  status.batteryLow = BitAt(bits, 6) != '0';
  status.upsHealthy = BitAt(bits, 4) != '1';
  status.standbyType = BitAt(bits, 3) == '1';
}

BatteryReading ComputeBatteryPercent(LinkKind link, UpsStatus& status) {
  const double blocks = LeadingDouble(status.ratedBatteryVoltageText) / 12.0;
  const bool onMains = BitAt(status.statusBits, 7) == '0';
  const double full = blocks * (onMains ? 13.5 : 13.0);
  const double volts = LeadingDouble(status.batteryVoltageText);
  BatteryReading reading;
  if (full < volts) {
    reading.full = true;
    reading.gaugePosition = 100;
    reading.readout = link == LinkKind::Usb ? "100%" : "100 %";
    reading.plotSample = 100;
    return reading;
  }
  status.batteryPercent = static_cast<float>(volts / full * 100.0);
  // 0 V over a 0 V rating, or a garbled negative field: no charge to show.
  if (!std::isfinite(status.batteryPercent) || status.batteryPercent < 0) status.batteryPercent = 0;
  const int whole = static_cast<int>(status.batteryPercent);
  const long hundredths = static_cast<long>(status.batteryPercent * 100);
  status.batteryPercentText = std::to_string(hundredths / 100) + "." + Digits(static_cast<int>(hundredths % 100), 2);
  reading.gaugePosition = whole;
  reading.readout = std::to_string(whole) + " %";
  reading.plotSample = status.batteryPercent;
  return reading;
}

void ReplyText::Append(const char* bytes, size_t count) {
  for (size_t i = 0; i < count && text_.size() < kCapacity; ++i) {
    if (bytes[i] != '\0') text_ += bytes[i];
  }
}

}  // namespace voltaris
