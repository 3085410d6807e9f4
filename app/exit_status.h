// The installer's exit statuses. Only the first two come from the run itself; the others mean
// the run was stopped by something outside the scenario's own logic.
#pragma once

namespace app {

inline constexpr int kExitSuccess = 0;
// A fatal compiler failure, shown through `errore`.
inline constexpr int kExitFatalCompilerError = 1;
// A file could not be written or deleted (directory not writable, disk full, a directory where a
// file should be).
inline constexpr int kExitFileSystemError = 2;
inline constexpr int kExitOutOfMemory = 3;
// Any other failure of the program itself.
inline constexpr int kExitInternalError = 4;

}  // namespace app
