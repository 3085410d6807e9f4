// Loading the window module that the installer carries in its own image.
#pragma once

#include "platform/linux/window_module.h"

namespace platform::x11 {

// The module's Ui factory, or null when the module cannot be loaded on this machine (the
// toolkit's or X11's libraries are not installed, or memory files cannot be mapped as code).
// The module is loaded at the first call and stays loaded for the life of the process.
MakeWindowUi* loadWindowModule();

}  // namespace platform::x11
