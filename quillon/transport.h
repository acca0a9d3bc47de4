// How quillon.dll reaches the UPS. The library speaks the UPS's line
// protocol over whichever transport is configured; a USB HID transport for
// real hardware slots in beside the TCP one.
#pragma once

#include <optional>
#include <string>

namespace quillon {

class Transport {
 public:
  virtual ~Transport() = default;
  // Whether the UPS can be reached now; reconnects when it could not before.
  virtual bool EnsureConnected() = 0;
  // Sends a command (with its CR).
  virtual bool Send(const std::string& command) = 0;
  // The next reply line (with its CR), or what came before `timeoutMs` ran out.
  virtual std::string ReceiveLine(unsigned timeoutMs) = 0;
  // Forgets the connection; the next EnsureConnected starts afresh.
  virtual void Drop() = 0;
};

}  // namespace quillon
