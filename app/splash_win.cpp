#include "app/splash_win.h"

#include "gui/paint_win.h"
#include "gui/window_thunk_win.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr char kSplashClass[] = "StartUp";
constexpr UINT_PTR kSplashTimer = 1123;
constexpr UINT kSplashTickMs = 1000;
constexpr int kSplashTicks = 3;
constexpr COLORREF kPanelGrey = 0xE0E0E0;

// The splash's window: it counts its ticks and goes after the last one.
struct Splash {
  HWND hwnd = nullptr;
  int ticks = 0;

  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_CREATE: SetTimer(hwnd, kSplashTimer, kSplashTickMs, nullptr); return 0;
      case WM_PAINT: OnPaint(); return 0;
      case WM_TIMER: OnTimer(); return 0;
      case WM_COMMAND: return 0;
      default: return DefWindowProcA(hwnd, message, wParam, lParam);
    }
  }
  void OnPaint() {
    OffscreenPaint paint(hwnd);
    DrawBitmapAt(paint.Dc(), InstanceOf(hwnd), IDB_SPLASH, 0, 0);
  }
  void OnTimer() {
    if (++ticks < kSplashTicks) return;
    ticks = 0;
    KillTimer(hwnd, kSplashTimer);
    DestroyWindow(hwnd);
  }
};

Splash gSplash;

}  // namespace

bool RegisterSplashClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = WindowProcedure<Splash>;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = CreateSolidBrush(kPanelGrey);
  wc.lpszClassName = kSplashClass;
  return RegisterClassA(&wc) != 0;
}

HWND CreateSplash(HINSTANCE instance, HWND owner) {
  HWND splash = CreateWindowExA(0, kSplashClass, "Brennick", WS_POPUP | WS_BORDER, 300, 300, 344, 206, owner,
                                nullptr, instance, &gSplash);
  if (splash) {
    CentreWindow(splash);
    ShowWindow(splash, SW_SHOW);
  }
  return splash;
}

void CentreWindow(HWND window) {
  RECT work, box;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(window, &box);
  const int width = box.right - box.left, height = box.bottom - box.top;
  SetWindowPos(window, nullptr, work.right / 2 - width / 2, work.bottom / 2 - height / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
}

}  // namespace voltaris
