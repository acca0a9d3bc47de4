#include "ups/monitor_loop.h"

#include "base/unwaited_thread.h"
#include "ups/ups_protocol.h"

namespace voltaris {

using std::chrono::milliseconds;

void MonitorLoop::Run() {
  LinkKind link = LinkKind::Serial;
  while (!retired_) {
    const MonitorRequests requests = mailbox_.Take(IdleFor(link));
    if (requests.stop) break;
    ReportExpiredControls();
    link = requests.link;
    if (requests.closePort) serial_.Close();
    if (link == LinkKind::Serial) {
      SerialPass(requests);
    } else {
      serial_.Close();
      // A network UPS is followed by its own thread: the monitor only idles.
      if (link == LinkKind::Usb) UsbPassOnce();
    }
  }
  serial_.Close();
}

// Over USB the pass paces itself; over serial, wait for the next request.
milliseconds MonitorLoop::IdleFor(LinkKind link) const {
  switch (link) {
    case LinkKind::Usb: return milliseconds(0);
    case LinkKind::Network: return pauses_.followingIdle;
    default: return pauses_.idle;
  }
}

bool MonitorLoop::OpenPort(const SerialLine& line) {
  if (line.portName.empty()) return false;
  // A failed open is tried once more at once, as the user would.
  return serial_.Open(line) || serial_.Open(line);
}

void MonitorLoop::SerialPass(const MonitorRequests& requests) {
  if (!serial_.IsOpen() && requests.openPort) {
    const bool opened = OpenPort(requests.line);
    if (opened && Pause(pauses_.afterOpen)) return;
    Report({MonitorReport::Kind::SerialOpen, opened, "", {}, 0, false});
    if (!opened) {
      Pause(pauses_.afterFailedOpen);
      return;
    }
  }
  SendCommands();
}

// One command at a time, looking for a stop, a close or a change of link
// between them, so that leaving takes at most one read even on a silent
// line. There each read lasts its whole bound and the queries come as fast
// as they are read, so the queue may never run dry: the close that lets a
// replugged adapter be reached again, or the switch to USB, must not wait
// for that.
void MonitorLoop::SendCommands() {
  while (!Stopping() && !mailbox_.LineRequestPending()) {
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
  if (control) return SendControl(command);
  const bool written = serial_.Write(command.bytes) == command.bytes.size();
  std::string reply;
  const bool ok = written && serial_.Read(reply, ExpectedReplyLength(command.bytes));
  Report({MonitorReport::Kind::SerialRead, ok, ok ? reply : "", {}, 0, false});
  return written;
}

// A withdrawn command is dropped unwritten. A write that put some bytes on
// the line is never made again whole: the UPS may already act on what it got.
bool MonitorLoop::SendControl(const UpsCommand& command) {
  if (!mailbox_.ClaimForWriting(command)) return true;
  const size_t moved = serial_.Write(command.bytes);
  const bool written = moved == command.bytes.size();
  Report({MonitorReport::Kind::ControlWritten, written, command.bytes, {}, command.id, false});
  if (written || moved > 0) {
    mailbox_.WriteEnded(command);
  } else {
    mailbox_.PutBack(command);
  }
  if (written) return true;
  // A line that takes no writes is a lost line, as one that does not answer.
  Report({MonitorReport::Kind::SerialRead, false, "", {}, 0, false});
  return false;
}

void MonitorLoop::ReportExpiredControls() {
  for (const UpsCommand& command : mailbox_.TakeExpiredControls(std::chrono::steady_clock::now())) {
    Report({MonitorReport::Kind::ControlWritten, false, command.bytes, {}, command.id, true});
  }
}

void MonitorLoop::UsbPassOnce() {
  MonitorReport report{MonitorReport::Kind::UsbPass, true, "", {}, 0, false};
  report.usb.present = usb_.Present();
  if (!report.usb.present) {
    // Right after HidHandle said 0, the library may say why.
    report.usb.refusedUnit = RefusedUsbUnit(usb_.Input()).value_or("");
    Report(std::move(report));
    Pause(pauses_.afterUsbLost);
    return;
  }
  usb_.Output(kUsbRatingQuery);
  if (Pause(pauses_.usbRatingWait)) return;
  report.usb.ratingReply = usb_.Input();
  SendUsbControls();
  if (Pause(pauses_.usbStatusGap)) return;
  usb_.Output(kUsbStatusQuery);
  if (Pause(pauses_.usbStatusWait)) return;
  report.usb.statusReply = usb_.Input();
  Report(std::move(report));
}

// A call that returned counts as written: the library says no more, but
// for a text (a switch-off) that may have gone out in part only.
void MonitorLoop::SendUsbControls() {
  while (!Stopping()) {
    const auto command = mailbox_.NextControl();
    if (!command) return;
    if (!mailbox_.ClaimForWriting(*command)) continue;
    bool uncertain = false;
    if (command->usb.code != 0) {
      usb_.Output(command->usb.code);
    } else {
      uncertain = usb_.Test(command->usb.text);
    }
    mailbox_.WriteEnded(*command);
    Report({MonitorReport::Kind::ControlWritten, true, command->bytes, {}, command->id, false, uncertain});
  }
}

void MonitorRunner::Start(std::shared_ptr<MonitorLoop> loop) {
  loop_ = std::move(loop);
  std::promise<void> ended;
  ended_ = ended.get_future();
  // The thread holds its own share of the loop, which outlives the runner
  // when the thread is left behind.
  thread_ = std::thread([loop = loop_, ended = std::move(ended)]() mutable {
    loop->Run();
    ended.set_value();
  });
}

bool MonitorRunner::Stop(std::chrono::milliseconds limit) {
  if (!thread_.joinable()) return true;
  loop_->Retire();
  mailbox_.RequestStop();
  const bool stopped = ended_.wait_for(limit) == std::future_status::ready;
  if (stopped) {
    thread_.join();
  } else {
    KeepUnjoined(std::move(thread_));
    leftOneRunning_ = true;
  }
  loop_.reset();
  return stopped;
}

}  // namespace voltaris
