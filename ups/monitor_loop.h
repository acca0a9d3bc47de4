// The monitor thread's loop, apart from the platform: it serves the serial
// line or the USB link as the mailbox asks and reports what it finds. The
// Win32 side gives it the serial port, the link library and a way to post
// reports to the main window; the tests give it fakes.
#pragma once

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "ups/monitor_mailbox.h"
#include "ups/monitor_report.h"

namespace voltaris {

class SerialLinePort {
 public:
  virtual ~SerialLinePort() = default;
  virtual bool IsOpen() const = 0;
  virtual bool Open(const SerialLine& line) = 0;
  virtual void Close() = 0;
  // The number of bytes put on the line: fewer than given when the write
  // failed, or timed out part-way.
  virtual size_t Write(const std::string& bytes) = 0;
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
  // Cmdtest: true when the library says the command may have reached the
  // UPS in part only.
  virtual bool Test(const std::string& text) = 0;
};

class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual void Post(MonitorReport report) = 0;
};

struct MonitorPauses {
  std::chrono::milliseconds idle{1000};        // nothing asked: look again after this
  // While a network UPS is followed nothing comes here but a change of link
  // or a stop, which wake the loop anyway; each idle wake costs under Wine.
  std::chrono::milliseconds followingIdle{10000};
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

  // Runs until the mailbox asks it to stop, or until retired; the port is
  // closed on the way out.
  void Run();
  // For a loop left behind in a call that did not return in time: once the
  // call returns, it takes nothing more from the mailbox (a newer loop may be
  // serving it) and ends.
  void Retire() { retired_ = true; }

 private:
  bool Stopping() { return retired_ || mailbox_.StopRequested(); }
  // Sleeps, waking early only to stop. True when the loop is to stop.
  bool Pause(std::chrono::milliseconds duration) { return mailbox_.SleepUnlessStopped(duration) || retired_; }
  // A loop left behind tells nothing more: its news (a port it could not
  // open, a device gone) would reach the monitor started after it as if it
  // were that one's.
  void Report(MonitorReport report) {
    if (!retired_) reports_.Post(std::move(report));
  }
  void SerialPass(const MonitorRequests& requests);
  std::chrono::milliseconds IdleFor(LinkKind link) const;
  bool OpenPort(const SerialLine& line);
  void SendCommands();
  bool Send(const UpsCommand& command);
  bool SendControl(const UpsCommand& command);
  void ReportExpiredControls();
  void UsbPassOnce();
  void SendUsbControls();

  MonitorMailbox& mailbox_;
  SerialLinePort& serial_;
  UsbLinkPort& usb_;
  ReportSink& reports_;
  MonitorPauses pauses_;
  std::atomic<bool> retired_{false};
};

// Runs a monitor loop on a thread of its own. A stop waits for the loop only
// so long: a call into the line or the link library that never returns must
// not hold up the way out. Such a loop is left to itself, and keeps alive
// whatever it works on through the pointer it was started with.
class MonitorRunner {
 public:
  explicit MonitorRunner(MonitorMailbox& mailbox) : mailbox_(mailbox) {}
  ~MonitorRunner() { Stop(std::chrono::milliseconds(0)); }
  MonitorRunner(const MonitorRunner&) = delete;
  MonitorRunner& operator=(const MonitorRunner&) = delete;

  void Start(std::shared_ptr<MonitorLoop> loop);
  // Asks the loop to stop and waits at most `limit`. False when it is still
  // inside a call: it is then left running, retired.
  bool Stop(std::chrono::milliseconds limit);
  // Whether a loop was ever left running: what it may still be calling (the
  // link library) must stay where it is.
  bool LeftOneRunning() const { return leftOneRunning_; }

 private:
  MonitorMailbox& mailbox_;
  std::shared_ptr<MonitorLoop> loop_;
  std::thread thread_;
  std::future<void> ended_;
  bool leftOneRunning_ = false;
};

}  // namespace voltaris
