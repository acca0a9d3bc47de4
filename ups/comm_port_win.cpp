#include "ups/comm_port_win.h"

#include <algorithm>
#include <cstring>

#include "ups/line_timing.h"

namespace voltaris {
namespace {

// A read does not keep a transfer pending while a reply trickles in: under
// Wine that costs a wake-up for every byte, and neither an event character
// (EV_RXFLAG is not implemented) nor WaitCommEvent (it ends as cancelled on a
// pseudo-terminal) can take its place. It waits for the first byte, then
// sleeps for the line time of a few characters at a time and takes what has
// arrived, until the CR is there.
constexpr DWORD kCollectStepCharacters = 12;
// A reply of known length is looked for once the command has gone out and
// the reply has come in: its own line time plus that of a few characters for
// the command (3 or 4 with its CR) and the UPS's time to answer. Looking
// earlier finds its last bytes still on the way and costs another read,
// which under Wine is several trips to its server.
constexpr DWORD kCommandAndThinkCharacters = 6;
// Waking more often than this buys nothing at the bit rates of a UPS.
constexpr DWORD kMinCollectStepMs = 10;
constexpr DWORD kWriteTotalPerByteMs = 3;
constexpr DWORD kWriteTotalConstantMs = 2;
// Bound of a read: twice the line time of the wanted count, plus the UPS's
// time to think.
constexpr DWORD kReadThinkMs = 100;
// Late bytes count as gone once the line has been quiet this long.
constexpr DWORD kQuietLineMs = 20;
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

bool HasCr(const char* bytes, DWORD count) { return count > 0 && memchr(bytes, '\r', count) != nullptr; }

// No read time-outs: a read waits until its count is there, and this class
// bounds the wait itself (reads of bytes already queued end at once).
bool ApplyTimeouts(HANDLE h) {
  COMMTIMEOUTS timeouts = {};
  timeouts.WriteTotalTimeoutMultiplier = kWriteTotalPerByteMs;
  timeouts.WriteTotalTimeoutConstant = kWriteTotalConstantMs;
  return SetCommTimeouts(h, &timeouts) != 0;
}

bool ApplyLineSettings(HANDLE h, const DCB& wanted, DCB* applied) {
  DCB dcb = {};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(h, &dcb)) return false;
  dcb.BaudRate = wanted.BaudRate;
  dcb.ByteSize = wanted.ByteSize;
  dcb.Parity = wanted.Parity;
  dcb.StopBits = wanted.StopBits;
  if (!SetCommState(h, &dcb)) return false;
  *applied = dcb;
  return true;
}

void CloseIfOpen(HANDLE h) {
  if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

}  // namespace

int CommPort::Open(SerialSettings settings, const char* portName) {
  std::lock_guard<std::mutex> lock(busy_);
  // A handle still here means open, or being closed by another thread.
  if (handle_ != nullptr) return 0;
  // Wine hangs the line up at 0 bit/s instead of refusing it, as Windows does.
  if (settings.dcb.BaudRate == 0) return 0;
  HANDLE h = CreateFileA(portName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  DCB applied = {};
  HANDLE transferDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE closing = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (transferDone == nullptr || closing == nullptr || !ApplyLineSettings(h, settings.dcb, &applied) ||
      !ApplyTimeouts(h)) {
    CloseIfOpen(closing);
    CloseIfOpen(transferDone);
    CloseHandle(h);
    return 0;
  }
  lineSettings_ = applied;
  handle_ = h;
  transferDone_ = transferDone;
  closing_ = closing;
  open_ = 1;
  return 1;
}

int CommPort::Close() {
  if (!open_.exchange(0)) return 0;
  // Ends the read or write in progress, which holds busy_ until it returns.
  SetEvent(closing_);
  std::lock_guard<std::mutex> lock(busy_);
  const BOOL closed = CloseHandle(handle_);
  handle_ = nullptr;
  ReleaseHandles();
  return closed ? 1 : 0;
}

void CommPort::ReleaseHandles() {
  CloseIfOpen(transferDone_);
  CloseIfOpen(closing_);
  transferDone_ = nullptr;
  closing_ = nullptr;
}

DWORD CommPort::TransferBoundMs(DWORD count) const {
  return static_cast<DWORD>(2 * LineTimeMicros(FormatOf(lineSettings_), count) / 1000) + kReadThinkMs;
}

DWORD CommPort::CollectStepMs(DWORD stillWanted, DWORD atMost) const {
  const DWORD characters = std::min(stillWanted, atMost);
  const DWORD ms = static_cast<DWORD>((LineTimeMicros(FormatOf(lineSettings_), characters) + 999) / 1000);
  return std::max(ms, kMinCollectStepMs);
}

// Waits for an overlapped transfer to end, for at most limitMs (INFINITE: no
// limit). A transfer cut short by that limit is done with what it moved.
// Whatever happens, the transfer is over on return: it writes into the
// caller's buffer and OVERLAPPED.
CommPort::Outcome CommPort::AwaitTransfer(OVERLAPPED* transfer, DWORD limitMs, DWORD* moved) {
  const HANDLE events[2] = {transfer->hEvent, closing_};
  const DWORD woke = WaitForMultipleObjects(2, events, FALSE, limitMs);
  if (woke != WAIT_OBJECT_0) CancelIoEx(handle_, transfer);  // fails only when it has just ended
  const BOOL ended = GetOverlappedResult(handle_, transfer, moved, TRUE);
  const DWORD error = ended ? ERROR_SUCCESS : GetLastError();
  if (woke == WAIT_OBJECT_0 + 1) return Outcome::Closing;
  if (woke == WAIT_FAILED) return Outcome::Failed;
  // Wine ends a transfer that ran into the line's time-outs with
  // ERROR_TIMEOUT where Windows reports success; both moved *moved bytes.
  if (ended || error == ERROR_TIMEOUT) return Outcome::Done;
  return woke == WAIT_TIMEOUT && error == ERROR_OPERATION_ABORTED ? Outcome::Done : Outcome::Failed;
}

// A transfer that ended at once (the bytes were there): no wait, which
// under Wine is one more round trip to its server.
CommPort::Outcome CommPort::Finished(OVERLAPPED* transfer, DWORD* moved) {
  return GetOverlappedResult(handle_, transfer, moved, FALSE) ? Outcome::Done : Outcome::Failed;
}

CommPort::Outcome CommPort::ReadBytes(char* into, DWORD count, DWORD limitMs, DWORD* moved) {
  *moved = 0;
  OVERLAPPED transfer = {};
  transfer.hEvent = transferDone_;
  if (ReadFile(handle_, into, count, nullptr, &transfer)) return Finished(&transfer, moved);
  if (GetLastError() != ERROR_IO_PENDING) return Outcome::Failed;
  return AwaitTransfer(&transfer, limitMs, moved);
}

CommPort::Outcome CommPort::WriteBytes(const char* bytes, DWORD count, DWORD* moved) {
  *moved = 0;
  OVERLAPPED transfer = {};
  transfer.hEvent = transferDone_;
  if (WriteFile(handle_, bytes, count, nullptr, &transfer)) return Finished(&transfer, moved);
  if (GetLastError() != ERROR_IO_PENDING) return Outcome::Failed;
  // The line's write time-outs end it; a driver that ignores them is not
  // waited for beyond the line time.
  return AwaitTransfer(&transfer, TransferBoundMs(count), moved);
}

// Takes what has arrived, up to `room` bytes, without waiting for more.
CommPort::Outcome CommPort::CollectQueued(char* into, DWORD room, DWORD* moved) {
  *moved = 0;
  DWORD errors = 0;
  COMSTAT status = {};
  if (!ClearCommError(handle_, &errors, &status)) return Outcome::Failed;
  const DWORD queued = std::min(status.cbInQue, room);
  if (queued == 0) return Outcome::Done;
  return ReadBytes(into, queued, INFINITE, moved);
}

CommPort::Outcome CommPort::PauseMs(DWORD ms) {
  switch (WaitForSingleObject(closing_, ms)) {
    case WAIT_TIMEOUT:
      return Outcome::Done;
    case WAIT_OBJECT_0:
      return Outcome::Closing;
    default:
      return Outcome::Failed;
  }
}

int CommPort::Read(char* buffer, const DWORD* wanted, DWORD* got, DWORD expected) {
  *got = 0;
  lastReadEndedAtCr_ = false;
  std::lock_guard<std::mutex> lock(busy_);
  if (!open_) return 0;
  if (*wanted == 0) return 1;
  const DWORD bound = TransferBoundMs(*wanted);
  const DWORD start = GetTickCount();
  bool sawCr = false;
  // A reply of known length is usually whole after its own line time: one
  // sleep and one look, with no transfer left pending while it arrives.
  if (expected > 0 && expected <= *wanted) {
    const DWORD untilWhole = expected + kCommandAndThinkCharacters;
    if (PauseMs(std::min(CollectStepMs(untilWhole, untilWhole), bound)) != Outcome::Done) return 0;
    if (CollectQueued(buffer, *wanted, got) != Outcome::Done) return 0;
    sawCr = HasCr(buffer, *got);
  }
  if (*got == 0) {
    // Into a byte of our own, so that a read that gets nothing leaves the
    // buffer as it was.
    char first = 0;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= bound) return 1;
    if (ReadBytes(&first, 1, bound - elapsed, got) != Outcome::Done) return 0;
    if (*got == 0) return 1;
    buffer[0] = first;
    sawCr = first == '\r';
  }
  while (!sawCr && *got < *wanted) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= bound) break;
    if (PauseMs(std::min(CollectStepMs(*wanted - *got, kCollectStepCharacters), bound - elapsed)) != Outcome::Done) {
      return 0;
    }
    DWORD n = 0;
    if (CollectQueued(buffer + *got, *wanted - *got, &n) != Outcome::Done) return 0;
    sawCr = HasCr(buffer + *got, n);
    *got += n;
  }
  buffer[*got] = '\0';
  lastReadEndedAtCr_ = sawCr;
  return 1;
}

// A reply that came too late, or the tail of one that was cut short, must not
// be taken for the answer to the next command: discard what has arrived and
// what is still arriving, until the line has been quiet for a moment.
CommPort::Outcome CommPort::DiscardLateBytes() {
  const DWORD start = GetTickCount();
  // The last reply ended at its CR: nothing of it is still on the way.
  if (lastReadEndedAtCr_) return PurgeComm(handle_, PURGE_RXCLEAR) ? Outcome::Done : Outcome::Failed;
  for (;;) {
    if (!PurgeComm(handle_, PURGE_RXCLEAR)) return Outcome::Failed;
    const Outcome paused = PauseMs(kQuietLineMs);
    if (paused != Outcome::Done) return paused;
    DWORD errors = 0;
    COMSTAT status = {};
    if (!ClearCommError(handle_, &errors, &status)) return Outcome::Failed;
    // A line that stays noisy is written to all the same: the UPS may still
    // hear the command.
    if (status.cbInQue == 0 || GetTickCount() - start >= kMaxDrainMs) return Outcome::Done;
  }
}

int CommPort::Write(const char* bytes, const DWORD* length, DWORD* inOut) {
  if (*inOut == 0) return 0;
  const DWORD count = *length;
  *inOut = 0;  // what has reached the line, also when the write fails part-way
  std::lock_guard<std::mutex> lock(busy_);
  if (!open_) return 0;
  if (DiscardLateBytes() != Outcome::Done) return 0;
  return WriteBytes(bytes, count, inOut) == Outcome::Done ? 1 : 0;
}

}  // namespace voltaris
