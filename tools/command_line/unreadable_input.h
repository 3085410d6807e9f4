// How every command tells an input it could not read.
#pragma once

#include <string>

#include "platform/files.h"

namespace tool {

// "PATH: no such file", or "PATH: cannot be read" followed by the system's reason when it gave
// one.
std::string unreadableInput(const std::string& path, platform::ReadStatus status,
                            const std::string& reason);

}  // namespace tool
