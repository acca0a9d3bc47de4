// How quillon.dll reaches the UPS. The library speaks the UPS's line
// protocol over whichever transport is in use: a USB unit through one of
// its framings (usb_framing.h), or the simulator's plain TCP line.
#pragma once

#include <string>

#include "quillon/quillon_api.h"

namespace quillon {

// The byte CmdInput puts before every reply: which way the reply came. The
// program skips it; it is never 0, which would end the text.
constexpr char kReportLeadByte = 'H';  // serial-over-HID: input reports read until the CR
constexpr char kStringLeadByte = 'S';  // string-index: a string descriptor per command
constexpr char kLineLeadByte = 'U';    // the simulator's plain TCP line
// Not a reply: after no unit was found, the strings of a unit refused.
constexpr char kRefusedLeadByte = QUILLON_REFUSED_LEAD_BYTE;

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
  // Whether the command of the last Send, which said false, may still have
  // reached the unit in part or in whole: a unit that took the start of a
  // line, or a report that went out too late to know.
  virtual bool MaybeSent() const { return false; }
  // After EnsureConnected found no unit: the manufacturer and product
  // strings of one there that the library refuses; "" when there is none.
  virtual std::string RefusedUnit() const { return ""; }
};

}  // namespace quillon
