// What the program's modeless dialogs share: a procedure that hands the
// messages to the object that keeps the dialog, the hand cursor over painted
// buttons, and the label font.
#pragma once

#include <windows.h>

namespace voltaris {

// A modeless dialog kept by an object: its handle while it is open, and the
// font of its painted texts.
class SkinnedDialog {
 public:
  bool IsOpen() const { return hwnd_ != nullptr; }
  HWND Handle() const { return hwnd_; }

 protected:
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
    return FALSE;
  }
  if (self->Handle() != hwnd) return FALSE;
  return self->OnMessage(message, wParam, lParam);
}

// WM_SETCURSOR over a painted button: the hand, and the dialog's answer.
inline INT_PTR ShowHandCursor(HWND dialog) {
  SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
  SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
  return TRUE;
}

// "Times New Roman" of weight 500, for the texts painted on the dialogs.
inline HFONT CreateLabelFont(int height) {
  return CreateFontA(height, 0, 0, 0, 500, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Times New Roman");
}

}  // namespace voltaris
