// A child window that shows one bitmap at its top left, on its class's
// background: the side panes of the settings, alarm and schedule dialogs.
// Its classes are registered with WindowProcedure<PicturePane>.
#pragma once

#include <windows.h>

#include "gui/paint_win.h"

namespace voltaris {

struct PicturePane {
  HWND hwnd = nullptr;
  int bitmap = 0;  // 0: the background alone

  // Creates the pane as child `id` of `parent`, in its class `cls`.
  HWND Create(HWND parent, HINSTANCE instance, const char* cls, DWORD exStyle, int x, int y, int width, int height,
              int id = 0) {
    return CreateWindowExA(exStyle, cls, "", WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
  }
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcA(hwnd, message, wParam, lParam);
    PaintBitmaps(hwnd, InstanceOf(hwnd), {{bitmap, 0, 0}});
    return 0;
  }
};

}  // namespace voltaris
