// Small painting helpers shared by the skinned windows.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <map>
#include <utility>

#include "res/skin_layout.h"

namespace voltaris {

// Bitmap resource `id` of `instance` with its size, loaded at its first use
// and kept for the program's life: the skin repaints some of them every
// second, and loading one from the resources cost more than drawing it.
// Nothing when it cannot be loaded (asked again next time). The
// user-interface thread's: every window that paints them is its.
inline HBITMAP SkinBitmap(HINSTANCE instance, int id, SIZE* size) {
  struct Loaded {
    HBITMAP bitmap;
    SIZE size;
  };
  static std::map<std::pair<HINSTANCE, int>, Loaded> loaded;
  auto found = loaded.find({instance, id});
  if (found == loaded.end()) {
    HBITMAP bitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(id));
    BITMAP info;
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0) {
      if (bitmap != nullptr) DeleteObject(bitmap);
      return nullptr;
    }
    found = loaded.emplace(std::make_pair(instance, id), Loaded{bitmap, {info.bmWidth, info.bmHeight}}).first;
  }
  *size = found->second.size;
  return found->second.bitmap;
}

// Draws bitmap resource `id` at its own size with its top left at (x, y);
// nothing when the resource is missing.
inline void DrawBitmapAt(HDC into, HINSTANCE instance, int id, int x, int y) {
  SIZE size;
  HBITMAP bitmap = SkinBitmap(instance, id, &size);
  if (bitmap == nullptr) return;
  HDC source = CreateCompatibleDC(into);
  HGDIOBJ old = SelectObject(source, bitmap);
  BitBlt(into, x, y, size.cx, size.cy, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}
inline void DrawBitmapAt(HDC into, HINSTANCE instance, int id, PicturePlace at) {
  DrawBitmapAt(into, instance, id, at.x, at.y);
}

// Whether a person can see the window now: shown, and its top-level window
// not minimised. What only changes the picture can wait until then.
inline bool IsSeen(HWND window) { return IsWindowVisible(window) && !IsIconic(GetAncestor(window, GA_ROOT)); }

struct PlacedBitmap {
  int id;
  PicturePlace at;
};
// The module a window belongs to, whose resources it paints.
inline HINSTANCE InstanceOf(HWND window) {
  return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
}

// Paints a window that shows nothing but bitmaps, in order (the background first).
inline void PaintBitmaps(HWND window, HINSTANCE instance, std::initializer_list<PlacedBitmap> bitmaps) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  for (const PlacedBitmap& b : bitmaps) DrawBitmapAt(dc, instance, b.id, b.at);
  EndPaint(window, &ps);
}

// Registers a window class of the skin's child windows (panes, bars): the
// arrow cursor, a solid background. False when it could not be registered.
inline bool RegisterSkinClass(HINSTANCE instance, const char* name, WNDPROC procedure, COLORREF background) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = CreateSolidBrush(background);
  wc.lpszClassName = name;
  return RegisterClassA(&wc) != 0;
}

// A window's paint drawn off-screen and copied in one go when it ends, so
// that a window repainted every second never flickers. Draw on Dc().
class OffscreenPaint {
 public:
  explicit OffscreenPaint(HWND window) : window_(window) {
    screen_ = BeginPaint(window, &ps_);
    GetClientRect(window, &client_);
    memory_ = CreateCompatibleDC(screen_);
    canvas_ = CreateCompatibleBitmap(screen_, client_.right, client_.bottom);
    oldCanvas_ = SelectObject(memory_, canvas_);
  }
  ~OffscreenPaint() {
    BitBlt(screen_, 0, 0, client_.right, client_.bottom, memory_, 0, 0, SRCCOPY);
    SelectObject(memory_, oldCanvas_);
    DeleteObject(canvas_);
    DeleteDC(memory_);
    EndPaint(window_, &ps_);
  }
  OffscreenPaint(const OffscreenPaint&) = delete;
  OffscreenPaint& operator=(const OffscreenPaint&) = delete;
  HDC Dc() const { return memory_; }
  const RECT& Client() const { return client_; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC screen_ = nullptr, memory_ = nullptr;
  RECT client_{};
  HBITMAP canvas_ = nullptr;
  HGDIOBJ oldCanvas_ = nullptr;
};

}  // namespace voltaris
