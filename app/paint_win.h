// Small painting helpers shared by the skinned windows.
#pragma once

#include <windows.h>

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

}  // namespace voltaris
