#include "app/button_bars_win.h"

#include "gui/dialog_win.h"
#include "gui/paint_win.h"
#include "gui/window_thunk_win.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr COLORREF kPanelGrey = 0xE0E0E0;
constexpr char kLeftBarClass[] = "pic";
constexpr char kTopBarClass[] = "pic1";
constexpr int kLeftBarId = 12, kTopBarId = 13;

HWND CreateBar(HINSTANCE instance, HWND main, const char* cls, int x, int width, int height, int id, ButtonBar& bar) {
  return CreateWindowExA(WS_EX_CLIENTEDGE, cls, "", WS_CHILD | WS_VISIBLE | WS_BORDER, x, 0, width, height, main,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, &bar);
}

}  // namespace

bool ButtonBar::IsTop() const { return GetDlgCtrlID(hwnd) == kTopBarId; }

LRESULT ButtonBar::OnCreate(HINSTANCE instance) {
  if (IsTop()) clock_.Create(instance, hwnd);
  return 0;
}

LRESULT ButtonBar::OnPaint() {
  PaintBitmaps(hwnd, InstanceOf(hwnd), {{IsTop() ? IDB_TOP_BAR : IDB_LEFT_BAR, 0, 0}});
  return 0;
}

std::optional<BarAction> ButtonBar::ZoneAt(int x, int y) const {
  return IsTop() ? TopBarZoneAt(x, y) : LeftBarZoneAt(x, y);
}

// The press acts where the pointer is; the top bar's zones also ask whether
// their action may be taken now.
LRESULT ButtonBar::OnPress(int x, int y) {
  const auto action = IsTop() ? TopBarPress(x, y, listener->TopBarNow()) : LeftBarZoneAt(x, y);
  if (action) listener->OnBarAction(*action);
  return 0;
}

LRESULT ButtonBar::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: return OnCreate(reinterpret_cast<CREATESTRUCTA*>(lParam)->hInstance);
    case WM_PAINT: return OnPaint();
    case WM_SETCURSOR:
      return HandWhere(hwnd, wParam, lParam, [this](int x, int y) { return ZoneAt(x, y).has_value(); });
    case WM_LBUTTONDOWN: return OnPress(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

bool ButtonBars::Create(HINSTANCE instance, HWND main, BarListener& listener) {
  left_.listener = top_.listener = &listener;
  HWND left = CreateBar(instance, main, kLeftBarClass, 0, 102, 442, kLeftBarId, left_);
  HWND top = CreateBar(instance, main, kTopBarClass, 100, 638, 80, kTopBarId, top_);
  return left != nullptr && top != nullptr;
}

bool RegisterButtonBars(HINSTANCE instance) {
  bool all = true;
  for (const char* name : {kLeftBarClass, kTopBarClass})
    all = RegisterSkinClass(instance, name, WindowProcedure<ButtonBar>, kPanelGrey) && all;
  return all;
}

}  // namespace voltaris
