// The UPS's line protocol: the commands as bytes, the two replies and the
// status record they fill. Serial replies and USB replies (one extra leading
// byte, so every field one position further right) go through the same code.
#pragma once

#include <optional>
#include <string>

namespace voltaris {

// Network: a UPS another computer serves, followed over the network.
enum class LinkKind { Serial, Usb, Network };

// ---- Commands -------------------------------------------------------------

std::string StatusQueryCommand();          // "Q1" CR
std::string RatingQueryCommand();          // "F" CR
std::string TenSecondTestCommand();        // "T" CR
std::string UntilLowTestCommand();         // "TL" CR
std::string CancelTestCommand();           // "CT" CR
// "T" and the two digits of `minutes` (0..99), CR.
std::string TimedTestCommand(int minutes);

// Delay of the switch-off command in whole minutes: the stored seconds
// divided by 60, held to the 0..10 the protocol can carry.
int SwitchOffDelayMinutes(int upsOffDelaySeconds);

// Serial switch-off: "S", two digits of the delay ("0" d, or "10"), then
// "R" and four digits of the restore minutes when a restart is scheduled, CR.
std::string SwitchOffCommand(int upsOffDelaySeconds, std::optional<int> restoreMinutes);

// The same request in the link library's own texts: with no restart
// "RS." d "R9999" CR; with a restart "R0", two digits of d, five digits of
// the restore minutes, no CR.
std::string UsbSwitchOffText(int upsOffDelaySeconds, std::optional<int> restoreMinutes);

// Codes of the link library's CmdOutput.
constexpr int kUsbStatusQuery = 1;
constexpr int kUsbRatingQuery = 3;
constexpr int kUsbTenSecondTest = 4;
constexpr int kUsbUntilLowTest = 5;
constexpr int kUsbCancelTest = 7;

// The link library's CmdInput buffer. A library may fill all of it with no
// 0 after the text, so the text ends at the first 0 or at the buffer's end.
constexpr size_t kUsbReplyBufferBytes = 55;
std::string UsbReplyInBuffer(const char (&buffer)[kUsbReplyBufferBytes]);
// What CmdInput gave after HidHandle said 0: the strings of a unit the
// library refuses ("manufacturer product", made printable), or nothing when
// it is no such word (a library that has none gives none).
std::optional<std::string> RefusedUsbUnit(const std::string& reply);
// What Cmdtest's result says: the command may have reached the UPS in part.
bool UsbCommandMaybeSent(int cmdtestResult);

// A command as the link library takes it: a CmdOutput code or, when the
// code is 0, a Cmdtest text.
struct UsbCommand {
  int code = 0;
  std::string text;
};
inline bool operator==(const UsbCommand& a, const UsbCommand& b) { return a.code == b.code && a.text == b.text; }

// A command that changes what the UPS does, in the form of each link.
struct UpsControl {
  std::string serial;
  UsbCommand usb;
};
inline bool operator==(const UpsControl& a, const UpsControl& b) { return a.serial == b.serial && a.usb == b.usb; }

UpsControl TenSecondTestControl();
UpsControl UntilLowTestControl();
UpsControl CancelTestControl();
UpsControl TimedTestControl(int minutes);  // the same four bytes on both links
// `serialRestore`: the serial form's restore part (none for the Friday form);
// `usbRestore`: the library text's.
UpsControl SwitchOffControl(int upsOffDelaySeconds, std::optional<int> serialRestore,
                            std::optional<int> usbRestore);

// ---- Replies --------------------------------------------------------------

constexpr size_t kSerialStatusLength = 47;
constexpr size_t kSerialRatingLength = 22;

inline size_t StatusLength(LinkKind link) { return kSerialStatusLength + (link == LinkKind::Usb); }
inline size_t RatingLength(LinkKind link) { return kSerialRatingLength + (link == LinkKind::Usb); }

// A status or rating reply in the UPS's own shape (not noise, not cut short).
bool IsWholeReply(LinkKind link, const std::string& reply);

// The length of the serial reply a command gets, 0 when it gets none or it varies.
size_t ExpectedReplyLength(const std::string& command);

// The latest values of the UPS, as the texts it sent plus what is derived.
struct UpsStatus {
  std::string inputVoltageText, inputFaultVoltageText, outputVoltageText, loadText, frequencyText,
      batteryVoltageText, temperatureText;
  std::string statusBits;  // b7 first; 5 bits (b7..b3) over serial, 8 over USB
  std::string ratedBatteryVoltageText;
  int loadPercent = 0;
  std::string loadPercentText;
  float batteryPercent = 0;
  std::string batteryPercentText;
  int mainsFailed = 0, mainsSeen = 0, batteryLow = 0, upsHealthy = 0, standbyType = 0;
  int testInProgress = 0;  // b2 of the last accepted status reply, on either link
  // A UPS followed over the network says its charge and runtime itself:
  // the battery is not reckoned from its voltage.
  bool chargeServed = false;
  std::optional<int> servedRuntimeSeconds;
};

struct StatusParse {
  bool accepted = false;  // the reply had the status length and shape: its texts were copied
};

// A status reply is accepted on its length and shape (47 serial, 48 USB);
// its fields are then copied, whatever its temperature reads.
StatusParse ParseStatusReply(LinkKind link, const std::string& reply, UpsStatus& status);

// The temperature in whole degrees, or none. A UPS without a sensor sends
// "00.0" or "--.-", which cannot be told from a very cold one: a reading of
// 5 degrees or less, or no number at all, is shown as no reading. It is the
// temperature alone that is unknown; the other readings and the bits stand.
std::optional<int> TemperatureDegrees(const std::string& temperatureText);
// What stands in for the number of degrees while there is none.
constexpr char kNoTemperatureText[] = "--";
// The temperature as the gauge and the history rows show it: "25 C", or
// "-- C" with no reading (not "0 C", which would be a reading).
std::string TemperatureReadout(const std::string& temperatureText);

// A rating reply (22 serial, 23 USB) sets the rated battery voltage text.
bool ParseRatingReply(LinkKind link, const std::string& reply, UpsStatus& status);

// Sets the flags from the status bits: mainsFailed/mainsSeen (b7),
// batteryLow (b6, anything but "0"), upsHealthy (b4), standbyType (b3).
void ApplyStatusBits(UpsStatus& status);

// What the battery gauge shows after a reply.
struct BatteryReading {
  bool full = false;    // the voltage is above what a full battery gives
  int gaugePosition = 0;
  std::string readout;  // "87 %" (USB when full: "100%")
  double plotSample = 0;
  bool known = true;    // false: a server that does not give the charge
};

// Computes the battery level from the battery voltage, the rated voltage and
// b7. Above the full voltage the battery counts as full and batteryPercent
// keeps its previous value.
BatteryReading ComputeBatteryPercent(LinkKind link, UpsStatus& status);

// ---- The reply being collected -------------------------------------------

// Received bytes, at most 200; more are dropped, 0 bytes are skipped.
class ReplyText {
 public:
  static constexpr size_t kCapacity = 200;
  void Append(const char* bytes, size_t count);
  void Clear() { text_.clear(); }
  size_t size() const { return text_.size(); }
  bool empty() const { return text_.empty(); }
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

}  // namespace voltaris
