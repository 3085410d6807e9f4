// The exit statuses of scenario-tool. Scripts tell a clean compilation (0) from one that
// recorded a failure (1), from runs that wrote nothing because of
// the command line or the inputs (2), and from runs stopped while writing (3).
#pragma once

namespace tool {

inline constexpr int kExitCompiled = 0;
// The compiler recorded a failure in the descriptions: `compile` wrote nothing (or, with
// --write-on-error, everything); `check` found an error.
inline constexpr int kExitFailureRecorded = 1;
// Nothing was written: a usage error, an input that cannot be read, data in the place of the
// stamps (1250, 1251), or descriptions that give no route.
inline constexpr int kExitNothingWritten = 2;
// A compiled file could not be written; the files before it in the order stay written.
inline constexpr int kExitOutputFailed = 3;
// A failure of the tool itself (no memory, an unexpected error).
inline constexpr int kExitInternalError = 4;

}  // namespace tool
