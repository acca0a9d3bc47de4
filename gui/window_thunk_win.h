// The one window procedure of the program's own window classes (the main
// window, the skin's bars and panes, the splash): it hands each message to
// the object that keeps the window.
#pragma once

#include <windows.h>

namespace voltaris {

// The window procedure for an object of type Window with a field `HWND hwnd`
// and OnMessage(message, wParam, lParam), which answers what the default
// procedure would for what it leaves alone. The object comes as
// CreateWindowEx's last parameter; it is kept in GWLP_USERDATA from
// WM_NCCREATE, when it learns its handle, to WM_NCDESTROY, when it is
// forgotten. A window made without an object gets the default procedure.
template <typename Window>
LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    if (created) created->hwnd = hwnd;
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  const LRESULT result = self->OnMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    if (self->hwnd == hwnd) self->hwnd = nullptr;
  }
  return result;
}

}  // namespace voltaris
