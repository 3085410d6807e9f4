// A process whose files may not grow past a limit (RLIMIT_FSIZE, `ulimit -f`) is sent a signal
// that ends it silently when a write goes past the limit, leaving its temporary file behind.
// Ignoring that signal makes the write fail with EFBIG instead, and the file layer then reports
// "File too large" and removes the temporary file like any other failed write.
#pragma once

namespace platform {

// Call once, first thing in main. Nothing to do where the system has no such signal.
void letOversizedWritesFail();

}  // namespace platform
