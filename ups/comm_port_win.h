// The serial port to the UPS, on the Win32 communications API. In the
// program the monitor thread alone opens, writes, reads and closes it. Close
// also ends a read or write in progress at once, so that a port can be let
// go from outside a transfer that waits on a silent line. Results:
// 1 success, 0 failure.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>

namespace voltaris {

// What an open applies: a complete control block of which the bit rate,
// data bits, parity and stop bits are filled, and the port name.
struct SerialSettings {
  DCB dcb = {};
  char portName[16] = "";
};

class CommPort {
 public:
  CommPort() = default;
  CommPort(const CommPort&) = delete;
  CommPort& operator=(const CommPort&) = delete;
  ~CommPort() { Close(); }

  // Opens and configures the device; 0 when already open, when the device is
  // missing or busy, or when it refuses the settings (it is then closed again).
  int Open(SerialSettings settings, const char* portName);
  int Close();
  // Collects up to *wanted bytes, ending early at a CR, within a bound that
  // follows from the bit rate; stores a 0 byte after the data when any came
  // (the buffer holds *wanted + 1). 1 unless the platform read failed or the
  // port was closed meanwhile. `expected`: the length the reply should have
  // (0: not known), so that the whole of it is waited for in one sleep.
  int Read(char* buffer, const DWORD* wanted, DWORD* got, DWORD expected = 0);
  // Discards what is left on the line, then sends *length bytes when
  // *inOut > 0 on entry; *inOut then holds the bytes that reached the line,
  // which a write that failed or timed out part-way leaves short. 0 when the
  // write failed or was not attempted.
  int Write(const char* bytes, const DWORD* length, DWORD* inOut);
  int IsOpen() const { return open_.load(); }

  // The longest a read or write of `count` bytes may take at the open bit rate.
  DWORD TransferBoundMs(DWORD count) const;

 private:
  bool lastReadEndedAtCr_ = false;
  enum class Outcome { Done, Failed, Closing };

  Outcome ReadBytes(char* into, DWORD count, DWORD limitMs, DWORD* moved);
  Outcome WriteBytes(const char* bytes, DWORD count, DWORD* moved);
  Outcome AwaitTransfer(OVERLAPPED* transfer, DWORD limitMs, DWORD* moved);
  Outcome Finished(OVERLAPPED* transfer, DWORD* moved);
  Outcome CollectQueued(char* into, DWORD room, DWORD* moved);
  Outcome PauseMs(DWORD ms);
  Outcome DiscardLateBytes();
  DWORD CollectStepMs(DWORD stillWanted, DWORD atMost) const;
  void ReleaseHandles();

  std::atomic<int> open_{0};
  // Held by every operation on the handles; Close takes it only after it has
  // set closing_, which ends the operation in progress.
  std::mutex busy_;
  HANDLE handle_ = nullptr;
  HANDLE transferDone_ = nullptr;  // event of the overlapped transfer in progress
  HANDLE closing_ = nullptr;       // set by Close
  DCB lineSettings_ = {};
};

}  // namespace voltaris
