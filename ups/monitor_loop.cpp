#include "ups/monitor_loop.h"

#include "ups/ups_protocol.h"

namespace voltaris {

using std::chrono::milliseconds;

void MonitorLoop::Run() {
  LinkKind link = LinkKind::Serial;
  for (;;) {
    // Over USB the pass paces itself; over serial, wait for the next request.
    const MonitorRequests requests = mailbox_.Take(link == LinkKind::Usb ? milliseconds(0) : pauses_.idle);
    if (requests.stop) break;
    ReportExpiredControls();
    link = requests.link;
    if (requests.closePort) serial_.Close();
    if (link == LinkKind::Serial) {
      SerialPass(requests);
    } else {
      serial_.Close();
      UsbPassOnce();
    }
  }
  serial_.Close();
}

bool MonitorLoop::OpenPort(const SerialLine& line) {
  if (line.portName.empty()) return false;
  // A failed open is tried once more at once, as the user would.
  return serial_.Open(line) || serial_.Open(line);
}

void MonitorLoop::SerialPass(const MonitorRequests& requests) {
  if (!serial_.IsOpen() && requests.openPort) {
    const bool opened = OpenPort(requests.line);
    if (opened && mailbox_.SleepUnlessStopped(pauses_.afterOpen)) return;
    reports_.Post({MonitorReport::Kind::SerialOpen, opened, "", {}, 0, false});
    if (!opened) {
      mailbox_.SleepUnlessStopped(pauses_.afterFailedOpen);
      return;
    }
  }
  SendCommands();
}

// One command at a time, looking for a stop request between them, so that
// leaving takes at most one read even on a silent line.
void MonitorLoop::SendCommands() {
  while (!mailbox_.StopRequested()) {
    const auto command = mailbox_.NextCommand();
    if (!command) return;
    if (!Send(*command)) return;
  }
}

// False when the line cannot take commands now.
bool MonitorLoop::Send(const UpsCommand& command) {
  const bool control = command.kind == UpsCommand::Kind::Control;
  if (!serial_.IsOpen()) {
    // A control command waits for the line; a query is asked again anyway.
    if (control) mailbox_.PutBack(command);
    return !control;
  }
  const bool written = serial_.Write(command.bytes);
  if (control) {
    reports_.Post({MonitorReport::Kind::ControlWritten, written, command.bytes, {}, command.id, false});
    if (written) return true;
    // A line that takes no writes is a lost line, as one that does not answer.
    mailbox_.PutBack(command);
    reports_.Post({MonitorReport::Kind::SerialRead, false, "", {}, 0, false});
    return false;
  }
  std::string reply;
  const bool ok = written && serial_.Read(reply, ExpectedReplyLength(command.bytes));
  reports_.Post({MonitorReport::Kind::SerialRead, ok, ok ? reply : "", {}, 0, false});
  return written;
}

void MonitorLoop::ReportExpiredControls() {
  for (const UpsCommand& command : mailbox_.TakeExpiredControls(std::chrono::steady_clock::now())) {
    reports_.Post({MonitorReport::Kind::ControlWritten, false, command.bytes, {}, command.id, true});
  }
}

void MonitorLoop::UsbPassOnce() {
  MonitorReport report{MonitorReport::Kind::UsbPass, true, "", {}, 0, false};
  report.usb.present = usb_.Present();
  if (!report.usb.present) {
    reports_.Post(std::move(report));
    mailbox_.SleepUnlessStopped(pauses_.afterUsbLost);
    return;
  }
  usb_.Output(kUsbRatingQuery);
  if (mailbox_.SleepUnlessStopped(pauses_.usbRatingWait)) return;
  report.usb.ratingReply = usb_.Input();
  SendUsbControls();
  if (mailbox_.SleepUnlessStopped(pauses_.usbStatusGap)) return;
  usb_.Output(kUsbStatusQuery);
  if (mailbox_.SleepUnlessStopped(pauses_.usbStatusWait)) return;
  report.usb.statusReply = usb_.Input();
  reports_.Post(std::move(report));
}

// The library gives no result: a call that returned counts as written.
void MonitorLoop::SendUsbControls() {
  while (auto command = mailbox_.NextControl()) {
    if (command->usb.code != 0) {
      usb_.Output(command->usb.code);
    } else {
      usb_.Test(command->usb.text);
    }
    reports_.Post({MonitorReport::Kind::ControlWritten, true, command->bytes, {}, command->id, false});
  }
}

}  // namespace voltaris
