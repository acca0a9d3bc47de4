// The serial port to the UPS, on the Win32 communications API. One object;
// the monitor thread opens, writes and reads, the user-interface thread may
// close it (which ends a read in progress). Results: 1 success, 0 failure.
#pragma once

#include <windows.h>

#include <atomic>

namespace voltaris {

// What an open applies: a complete control block of which the bit rate,
// data bits, parity and stop bits are filled, and the port name.
struct SerialSettings {
  DCB dcb = {};
  char portName[16] = "";
};

class CommPort {
 public:
  // Opens and configures the device; 0 when already open, when the device is
  // missing or busy, or when it refuses the settings (it is then closed again).
  int Open(SerialSettings settings, const char* portName);
  int Close();
  // Collects up to *wanted bytes, ending early at a CR, within a bound that
  // follows from the bit rate; stores a 0 byte after the data when any came
  // (the buffer holds *wanted + 1). 1 unless the platform read failed.
  int Read(char* buffer, const DWORD* wanted, DWORD* got);
  // Discards what is left on the line, then sends *length bytes when
  // *inOut > 0 on entry. 0 when the write failed or was not attempted.
  int Write(const char* bytes, const DWORD* length, DWORD* inOut);
  int IsOpen() const { return open_.load(); }

  // The longest a read of `count` bytes may take at the open bit rate.
  DWORD ReadBoundMs(DWORD count) const;

 private:
  std::atomic<int> open_{0};
  std::atomic<HANDLE> handle_{nullptr};
  DCB lineSettings_ = {};
};

}  // namespace voltaris
