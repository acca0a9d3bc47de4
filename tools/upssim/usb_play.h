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

class UsbPlay {
 public:
  UsbPlay(UsbFamily family, size_t reportSize) : family_(family), reportBuffer_(reportSize, '\0') {}

  struct Heard {
    std::string command;     // without its CR; "" for a string the unit has none for
    bool stringRequest = false;
  };
  // What the host's bytes ask for, in order; incomplete frames wait.
  std::vector<Heard> Feed(const std::string& bytes);

  // A reply as input report frames. Each report is the unit's one buffer,
  // filled from the start: after the CR it still holds what an earlier
  // reply left there.
  std::string Reports(const std::string& reply);
  // A command's string as the descriptor frame: the reply without its CR,
  // and a status reply's first byte not "(", as such units send it; empty
  // for a command without a reply. Nothing: the request is refused.
  std::string StringReply(const std::string& command, const std::optional<std::string>& reply) const;

 private:
  void TakeOutputReport(const std::string& report, std::vector<Heard>& heard);

  UsbFamily family_;
  std::string reportBuffer_;
  std::string received_;
  std::string command_;
};

}  // namespace upssim
