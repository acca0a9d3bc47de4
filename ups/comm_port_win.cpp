#include "ups/comm_port_win.h"

#include "ups/line_timing.h"

namespace voltaris {
namespace {

// Each platform read returns as soon as bytes are there, or after this long
// with none; the loop in Read keeps going until the reply is complete or its
// bound has passed.
constexpr DWORD kReadSliceMs = 20;
constexpr DWORD kWriteTotalPerByteMs = 3;
constexpr DWORD kWriteTotalConstantMs = 2;
// Bound of a read: twice the line time of the wanted count, plus the UPS's
// time to think.
constexpr DWORD kReadThinkMs = 100;
// A line that never goes quiet (noise) is given up on after this long.
constexpr DWORD kMaxDrainMs = 500;

LineFormat FormatOf(const DCB& dcb) {
  LineFormat f;
  f.bitRate = dcb.BaudRate;
  f.dataBits = dcb.ByteSize;
  f.parity = dcb.Parity == NOPARITY ? Parity::None : dcb.Parity == ODDPARITY ? Parity::Odd : Parity::Even;
  f.stopBits = dcb.StopBits == ONESTOPBIT ? StopBits::One
               : dcb.StopBits == ONE5STOPBITS ? StopBits::OneAndHalf : StopBits::Two;
  return f;
}

// A reply that came too late, or the tail of one that was cut short, must not
// be taken for the answer to the next command: discard what has arrived and
// what is still arriving, until the line has been quiet for one read slice.
void DiscardLateBytes(HANDLE h) {
  PurgeComm(h, PURGE_RXCLEAR);
  char scrap[64];
  const DWORD start = GetTickCount();
  DWORD n = 0;
  while (ReadFile(h, scrap, sizeof scrap, &n, nullptr) && n > 0 && GetTickCount() - start < kMaxDrainMs) {
  }
}

}  // namespace

int CommPort::Open(SerialSettings settings, const char* portName) {
  if (open_) return 0;
  // Wine hangs the line up at 0 bit/s instead of refusing it, as Windows does.
  if (settings.dcb.BaudRate == 0) return 0;
  HANDLE h = CreateFileA(portName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  DCB dcb = {};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(h, &dcb)) {
    CloseHandle(h);
    return 0;
  }
  dcb.BaudRate = settings.dcb.BaudRate;
  dcb.ByteSize = settings.dcb.ByteSize;
  dcb.Parity = settings.dcb.Parity;
  dcb.StopBits = settings.dcb.StopBits;
  if (!SetCommState(h, &dcb)) {
    CloseHandle(h);
    return 0;
  }
  COMMTIMEOUTS timeouts = {};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
  timeouts.ReadTotalTimeoutConstant = kReadSliceMs;
  timeouts.WriteTotalTimeoutMultiplier = kWriteTotalPerByteMs;
  timeouts.WriteTotalTimeoutConstant = kWriteTotalConstantMs;
  SetCommTimeouts(h, &timeouts);
  lineSettings_ = dcb;
  handle_ = h;
  open_ = 1;
  return 1;
}

int CommPort::Close() {
  if (!open_.exchange(0)) return 0;
  return CloseHandle(handle_.exchange(nullptr)) ? 1 : 0;
}

DWORD CommPort::ReadBoundMs(DWORD count) const {
  return static_cast<DWORD>(2 * LineTimeMicros(FormatOf(lineSettings_), count) / 1000) + kReadThinkMs;
}

int CommPort::Read(char* buffer, const DWORD* wanted, DWORD* got) {
  *got = 0;
  HANDLE h = handle_;
  if (!open_ || h == nullptr) return 0;
  const DWORD bound = ReadBoundMs(*wanted);
  const DWORD start = GetTickCount();
  while (*got < *wanted) {
    DWORD n = 0;
    if (!ReadFile(h, buffer + *got, *wanted - *got, &n, nullptr)) return 0;
    const bool sawCr = n > 0 && memchr(buffer + *got, '\r', n) != nullptr;
    *got += n;
    if (sawCr || GetTickCount() - start >= bound) break;
  }
  if (*got > 0) buffer[*got] = '\0';
  return 1;
}

int CommPort::Write(const char* bytes, const DWORD* length, DWORD* inOut) {
  if (*inOut == 0) return 0;
  HANDLE h = handle_;
  if (!open_ || h == nullptr) return 0;
  DiscardLateBytes(h);
  return WriteFile(h, bytes, *length, inOut, nullptr) ? 1 : 0;
}

}  // namespace voltaris
