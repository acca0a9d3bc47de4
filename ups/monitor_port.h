// What the user-interface thread asks of the monitor thread. The Win32
// layer implements it with the monitor's mailbox; the tests with a fake.
#pragma once

#include <string>

#include "ups/ups_protocol.h"

namespace voltaris {

// Requests to the monitor thread, which owns the serial port and polls the
// link library.
class MonitorPort {
 public:
  virtual ~MonitorPort() = default;
  virtual void SetLinkKind(LinkKind kind) = 0;
  virtual void ClosePort() = 0;
  // Asks the monitor to open the port (when closed) at its next pass.
  virtual void EnableSerialRead() = 0;
  // A query ("Q1", "F"), answered by one read; one of each waits at most.
  virtual void SendQuery(const std::string& bytes) = 0;
  // A control command, over whichever link is in use: never dropped, sent
  // before waiting queries. Returns the number its "written" report comes
  // back with.
  virtual unsigned SendControl(const UpsControl& control) = 0;
  // Takes back a control command: true when it is certain never to reach
  // the line; false when its write has already begun (it may have gone
  // out), or when it was written or given up before.
  virtual bool WithdrawControl(unsigned id) = 0;
};

}  // namespace voltaris
