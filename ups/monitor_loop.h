// The monitor thread's loop, apart from the platform: it serves the serial
// line or the USB link as the mailbox asks and reports what it finds. The
// Win32 side gives it the serial port, the link library and a way to post
// reports to the main window; the tests give it fakes.
#pragma once

#include <chrono>
#include <string>

#include "ups/monitor_mailbox.h"
#include "ups/monitor_report.h"

namespace voltaris {

class SerialLinePort {
 public:
  virtual ~SerialLinePort() = default;
  virtual bool IsOpen() const = 0;
  virtual bool Open(const SerialLine& line) = 0;
  virtual void Close() = 0;
  virtual bool Write(const std::string& bytes) = 0;
  // One reply, up to its carriage return or the read's bound; false when the
  // platform read failed. `expected`: the reply's usual length, 0 if unknown.
  virtual bool Read(std::string& reply, size_t expected) = 0;
};

class UsbLinkPort {
 public:
  virtual ~UsbLinkPort() = default;
  virtual bool Present() = 0;
  virtual void Output(int code) = 0;          // CmdOutput
  virtual std::string Input() = 0;           // CmdInput
  virtual void Test(const std::string& text) = 0;  // Cmdtest
};

class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual void Post(MonitorReport report) = 0;
};

struct MonitorPauses {
  std::chrono::milliseconds idle{1000};        // nothing asked: look again after this
  std::chrono::milliseconds afterOpen{500};    // let the UPS settle after the line comes up
  std::chrono::milliseconds afterFailedOpen{1000};
  std::chrono::milliseconds afterUsbLost{1000};
  std::chrono::milliseconds usbRatingWait{200};
  std::chrono::milliseconds usbStatusGap{200};
  std::chrono::milliseconds usbStatusWait{300};
};

class MonitorLoop {
 public:
  MonitorLoop(MonitorMailbox& mailbox, SerialLinePort& serial, UsbLinkPort& usb, ReportSink& reports,
              MonitorPauses pauses = {})
      : mailbox_(mailbox), serial_(serial), usb_(usb), reports_(reports), pauses_(pauses) {}

  // Runs until the mailbox asks it to stop; the port is closed on the way out.
  void Run();

 private:
  void SerialPass(const MonitorRequests& requests);
  bool OpenPort(const SerialLine& line);
  void SendCommands();
  bool Send(const UpsCommand& command);
  void ReportExpiredControls();
  void UsbPassOnce();
  void SendUsbControls();

  MonitorMailbox& mailbox_;
  SerialLinePort& serial_;
  UsbLinkPort& usb_;
  ReportSink& reports_;
  MonitorPauses pauses_;
};

}  // namespace voltaris
