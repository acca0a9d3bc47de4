// How quillon.dll reaches the UPS. The library speaks the UPS's line
// protocol over whichever transport is in use: a USB unit through one of
// its framings (usb_framing.h), or the simulator's plain TCP line.
#pragma once

#include <string>

namespace quillon {

// The byte CmdInput puts before every reply: which way the reply came. The
// program skips it; it is never 0, which would end the text.
constexpr char kReportLeadByte = 'H';  // serial-over-HID: input reports read until the CR
constexpr char kStringLeadByte = 'S';  // string-index: a string descriptor per command
constexpr char kLineLeadByte = 'U';    // the simulator's plain TCP line

class Transport {
 public:
  virtual ~Transport() = default;
  // Whether the UPS can be reached now; reconnects when it could not before.
  virtual bool EnsureConnected() = 0;
  // Sends a command (with its CR). False when it was not sent, also when
  // the transport cannot carry that command.
  virtual bool Send(const std::string& command) = 0;
  // The reply to the command just sent (with its CR), or "" when none came
  // within the transport's own time-outs.
  virtual std::string ReceiveLine() = 0;
  // Forgets the connection; the next EnsureConnected starts afresh.
  virtual void Drop() = 0;
  virtual char LeadByte() const = 0;
};

}  // namespace quillon
