// Runs a program as a whole process, as a user would start it from a terminal without a
// display, and times it. Its peak memory is not taken here: a child started without copying
// the caller's memory is charged the caller's peak too, so it is measured from a small parent
// (scripts/bench.sh uses /usr/bin/time).
#pragma once

#include <string>

namespace bench {

struct ProcessRun {
    double seconds = 0;   // from the spawn to the end of the wait, wall clock
    int exitStatus = -1;  // the exit status, or -1 when it ended by a signal
};

// Starts `executable` without arguments, with standard input from /dev/null and the caller's
// environment less DISPLAY, and waits for it. Throws std::system_error when it cannot start.
ProcessRun runProcess(const std::string& executable);

}  // namespace bench
