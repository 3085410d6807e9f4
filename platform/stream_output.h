// Writing into an existing file that is not a plain file (a device, a FIFO, a terminal), as a
// shell's redirection does: opened for writing, never created, renamed or replaced.
#pragma once

#include <string>

#include "platform/files.h"

namespace platform {

// Opens the existing `path` for writing and hands `produce` a sink into it. Throws FileError
// ("cannot write PATH: REASON") when it cannot be opened or a write fails or falls short.
void writeIntoExisting(const std::string& path, const ByteProducer& produce);

}  // namespace platform
