// The kernel objects the service and the desktop program share to hand the
// UPS's line over, and the desktop program's side of the hand-over: a
// thread that takes the line, asking the service to let go when it holds
// it, and tells the main window how that goes. Nothing here blocks the
// window's thread.
#pragma once

#include <windows.h>

#include "app/hand_over.h"

namespace voltaris {

// In the global namespace, so that a service in session 0 and a program in
// a user's session see the same ones.
class LineObjects {
 public:
  LineObjects() = default;
  LineObjects(const LineObjects&) = delete;
  LineObjects& operator=(const LineObjects&) = delete;
  ~LineObjects();
  // Opens them, or creates them open to every logged-on user. The service
  // gives objects a desktop program made before it the same rights.
  bool Open(bool forService);

  HANDLE line = nullptr;          // mutex: its holder reads the UPS
  HANDLE desktopAsks = nullptr;   // manual-reset: a desktop program asks for the line, until it has it
  HANDLE serviceBusy = nullptr;   // manual-reset: the service handles a power event
  HANDLE desktopHolds = nullptr;  // manual-reset: the desktop has taken the line
};

bool IsSet(HANDLE event);
// Whether the service is installed (running or not).
bool ServiceInstalled();
// Voltaris.exe /headless: the service's own monitoring (its child) reads
// the line the service holds for it; one started otherwise reads it only
// while nobody else does, and then holds it for the rest of its life.
bool HeadlessMayRead();

class DesktopLineKeeper {
 public:
  static constexpr DWORD kLookMs = 250;

  DesktopLineKeeper() = default;
  DesktopLineKeeper(const DesktopLineKeeper&) = delete;
  DesktopLineKeeper& operator=(const DesktopLineKeeper&) = delete;
  ~DesktopLineKeeper() { Release(); }
  // Posts `message` to `window` with a DesktopLine in wParam at each change;
  // DesktopLine::Holding means the program may open the line.
  bool Start(HWND window, UINT message);
  // The program ends: the line goes back to the service, at once.
  void Release();

 private:
  static DWORD WINAPI Run(void* self);
  void Keep();
  bool WaitForTheService();
  bool OpenObjects();
  void Post(DesktopLine line) const { PostMessageA(window_, message_, static_cast<WPARAM>(line), 0); }

  LineObjects objects_;
  HWND window_ = nullptr;
  UINT message_ = 0;
  HANDLE quit_ = nullptr;
  HANDLE thread_ = nullptr;
};

}  // namespace voltaris
