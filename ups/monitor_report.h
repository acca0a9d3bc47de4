// What the monitor thread reports to the user-interface thread.
#pragma once

#include <string>

namespace voltaris {

// One pass of the monitor over the USB link.
struct UsbPass {
  bool present = false;     // HidHandle found the device
  std::string ratingReply;  // CmdInput after the rating query
  std::string statusReply;  // CmdInput after the status query
  std::string refusedUnit{};  // not present: the strings of a unit there that the library refuses
};

struct MonitorReport {
  enum class Kind { SerialOpen, SerialRead, UsbPass, ControlWritten } kind = Kind::SerialRead;
  bool ok = false;      // SerialOpen: opened; SerialRead: the write and read worked; ControlWritten: written
  std::string bytes;    // SerialRead: the reply; ControlWritten: the command
  UsbPass usb;          // UsbPass
  unsigned controlId = 0;
  bool expired = false;  // ControlWritten: given up, its time was up before it could be written
  // ControlWritten: the library says the command may have gone out in part
  // only (so `ok` says nothing of the UPS having it whole).
  bool uncertain = false;
};

}  // namespace voltaris
