#include "app/main_window_win.h"

#include "app/resource_ids.h"
#include "ups/link_library_win.h"

namespace voltaris {
namespace {

constexpr char kMainClass[] = "Voltaris";
constexpr COLORREF kPanelGrey = 0xE0E0E0;
constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

struct MainWindow {
  HWND hwnd = nullptr;
  LinkLibrary link;

  LRESULT OnCreate(HWND window) {
    hwnd = window;
    link.Load(hwnd);  // on failure it tells the user; start-up goes on without USB
    return 0;
  }
  LRESULT OnClose() {
    ShowWindow(hwnd, SW_HIDE);  // closing only hides: the program lives on in the tray
    return 0;
  }
  LRESULT OnDestroy() {
    link.Unload();
    PostQuitMessage(0);
    return 0;
  }
};

MainWindow gMain;

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: return gMain.OnCreate(hwnd);
    case WM_CLOSE: return gMain.OnClose();
    case WM_DESTROY: return gMain.OnDestroy();
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VOLTARIS));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = CreateSolidBrush(kPanelGrey);
  wc.lpszClassName = kMainClass;
  return RegisterClassA(&wc) != 0;
}

HWND CreateMainWindow(HINSTANCE instance) {
  return CreateWindowExA(0, kMainClass, "Voltaris", kMainStyle, 150, 150, 747, 498, nullptr, nullptr,
                         instance, nullptr);
}

}  // namespace voltaris
