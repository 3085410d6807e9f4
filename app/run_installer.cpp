#include "app/run_installer.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <utility>

#include "app/exit_status.h"
#include "platform/files.h"

namespace app {

namespace {

// Shows `message` and gives back `status`. Telling the user must not become a failure of its
// own: when even that is impossible the message goes to standard error as it is.
int report(platform::Ui& ui, const char* prefix, const char* detail, int status) noexcept {
    try {
        ui.showMessage(std::string(prefix) + detail);
    } catch (...) {
        std::fprintf(stderr, "%s%s\n", prefix, detail);
    }
    return status;
}

void closeWindow(platform::Ui& ui) noexcept {
    try {
        ui.close();
    } catch (...) {
        // The program is ending; a window that cannot be closed goes with the process.
    }
}

}  // namespace

int runReportingFailures(platform::Ui& ui, const std::function<void()>& run) {
    int status = kExitSuccess;
    try {
        run();
    } catch (const ProgramEnd& end) {
        status = end.exitStatus;
    } catch (const platform::FileError& e) {
        status = report(ui, "Installazione interrotta, errore nei file: ", e.what(),
                        kExitFileSystemError);
    } catch (const std::bad_alloc&) {
        status =
            report(ui, "Installazione interrotta: ", "memoria insufficiente", kExitOutOfMemory);
    } catch (const std::exception& e) {
        status =
            report(ui, "Installazione interrotta, errore interno: ", e.what(), kExitInternalError);
    } catch (...) {
        status = report(ui, "Installazione interrotta, errore interno: ", "errore sconosciuto",
                        kExitInternalError);
    }
    closeWindow(ui);
    return status;
}

int runInstaller(platform::Ui& ui, DirectoryProvider appDir) {
    return runReportingFailures(ui, [&] {
        Form1 form(ui, std::move(appDir));
        form.Form_Load();
    });
}

}  // namespace app
