#include "tools/command_line/input_limits.h"

namespace tool {

std::string oversizedDescription(const platform::BoundedRead& read) {
    const std::string bound =
        "the " + std::to_string(kMaxDescriptionBytes) + " bytes (64 MiB) a description may hold";
    return read.sizeExact ? std::to_string(read.size) + " bytes, above " + bound
                          : "more than " + bound;
}

}  // namespace tool
