// The simulator playing a USB unit over its TCP link, in the frames of
// quillon/usb_tunnel.h: output reports or string requests from the host
// become the model's commands, its replies go back as input reports or
// string descriptors, with the quirks real units of each family show.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace upssim {

enum class UsbFamily { None, Report, String };
std::optional<UsbFamily> ParseUsbFamily(const std::string& text);

// The kinds of string-index unit behind the id 0001:0000, each with its own
// strings and quirks:
// - krauler: the family's default; a status reply starting with "#";
// - fabula: manufacturer "MEC", product "MEC0003"; C at 0x0a and no tests,
//   its replies as they are ("(" first), "UPS No Ack" for a command taken;
// - hunnox: fabula's indexes and replies under another manufacturer's name;
//   not opened with 0x00, 0x00, 0x01, it answers its first status for good;
// - fuji: both strings "ATCL FOR UPS"; it answers no string request.
enum class UsbKind { Krauler, Fabula, Hunnox, Fuji };
std::optional<UsbKind> ParseUsbKind(const std::string& text);

class UsbPlay {
 public:
  UsbPlay(UsbFamily family, size_t reportSize, UsbKind kind = UsbKind::Krauler)
      : family_(family), kind_(kind), reportBuffer_(reportSize, '\0') {}

  struct Heard {
    std::string command;  // without its CR; "" for a string the unit has no command at
    bool stringRequest = false;
    bool identityRequest = false;  // the host asks the unit's ids and strings
    uint8_t index = 0;             // a string request's index
  };
  // What the host's bytes ask for, in order; incomplete frames wait.
  std::vector<Heard> Feed(const std::string& bytes);

  // A reply as input report frames. Each report is the unit's one buffer,
  // filled from the start: after the CR it still holds what an earlier
  // reply left there.
  std::string Reports(const std::string& reply);
  // A string request's answer as the descriptor frame: for a command, its
  // reply without the CR, in the kind's form (empty for a command without
  // a reply); else the unit's own strings at 0x00 to 0x02. Without a reply
  // (nothing) or for an index the unit has nothing at, a refusal.
  std::string StringReply(const Heard& heard, const std::optional<std::string>& reply);
  // A string request refused: what a unit gone away gives too.
  static std::string StringRefusal();
  // The ids and strings the unit gives, as the identity frame.
  std::string IdentityReply() const;

 private:
  void TakeOutputReport(const std::string& report, std::vector<Heard>& heard);
  std::string CommandAtIndex(uint8_t index) const;
  std::string OwnString(uint8_t index) const;

  UsbFamily family_;
  UsbKind kind_;
  std::string reportBuffer_;
  std::string received_;
  std::string command_;
  std::vector<uint8_t> firstIndexes_;       // a hunnox unit's first requests, up to its opening's length
  std::optional<std::string> frozenStatus_;  // a hunnox unit not opened: the status it keeps giving
};

}  // namespace upssim
