// The monitor thread: runs the monitor loop over the serial port and the link
// library, and posts what it finds to the main window, which applies it in
// order. It never shows a window and never waits for the user-interface thread.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>

#include "ups/comm_port_win.h"
#include "ups/link_library_win.h"
#include "ups/monitor_loop.h"

namespace voltaris {

// The serial port as the loop sees it.
class CommLinePort : public SerialLinePort {
 public:
  bool IsOpen() const override { return port_.IsOpen() != 0; }
  bool Open(const SerialLine& line) override;
  void Close() override { port_.Close(); }
  size_t Write(const std::string& bytes) override;
  bool Read(std::string& reply, size_t expected) override;

 private:
  CommPort port_;
};

// The link library as the loop sees it; a missing entry point reads as no device.
class LibraryUsbPort : public UsbLinkPort {
 public:
  explicit LibraryUsbPort(const LinkLibrary& library) : library_(library) {}
  bool Present() override { return library_.HidHandle() != 0; }
  void Output(int code) override { library_.CmdOutput(code); }
  std::string Input() override;
  bool Test(const std::string& text) override { return UsbCommandMaybeSent(library_.Cmdtest(text.c_str())); }

 private:
  const LinkLibrary& library_;
};

// Reports go to a window as a message whose lParam is a MonitorReport*,
// owned by the receiver.
class WindowReportSink : public ReportSink {
 public:
  HWND window = nullptr;
  UINT message = 0;
  void Post(MonitorReport report) override;
};

class MonitorThread {
 public:
  // How long a stop waits for the thread before leaving it behind: a driver
  // or library call that never returns must not keep Windows from shutting
  // down while the battery drains.
  static constexpr std::chrono::milliseconds kStopLimit{1500};

  MonitorThread(MonitorMailbox& mailbox, const LinkLibrary& library) : mailbox_(mailbox), library_(library), runner_(mailbox) {}
  ~MonitorThread() { Stop(); }

  // Reports are posted to `reportTo` as `message`. Each start gets a port and
  // a loop of its own, so that a thread left behind keeps its own.
  void Start(HWND reportTo, UINT message);
  // Asks the thread to stop and waits for it, at most `limit`; it closes the
  // port on its way out. False when it was left behind inside a call.
  bool Stop(std::chrono::milliseconds limit = kStopLimit) { return runner_.Stop(limit); }
  // Whether a thread was ever left behind: the link library must then stay
  // loaded, as a call may still be inside it.
  bool LeftOneRunning() const { return runner_.LeftOneRunning(); }

 private:
  MonitorMailbox& mailbox_;
  const LinkLibrary& library_;
  MonitorRunner runner_;
};

}  // namespace voltaris
