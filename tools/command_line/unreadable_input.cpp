#include "tools/command_line/unreadable_input.h"

namespace tool {

std::string unreadableInput(const std::string& path, platform::ReadStatus status,
                            const std::string& reason) {
    if (status == platform::ReadStatus::missing) return path + ": no such file";
    return path + ": cannot be read" + (reason.empty() ? "" : ": " + reason);
}

}  // namespace tool
