#include "app/picture_panes_win.h"

#include "gui/picture_pane_win.h"
#include "gui/window_thunk_win.h"

namespace voltaris {
namespace {

constexpr COLORREF kPaneBlue = 0xFFC0C0;

// The settings dialog's "pic4", the alarm dialog's "pic6" and "pic7" (its
// empty strip) and the schedule dialogs' "pic14".
constexpr const char* kPaneClasses[] = {"pic4", "pic6", "pic7", "pic14"};

}  // namespace

bool RegisterPicturePanes(HINSTANCE instance) {
  bool all = true;
  for (const char* name : kPaneClasses) {
    all = RegisterSkinClass(instance, name, WindowProcedure<PicturePane>, kPaneBlue) && all;
  }
  return all;
}

}  // namespace voltaris
