#include "ups/monitor_thread_win.h"

namespace voltaris {
namespace {

constexpr DWORD kReplyBufferBytes = 54;

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

bool CommLinePort::Open(const SerialLine& line) {
  const SerialSettings settings = ToSettings(line);
  return port_.Open(settings, settings.portName) == 1;
}

size_t CommLinePort::Write(const std::string& bytes) {
  const DWORD length = static_cast<DWORD>(bytes.size());
  DWORD inOut = length;
  port_.Write(bytes.data(), &length, &inOut);
  return inOut;
}

bool CommLinePort::Read(std::string& reply, size_t expected) {
  char buffer[kReplyBufferBytes + 1] = {};
  DWORD wanted = kReplyBufferBytes, got = 0;
  if (port_.Read(buffer, &wanted, &got, static_cast<DWORD>(expected)) != 1) return false;
  reply.assign(buffer, got);
  return true;
}

std::string LibraryUsbPort::Input() {
  char reply[kUsbReplyBufferBytes];
  library_.CmdInput(reply);
  return UsbReplyInBuffer(reply);
}

void WindowReportSink::Post(MonitorReport report) {
  auto* copy = new MonitorReport(std::move(report));
  if (!PostMessageA(window, message, 0, reinterpret_cast<LPARAM>(copy))) delete copy;
}

namespace {

// What one run of the loop works on, kept together and alive for as long as
// its thread may use it.
struct MonitorWorker {
  MonitorWorker(MonitorMailbox& mailbox, const LinkLibrary& library, HWND reportTo, UINT message)
      : usb(library), loop(mailbox, serial, usb, reports) {
    reports.window = reportTo;
    reports.message = message;
  }
  CommLinePort serial;
  LibraryUsbPort usb;
  WindowReportSink reports;
  MonitorLoop loop;
};

}  // namespace

void MonitorThread::Start(HWND reportTo, UINT message) {
  auto worker = std::make_shared<MonitorWorker>(mailbox_, library_, reportTo, message);
  runner_.Start(std::shared_ptr<MonitorLoop>(worker, &worker->loop));
}

}  // namespace voltaris
