// The installer: shows its window, writes and compiles the scenario next to itself, and ends.
// It takes no command line. Exit statuses are listed in app/exit_status.h.
#include <cstdio>
#include <exception>
#include <memory>

#include "app/exit_status.h"
#include "app/run_installer.h"
#include "platform/file_size_limit.h"
#include "platform/ui.h"

int main() {
    platform::letOversizedWritesFail();
    try {
        const std::unique_ptr<platform::Ui> ui = platform::makeUi();
        return app::runInstaller(*ui);
    } catch (...) {
        // Only making the Ui itself can get here; there is nothing to show a message on.
        std::fputs("Installazione interrotta: impossibile avviare il programma\n", stderr);
        return app::kExitInternalError;
    }
}
