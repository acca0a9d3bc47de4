// What the program's modeless dialogs share: a procedure that hands the
// messages to the object that keeps the dialog, the hand cursor over painted
// buttons, and the label font.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "base/durable_file.h"
#include "base/hot_zone.h"

namespace voltaris {

template <typename Dialog>
INT_PTR CALLBACK DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// A modeless dialog kept by an object: its handle while it is open, and the
// font of its painted texts.
class SkinnedDialog {
 public:
  bool IsOpen() const { return hwnd_ != nullptr; }
  HWND Handle() const { return hwnd_; }

 protected:
  // Creates and shows the dialog from its template, unless it is open. True
  // when it opened now (a second use of its command does nothing).
  template <typename Dialog>
  bool OpenFrom(HINSTANCE instance, HWND owner, int templateId) {
    if (hwnd_) return false;
    CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), owner, DialogProcedure<Dialog>,
                       reinterpret_cast<LPARAM>(static_cast<Dialog*>(this)));
    if (!hwnd_) return false;
    ShowWindow(hwnd_, SW_SHOW);
    return true;
  }
  // Forgets the window before destroying it, so that the messages of its
  // ending are not handled as if it were still open.
  void Destroy() {
    HWND hwnd = hwnd_;
    hwnd_ = nullptr;
    DestroyWindow(hwnd);
  }
  void OnDestroy() {
    if (labelFont_) DeleteObject(labelFont_);
    labelFont_ = nullptr;
  }

  HWND hwnd_ = nullptr;
  HFONT labelFont_ = nullptr;
};

// The dialog procedure of a SkinnedDialog with OnInit(HWND) and
// OnMessage(message, wParam, lParam): WM_INITDIALOG's parameter
// is the object. Messages reach OnMessage only while the object still keeps
// that window, so a dialog on its way out is left alone.
template <typename Dialog>
INT_PTR CALLBACK DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    reinterpret_cast<Dialog*>(lParam)->OnInit(hwnd);
    return TRUE;
  }
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (self == nullptr) return FALSE;
  if (message == WM_DESTROY) {
    self->OnDestroy();
    if (self->hwnd_ == hwnd) self->hwnd_ = nullptr;  // gone with its owner
    return FALSE;
  }
  if (self->Handle() != hwnd) return FALSE;
  return self->OnMessage(message, wParam, lParam);
}

// Sizes a dialog so that its client area is `width` x `height` pixels (the
// skins are drawn in pixels), keeping it where its template centred it.
inline void SetClientSize(HWND dialog, int width, int height) {
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, GetWindowLongA(dialog, GWL_STYLE), FALSE, GetWindowLongA(dialog, GWL_EXSTYLE));
  RECT now;
  GetWindowRect(dialog, &now);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  const int x = (now.left + now.right - w) / 2, y = (now.top + now.bottom - h) / 2;
  SetWindowPos(dialog, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

// An edit field (or the edit inside a list or picker).
inline bool IsTextField(HWND window) {
  char cls[16] = "";
  return window != nullptr && GetClassNameA(window, cls, sizeof cls) && lstrcmpiA(cls, "Edit") == 0;
}

// The pointer's position in a window's client pixels, now: WM_SETCURSOR
// comes before the WM_MOUSEMOVE of the same move.
inline POINT PointerIn(HWND window) {
  POINT p{};
  GetCursorPos(&p);
  ScreenToClient(window, &p);
  return p;
}

// WM_SETCURSOR over a painted button: the hand, and the dialog's answer.
inline INT_PTR ShowHandCursor(HWND dialog) {
  SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
  SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
  return TRUE;
}

// WM_SETCURSOR of a window with painted buttons: the hand while the pointer
// is over the window's own client area inside one of `zones`.
inline INT_PTR HandOverZones(HWND window, WPARAM wParam, LPARAM lParam, std::initializer_list<HotZone> zones) {
  if (reinterpret_cast<HWND>(wParam) != window || LOWORD(lParam) != HTCLIENT) return FALSE;
  const POINT p = PointerIn(window);
  for (const HotZone& zone : zones) {
    if (zone.Contains(p.x, p.y)) return ShowHandCursor(window);
  }
  return FALSE;
}

// A control made by the program in a dialog, in the dialog's own font.
inline HWND CreateControl(HWND dialog, HINSTANCE instance, const char* cls, const char* text, DWORD style, int x,
                          int y, int width, int height, int id, DWORD exStyle = 0) {
  HWND control = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (control) SendMessageA(control, WM_SETFONT, SendMessageA(dialog, WM_GETFONT, 0, 0), FALSE);
  return control;
}

// A dialog's save that failed: a box with the system's message and what was
// not saved; the dialog then stays open with the user's values. True when
// there was a failure to tell.
inline bool SaidNotSaved(HWND dialog, const FileError& error, const std::string& notSaved) {
  if (!error) return false;
  MessageBoxA(dialog, (error.message + "\n\n" + notSaved).c_str(), "Voltaris", MB_OK | MB_ICONERROR);
  return true;
}
// Where Voltaris must be installed for its settings to be written.
constexpr char kWritableFolderHint[] =
    " Voltaris keeps its settings beside Voltaris.exe: install it in a folder you may write to.";

// "Times New Roman" of weight 500, for the texts painted on the dialogs.
inline HFONT CreateLabelFont(int height) {
  return CreateFontA(height, 0, 0, 0, 500, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Times New Roman");
}

}  // namespace voltaris
