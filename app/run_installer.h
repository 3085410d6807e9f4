// The program's entry logic, apart from main so that the tests can drive it with their own Ui
// and directory.
#pragma once

#include <functional>

#include "app/main_window.h"
#include "platform/ui.h"

namespace app {

// Runs the installer on `ui` with its files in the directory `appDir` gives, closes the window
// and returns the process exit status (app/exit_status.h). Never throws.
int runInstaller(platform::Ui& ui, DirectoryProvider appDir = &platform::appDir);

// Runs `run`, then closes the window. A failure that escapes `run` is told to the user through
// `ui` (a file that cannot be written, no memory, anything else) and turned into its exit
// status; the end of the program that `errore` asks for gives the status it carries, since its
// message has been shown already. Never throws.
int runReportingFailures(platform::Ui& ui, const std::function<void()>& run);

}  // namespace app
