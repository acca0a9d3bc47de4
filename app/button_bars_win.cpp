#include "app/button_bars_win.h"

#include "app/clock_panel_win.h"
#include "gui/dialog_win.h"
#include "gui/paint_win.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr COLORREF kPanelGrey = 0xE0E0E0;
constexpr char kLeftBarClass[] = "pic";
constexpr char kTopBarClass[] = "pic1";
constexpr int kLeftBarId = 12, kTopBarId = 13;

// What a bar keeps: its listener.
struct BarState {
  BarListener* listener = nullptr;
};

bool IsTopBar(HWND bar) { return GetDlgCtrlID(bar) == kTopBarId; }

std::optional<BarAction> ZoneUnder(HWND bar, int x, int y) {
  return IsTopBar(bar) ? TopBarZoneAt(x, y) : LeftBarZoneAt(x, y);
}

// The press acts where the pointer is; the top bar's zones also ask whether
// their action may be taken now.
void OnPress(HWND bar, BarState& state, int x, int y) {
  const auto action = IsTopBar(bar) ? TopBarPress(x, y, state.listener->TopBarNow()) : LeftBarZoneAt(x, y);
  if (action) state.listener->OnBarAction(*action);
}

void Paint(HWND bar) { PaintBitmaps(bar, InstanceOf(bar), {{IsTopBar(bar) ? IDB_TOP_BAR : IDB_LEFT_BAR, 0, 0}}); }

LRESULT CALLBACK BarProcedure(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<BarState*>(GetWindowLongPtrA(bar, GWLP_USERDATA));
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_CREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(bar, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(new BarState{static_cast<BarListener*>(create->lpCreateParams)}));
      if (IsTopBar(bar)) CreateClockPanel(create->hInstance, bar);
      return 0;
    }
    case WM_PAINT: Paint(bar); return 0;
    case WM_SETCURSOR: {
      const POINT p = PointerIn(bar);
      if (reinterpret_cast<HWND>(wParam) != bar || LOWORD(lParam) != HTCLIENT || !ZoneUnder(bar, p.x, p.y)) break;
      SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
      return TRUE;
    }
    case WM_LBUTTONDOWN:
      if (state) OnPress(bar, *state, x, y);
      return 0;
    case WM_NCDESTROY:
      delete state;
      SetWindowLongPtrA(bar, GWLP_USERDATA, 0);
      break;
    default: break;
  }
  return DefWindowProcA(bar, message, wParam, lParam);
}

}  // namespace

bool RegisterButtonBars(HINSTANCE instance) {
  bool all = true;
  for (const char* name : {kLeftBarClass, kTopBarClass})
    all = RegisterSkinClass(instance, name, BarProcedure, kPanelGrey) && all;
  return all;
}

bool CreateButtonBars(HINSTANCE instance, HWND main, BarListener& listener) {
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER;
  HWND left = CreateWindowExA(WS_EX_CLIENTEDGE, kLeftBarClass, "", style, 0, 0, 102, 442, main,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLeftBarId)), instance, &listener);
  HWND top = CreateWindowExA(WS_EX_CLIENTEDGE, kTopBarClass, "", style, 100, 0, 638, 80, main,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTopBarId)), instance, &listener);
  return left != nullptr && top != nullptr;
}

}  // namespace voltaris
