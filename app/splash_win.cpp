#include "app/splash_win.h"

#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr char kSplashClass[] = "StartUp";
constexpr UINT_PTR kSplashTimer = 1123;
constexpr UINT kSplashTickMs = 1000;
constexpr int kSplashTicks = 3;
constexpr COLORREF kPanelGrey = 0xE0E0E0;

struct Splash {
  int ticks = 0;

  void OnPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HBITMAP picture = LoadBitmapA(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd, GWLP_HINSTANCE)),
                                  MAKEINTRESOURCEA(IDB_SPLASH));
    if (picture) {
      HDC memory = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(memory, picture);
      BITMAP size;
      GetObjectA(picture, sizeof size, &size);
      BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
      DeleteDC(memory);
      DeleteObject(picture);
    }
    EndPaint(hwnd, &ps);
  }
  void OnTimer(HWND hwnd) {
    if (++ticks < kSplashTicks) return;
    ticks = 0;
    KillTimer(hwnd, kSplashTimer);
    DestroyWindow(hwnd);
  }
};

Splash gSplash;

LRESULT CALLBACK SplashProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: SetTimer(hwnd, kSplashTimer, kSplashTickMs, nullptr); return 0;
    case WM_PAINT: gSplash.OnPaint(hwnd); return 0;
    case WM_TIMER: gSplash.OnTimer(hwnd); return 0;
    case WM_COMMAND: return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

bool RegisterSplashClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = SplashProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = CreateSolidBrush(kPanelGrey);
  wc.lpszClassName = kSplashClass;
  return RegisterClassA(&wc) != 0;
}

HWND CreateSplash(HINSTANCE instance, HWND owner) {
  HWND splash = CreateWindowExA(0, kSplashClass, "Brennick", WS_POPUP | WS_BORDER, 300, 300, 344, 206, owner,
                                nullptr, instance, nullptr);
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
