// The two ways small USB UPSes carry the line protocol, each a Transport
// over a HidDevice. Portable: tested natively against fake units.
//
// - Serial-over-HID ("report"): the command goes out in output reports of
//   the unit's size (8 bytes), zero-padded; the reply comes back in input
//   reports (8 bytes, or all of it in one 64-byte report) up to its CR,
//   whatever follows the CR being padding.
// - String-index ("string"): each command is the index of a USB string
//   descriptor; reading that string makes the unit act, and the string is
//   the reply (UTF-16, no CR; the status reply's first byte is not "(").
//   Units of this family come in kinds (StringKind) with their own indexes.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "quillon/hid_device.h"
#include "quillon/transport.h"

namespace quillon {

enum class Framing { Report, String };

// The kinds of string-index unit, as the field's reference driver tells
// them apart (usb_units.h chooses one by the unit's strings):
// - krauler: the default; retried while the unit says "UPS No Ack";
// - fabula: C at 0x0a, its replies as they come, one request a command,
//   "UPS No Ack" being how it takes a command (and no reply to a query);
// - hunnox: fabula's indexes, asked in its own fixed order, 102 bytes at most;
// - snr: the queries only, each after a report read and dropped.
enum class StringKind { Krauler, Fabula, Hunnox, Snr };

// How long a unit may be quiet before the next report of a reply.
constexpr unsigned kReportTimeoutMs = 1000;
// The longest a reply may trickle in, or string requests be started, however
// the unit trickles or fails: the other thread waits on the library
// meanwhile. Sending the command (a report's or a request's own time-out)
// can add a second to it.
constexpr unsigned kExchangeDeadlineMs = 2000;
// String requests: US English, as these units expect, and asked again
// this often (krauler and snr units) when the unit refuses or answers
// something else.
constexpr uint16_t kStringLanguage = 0x0409;
constexpr int kStringAttempts = 10;
// How often a report that continues a command is tried: the unit already
// holds the start of the line, so it is not given up at the first refusal.
constexpr int kContinuationAttempts = 3;

using MillisClock = std::function<uint64_t()>;
uint64_t SteadyMillis();

// Whether `line` can be the reply to `command`: the status and rating
// replies have their fixed length, first byte and CR; any line fits a
// command that has no reply. What does not fit answers another command.
bool ReplyFits(const std::string& command, const std::string& line);

// UTF-16 to the protocol's text: up to the first 0, anything beyond ASCII as "?".
std::string TextFromUtf16(const std::u16string& text);

// What both framings keep: the unit they speak to, and their clock.
class UsbFraming : public Transport {
 public:
  UsbFraming(std::unique_ptr<HidDevice> device, MillisClock clock)
      : device_(std::move(device)), clock_(std::move(clock)) {}

  bool EnsureConnected() override { return device_->Alive(); }
  void Drop() override {}

 protected:
  std::unique_ptr<HidDevice> device_;
  MillisClock clock_;
};

// A command longer than one report that the unit took only the start of
// (a switch-off "S01R0075" without its CR) is finished before anything else
// goes out: whatever came next would complete that line, and the unit would
// act on it. The call that finishes it does nothing more (the command it
// was asked for is not sent), so that it stays within its bounds; until
// then every command is refused. The unit gone takes it along.
class ReportFraming : public UsbFraming {
 public:
  using UsbFraming::UsbFraming;

  bool Send(const std::string& command) override;
  std::string ReceiveLine() override;
  char LeadByte() const override { return kReportLeadByte; }
  bool MaybeSent() const override { return maybeSent_; }

 private:
  bool DropPendingReports();
  bool WriteRest(uint64_t deadline);
  bool WriteContinuation(const std::string& report, uint64_t deadline);

  std::string command_;
  // The reports of a command begun that the unit has not taken yet.
  std::deque<std::string> unsentReports_;
  bool maybeSent_ = false;  // the last command went out in part, or too late to know
};

class StringFraming : public UsbFraming {
 public:
  StringFraming(std::unique_ptr<HidDevice> device, MillisClock clock, StringKind kind)
      : UsbFraming(std::move(device), std::move(clock)), kind_(kind) {}

  // Reads the command's string: that is the sending, and the reply with it.
  // A command the kind has no index for (timed tests, switch-off forms) is
  // refused.
  bool Send(const std::string& command) override;
  std::string ReceiveLine() override;
  char LeadByte() const override { return kStringLeadByte; }

 private:
  bool KeepHunnoxOrder(uint8_t index, size_t mostUnits);

  StringKind kind_;
  bool hunnoxOpened_ = false;
  size_t hunnoxCycleAt_ = 0;
  std::string reply_;
};

std::unique_ptr<Transport> MakeFraming(Framing framing, std::unique_ptr<HidDevice> device,
                                       MillisClock clock = SteadyMillis, StringKind kind = StringKind::Krauler);

}  // namespace quillon
