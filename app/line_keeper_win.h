// One reader of the UPS per computer. With the service installed it is the
// service's monitoring, for good: the desktop program is only its window.
// Without it, the desktop program reads the UPS, and a /headless started by
// hand only while nobody else does. A named mutex says who holds the line.
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
  // cannot be made at all is taken as free (there is nobody to leave it
  // to), unless it was refused: the service's is, to all but administrators.
  bool TryTake();
  // The service's: waits until it is free or `stop` is set; true once held.
  // Its mutex is the administrators' and the system's only, so that no user
  // can hold it to keep the service from watching.
  bool TakeForService(HANDLE stop);
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
// Voltaris.exe /headless: the service's own monitoring reads the line the
// service holds for it; one started otherwise reads it only while nobody
// else does, and then holds it for the rest of its life.
bool HeadlessMayRead();

}  // namespace voltaris
