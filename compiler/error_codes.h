// The failure codes the compiler records, in words for the people who write descriptions.
#pragma once

#include <cstdint>
#include <string_view>

namespace scenario {

// A short description of `code`, or an empty view for a code the compiler never records.
std::string_view describeErrorCode(std::int32_t code);

// Whether a recorded code carries a position in metres in errorPosition.
bool errorCodeHasPosition(std::int32_t code);

}  // namespace scenario
