// Small painting helpers shared by the skinned windows.
#pragma once

#include <windows.h>

#include <initializer_list>

namespace voltaris {

// Draws bitmap resource `id` at its own size with its top left at (x, y);
// nothing when the resource is missing.
inline void DrawBitmapAt(HDC into, HINSTANCE instance, int id, int x, int y) {
  HBITMAP bitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(id));
  if (bitmap == nullptr) return;
  BITMAP size;
  GetObjectA(bitmap, sizeof size, &size);
  HDC source = CreateCompatibleDC(into);
  HGDIOBJ old = SelectObject(source, bitmap);
  BitBlt(into, x, y, size.bmWidth, size.bmHeight, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(bitmap);
}

struct PlacedBitmap {
  int id, x, y;
};
// The module a window belongs to, whose resources it paints.
inline HINSTANCE InstanceOf(HWND window) {
  return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
}

// Paints a window that shows nothing but bitmaps, in order (the background first).
inline void PaintBitmaps(HWND window, HINSTANCE instance, std::initializer_list<PlacedBitmap> bitmaps) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  for (const PlacedBitmap& b : bitmaps) DrawBitmapAt(dc, instance, b.id, b.x, b.y);
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
