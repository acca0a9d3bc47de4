// The picture panes that the settings, alarm and schedule dialogs hold as
// child windows: window classes registered once by the main window; each
// pane shows the bitmap its dialog gives it (gui/picture_pane_win.h).
#pragma once

#include <windows.h>

namespace voltaris {

// False when a class could not be registered (its dialog then shows no pane).
bool RegisterPicturePanes(HINSTANCE instance);

}  // namespace voltaris
