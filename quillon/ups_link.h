// What quillon.dll does behind its four entry points, independent of the
// transport: command codes and texts turned into the UPS's line protocol,
// one exchange at a time, each thread getting the reply to its own query.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "quillon/transport.h"

namespace quillon {

// The UPS command for a CmdOutput code; nothing for an unknown code.
std::optional<std::string> CommandForCode(int code);

// The UPS command for a Cmdtest text: the timed self-test passes through;
// the switch-off texts "RS.<d>R9999" CR and "R0<dd><rrrrr>" become
// "S<dd>R<rrrr>" CR. Nothing for a text it does not know: an unknown
// command is never sent to the UPS. Nor is a switch-off whose delay is 0
// (the load off at once) or over 10 minutes, or whose restore time does
// not fit four digits, whoever asks: this is the last gate before the wire.
std::optional<std::string> CommandForText(const std::string& text);

// What became of a command.
enum class CommandFate {
  Sent,
  NotSent,    // refused here or by the unit, or no unit
  MaybeSent,  // in part, or too late to know: the unit may act on it
};

class UpsLink {
 public:
  explicit UpsLink(std::unique_ptr<Transport> transport) : transport_(std::move(transport)) {}

  // HidHandle. Without a unit, this thread's Input is the refused unit's
  // strings after kRefusedLeadByte, or "".
  bool Present();
  void Output(int code);                      // CmdOutput
  std::string Input() const;                  // CmdInput: the transport's lead byte + the reply, or ""
  CommandFate Test(const std::string& text);  // Cmdtest

 private:
  CommandFate Exchange(const std::string& command, bool wantsReply);

  std::mutex mutex_;
  std::unique_ptr<Transport> transport_;
};

}  // namespace quillon
