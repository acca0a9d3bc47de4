// The monitor thread: owns the serial port and polls the link library, and
// posts what it finds to the main window, which applies it in order. It
// never shows a window and never waits for the user-interface thread.
#pragma once

#include <windows.h>

#include <string>
#include <thread>

#include "events/power_engine.h"
#include "ups/comm_port_win.h"
#include "ups/link_library_win.h"
#include "ups/monitor_mailbox.h"

namespace voltaris {

struct MonitorReport {
  enum class Kind { SerialOpen, SerialRead, UsbPass } kind;
  bool ok = false;     // SerialOpen: opened; SerialRead: the read worked
  std::string bytes;   // SerialRead
  UsbPass usb;         // UsbPass
};

class MonitorThread {
 public:
  MonitorThread(MonitorMailbox& mailbox, const LinkLibrary& library) : mailbox_(mailbox), library_(library) {}
  ~MonitorThread() { Stop(); }

  void Start(HWND reportTo);
  // Asks the thread to stop and waits for it; it closes the port on its way out.
  void Stop();

 private:
  void Run();
  void SerialPass(const MonitorRequests& requests);
  void UsbPassOnce();
  void Post(MonitorReport report);
  bool OpenPort(const SerialLine& line);

  MonitorMailbox& mailbox_;
  const LinkLibrary& library_;
  CommPort port_;
  HWND reportTo_ = nullptr;
  std::thread thread_;
};

}  // namespace voltaris
