#include "platform/ui.h"

#include <cstdlib>
#include <memory>

#if SCENARIO_GUI
#include "platform/linux/display_probe.h"
#include "platform/linux/ui_fltk.h"
#endif

namespace platform {

std::unique_ptr<Ui> makeUi() {
#if SCENARIO_GUI
    // The display is opened here, before the toolkit sees it, because the toolkit ends the
    // process when it cannot open one itself.
    if (_XDisplay* display =
            x11::openDisplayWithin(std::getenv("DISPLAY"), x11::kDisplayWaitLimit)) {
        return x11::makeWindowUi(display);
    }
#endif
    return makeHeadlessUi();
}

}  // namespace platform
