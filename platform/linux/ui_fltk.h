// The installer's window and message box drawn with FLTK on an X display.
#pragma once

#include <memory>

#include "platform/ui.h"

struct _XDisplay;  // Xlib's Display

namespace platform::x11 {

// The window Ui on `display`, an open connection that the toolkit takes over for the rest of
// the process. When the toolkit already has a display, `display` is closed and the toolkit's
// own is kept.
std::unique_ptr<Ui> makeWindowUi(_XDisplay* display);

}  // namespace platform::x11
