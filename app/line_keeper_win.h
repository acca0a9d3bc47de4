// One reader of the UPS per computer. With the service installed it is the
// service's monitoring, for good: the desktop program is only its window,
// and no other copy reads. Without it, the desktop program reads the UPS,
// and a /headless started by hand only while nobody else does: a named
// mutex says which of those two holds the line. The service itself needs
// none, so that nothing a user makes can keep it from watching.
#pragma once

#include <windows.h>

namespace voltaris {

class LineHold {
 public:
  LineHold() = default;
  LineHold(const LineHold&) = delete;
  LineHold& operator=(const LineHold&) = delete;
  ~LineHold() { Release(); }

  // Takes the line if nobody holds it; true once it is held. One that
  // cannot be made at all is taken as free: there is nobody to leave it to.
  bool TryTake();
  // By the thread that took it.
  void Release();

 private:
  HANDLE line_ = nullptr;
  bool held_ = false;
};

// Whether the service is installed (running or not).
bool ServiceInstalled();
// Whether `process` is the service's monitoring, a child of the running service.
bool IsServiceMonitor(DWORD process);
// Voltaris.exe /headless started otherwise than by the service: never while
// the service is installed (it alone reads the UPS, stopped or not); else
// only while nobody else does, and then it holds the line for its life.
bool HandStartedMayRead();

}  // namespace voltaris
