// Test failures show an error code as its number and words, not as raw bytes.
#pragma once

#include <ostream>

#include "compiler/error_codes.h"

namespace scenario {

inline void PrintTo(ErrorCode code, std::ostream* out) {
    *out << "error " << codeNumber(code);
    if (const std::string_view words = describeErrorCode(code); !words.empty()) {
        *out << " (" << words << ")";
    }
}

}  // namespace scenario
