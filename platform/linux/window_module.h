// What the installer and its window module agree on. The window is drawn with a toolkit that
// brings X11 and a score of font and image libraries; they live in a module of their own, carried
// inside the installer and loaded only when a display has answered, so that a run without one
// maps none of them.
#pragma once

#include "platform/ui.h"

struct _XDisplay;  // Xlib's Display

namespace platform::x11 {

// The one function the module exports: the window Ui on `display`, an open connection that the
// toolkit takes over for the rest of the process (when the toolkit already has a display of its
// own, `display` is closed and the toolkit's kept). Null when the Ui cannot be made; `display`
// is then taken over or closed all the same, and the caller goes on without a window.
using MakeWindowUi = Ui*(_XDisplay* display) noexcept;
inline constexpr char kMakeWindowUiSymbol[] = "scenario_make_window_ui";

}  // namespace platform::x11
