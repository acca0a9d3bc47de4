// What the program's dialogs share: the one procedure that hands the
// messages to the object that keeps the dialog, the hand cursor over painted
// buttons, and the label font.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "base/durable_file.h"
#include "res/skin_layout.h"

namespace voltaris {

template <typename Dialog>
INT_PTR CALLBACK DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// A dialog kept by an object: its handle while it is open. The object is
// found by DialogProcedure<Dialog>, which gives it the handle before OnInit
// and takes it back when the window goes.
class KeptDialog {
 public:
  bool IsOpen() const { return hwnd_ != nullptr; }
  HWND Handle() const { return hwnd_; }

 protected:
  // Creates the dialog from its template with `this` as the Dialog it is;
  // its handle, or null when it could not be made.
  template <typename Dialog>
  HWND CreateFrom(HINSTANCE instance, HWND owner, int templateId) {
    CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), owner, DialogProcedure<Dialog>,
                       reinterpret_cast<LPARAM>(static_cast<Dialog*>(this)));
    return hwnd_;
  }
  // Forgets the window before destroying it, so that the messages of its
  // ending are not handled as if it were still open.
  void Destroy() {
    HWND hwnd = hwnd_;
    hwnd_ = nullptr;
    DestroyWindow(hwnd);
  }
  // What a dialog with nothing to set up or let go of does.
  void OnInit(HWND) {}
  void OnDestroy() {}

  HWND hwnd_ = nullptr;

  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
};

// The dialog procedure of every dialog of the program, for an object
// derived from KeptDialog with OnMessage(message, wParam, lParam) (and
// OnInit(HWND), OnDestroy() when it has something to set up or let go of):
// WM_INITDIALOG's parameter is the object. Messages reach OnMessage only
// while the object still keeps that window, so a dialog on its way out is
// left alone.
template <typename Dialog>
INT_PTR CALLBACK DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    auto* self = reinterpret_cast<Dialog*>(lParam);
    self->hwnd_ = hwnd;
    self->OnInit(hwnd);
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

// A modeless dialog of the skin: opened once at a time, with the font of its
// painted texts.
class SkinnedDialog : public KeptDialog {
 protected:
  // Creates and shows the dialog from its template, unless it is open. True
  // when it opened now (a second use of its command does nothing).
  template <typename Dialog>
  bool OpenFrom(HINSTANCE instance, HWND owner, int templateId) {
    if (hwnd_) return false;
    if (!CreateFrom<Dialog>(instance, owner, templateId)) return false;
    ShowWindow(hwnd_, SW_SHOW);
    return true;
  }
  void OnDestroy() {
    if (labelFont_) DeleteObject(labelFont_);
    labelFont_ = nullptr;
  }

  HFONT labelFont_ = nullptr;
};

// A dialog shown inside another one as its page. The owner answers the
// page's messages (OnPageMessage) while the owner is open: what the page is
// drawn with goes when the owner does, before the page.
template <typename Owner>
class DialogPage : public KeptDialog {
 public:
  explicit DialogPage(Owner& owner) : owner_(&owner) {}
  // Creates the page (not yet shown) in `parent`; its handle, or null.
  HWND Create(HINSTANCE instance, HWND parent, int templateId) {
    return CreateFrom<DialogPage>(instance, parent, templateId);
  }
  void Close() { Destroy(); }

 private:
  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return owner_->IsOpen() ? owner_->OnPageMessage(message, wParam, lParam) : FALSE;
  }

  Owner* owner_;
};

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

// WM_SETCURSOR of a plain window with painted buttons: the hand while the
// pointer is over the window's own client area where `isButton(x, y)`; the
// default procedure's answer elsewhere.
template <typename IsButton>
LRESULT HandWhere(HWND window, WPARAM wParam, LPARAM lParam, IsButton isButton) {
  const POINT p = PointerIn(window);
  if (reinterpret_cast<HWND>(wParam) != window || LOWORD(lParam) != HTCLIENT || !isButton(p.x, p.y)) {
    return DefWindowProcA(window, WM_SETCURSOR, wParam, lParam);
  }
  SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
  return TRUE;
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

// "Times New Roman" of weight 500, for the texts painted on the dialogs.
inline HFONT CreateLabelFont(int height) {
  return CreateFontA(height, 0, 0, 0, 500, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Times New Roman");
}

}  // namespace voltaris
