#include "ups/monitor_thread_win.h"

#include <vector>

#include "app/app_messages.h"

namespace voltaris {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kIdleWait{1000};        // nothing asked: look again after this
constexpr milliseconds kAfterOpen{500};        // let the UPS settle after the line comes up
constexpr milliseconds kAfterFailedOpen{1000};
constexpr milliseconds kAfterUsbLost{1000};
constexpr milliseconds kUsbRatingWait{200};
constexpr milliseconds kUsbStatusGap{200};
constexpr milliseconds kUsbStatusWait{300};
constexpr DWORD kReplyBufferBytes = 54;
constexpr size_t kUsbReplyBytes = 55;

SerialSettings ToSettings(const SerialLine& line) {
  SerialSettings s;
  s.dcb.BaudRate = line.format.bitRate;
  s.dcb.ByteSize = static_cast<BYTE>(line.format.dataBits);
  s.dcb.Parity = static_cast<BYTE>(line.format.parity);
  s.dcb.StopBits = static_cast<BYTE>(line.format.stopBits);
  lstrcpynA(s.portName, line.portName.c_str(), sizeof s.portName);
  return s;
}

}  // namespace

void MonitorThread::Start(HWND reportTo) {
  reportTo_ = reportTo;
  thread_ = std::thread([this] { Run(); });
}

void MonitorThread::Stop() {
  if (!thread_.joinable()) return;
  mailbox_.RequestStop();
  thread_.join();
}

void MonitorThread::Post(MonitorReport report) {
  auto* copy = new MonitorReport(std::move(report));
  if (!PostMessageA(reportTo_, WM_APP_MONITOR_REPORT, 0, reinterpret_cast<LPARAM>(copy))) delete copy;
}

void MonitorThread::Run() {
  LinkKind link = LinkKind::Serial;
  for (;;) {
    // Over USB the pass paces itself; over serial, wait for the next request.
    const MonitorRequests requests = mailbox_.Take(link == LinkKind::Usb ? milliseconds(0) : kIdleWait);
    if (requests.stop) break;
    link = requests.link;
    if (requests.closePort) port_.Close();
    if (link == LinkKind::Serial) {
      SerialPass(requests);
    } else {
      port_.Close();
      UsbPassOnce();
    }
  }
  port_.Close();
}

bool MonitorThread::OpenPort(const SerialLine& line) {
  if (line.portName.empty()) return false;
  const SerialSettings settings = ToSettings(line);
  // A failed open is tried once more at once, as the user would.
  return port_.Open(settings, settings.portName) || port_.Open(settings, settings.portName);
}

void MonitorThread::SerialPass(const MonitorRequests& requests) {
  if (!port_.IsOpen() && requests.openPort) {
    const bool opened = OpenPort(requests.line);
    if (opened && mailbox_.SleepUnlessStopped(kAfterOpen)) return;
    Post({MonitorReport::Kind::SerialOpen, opened, "", {}});
    if (!opened) {
      mailbox_.SleepUnlessStopped(kAfterFailedOpen);
      return;
    }
  }
  for (const UpsCommand& command : requests.commands) {
    if (!port_.IsOpen()) break;
    DWORD length = static_cast<DWORD>(command.bytes.size());
    DWORD inOut = length;
    port_.Write(command.bytes.data(), &length, &inOut);
    if (!command.readReply) continue;
    char buffer[kReplyBufferBytes + 1] = {};
    DWORD wanted = kReplyBufferBytes, got = 0;
    const bool ok = port_.Read(buffer, &wanted, &got) == 1;
    Post({MonitorReport::Kind::SerialRead, ok, std::string(buffer, got), {}});
  }
}

void MonitorThread::UsbPassOnce() {
  MonitorReport report{MonitorReport::Kind::UsbPass, true, "", {}};
  report.usb.present = library_.HidHandle() != 0;
  if (!report.usb.present) {
    Post(std::move(report));
    mailbox_.SleepUnlessStopped(kAfterUsbLost);
    return;
  }
  char reply[kUsbReplyBytes];
  library_.CmdOutput(3);
  if (mailbox_.SleepUnlessStopped(kUsbRatingWait)) return;
  library_.CmdInput(reply);
  report.usb.ratingReply = reply;
  if (mailbox_.SleepUnlessStopped(kUsbStatusGap)) return;
  library_.CmdOutput(1);
  if (mailbox_.SleepUnlessStopped(kUsbStatusWait)) return;
  library_.CmdInput(reply);
  report.usb.statusReply = reply;
  Post(std::move(report));
}

}  // namespace voltaris
