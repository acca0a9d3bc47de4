#include "app/picture_panes_win.h"

#include <cstring>

#include "gui/paint_win.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr COLORREF kPaneBlue = 0xFFC0C0;

struct PicturePane {
  const char* className;
  int bitmap;
};
constexpr PicturePane kPanes[] = {
    {"pic4", IDB_SETUP_SIDE},
    {"pic6", IDB_ALARM_SIDE},
    {"pic7", 0},  // the alarm dialog's empty strip
    {"pic14", IDB_SCHEDULE_SIDE},
};

int BitmapOf(HWND pane) {
  char name[16] = "";
  GetClassNameA(pane, name, sizeof name);
  for (const PicturePane& p : kPanes) {
    if (std::strcmp(p.className, name) == 0) return p.bitmap;
  }
  return 0;
}

LRESULT CALLBACK PaneProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcA(hwnd, message, wParam, lParam);
  PaintBitmaps(hwnd, InstanceOf(hwnd), {{BitmapOf(hwnd), 0, 0}});
  return 0;
}

}  // namespace

bool RegisterPicturePanes(HINSTANCE instance) {
  bool all = true;
  for (const PicturePane& p : kPanes) all = RegisterSkinClass(instance, p.className, PaneProcedure, kPaneBlue) && all;
  return all;
}

}  // namespace voltaris
