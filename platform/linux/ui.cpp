#include "platform/ui.h"

#include <cstdlib>
#include <memory>

#if SCENARIO_GUI
#include "platform/linux/display_probe.h"
#include "platform/linux/window_module_loader.h"

#if defined(__SANITIZE_ADDRESS__)
// The font library under the toolkit keeps its configuration until the process ends; in a
// sanitized build the leak check at exit would otherwise fail every run that opened a window.
// The hooks are read when the process starts, so they are defined here, in the installer, and
// not in the window module that is loaded later.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}
#endif
#endif

namespace platform {

std::unique_ptr<Ui> makeUi() {
#if SCENARIO_GUI
    // The display is opened here, before the toolkit sees it, because the toolkit ends the
    // process when it cannot open one itself. The window code is loaded only then: without a
    // display, or on a machine without the toolkit's libraries, the installer goes headless.
    if (_XDisplay* display =
            x11::openDisplayWithin(std::getenv("DISPLAY"), x11::kDisplayWaitLimit)) {
        x11::MakeWindowUi* const makeWindowUi = x11::loadWindowModule();
        if (makeWindowUi == nullptr) {
            x11::closeDisplay(display);
        } else if (Ui* ui = makeWindowUi(display)) {
            return std::unique_ptr<Ui>(ui);
        }
    }
#endif
    return makeHeadlessUi();
}

}  // namespace platform
