// Long inputs for the tests of bounds: a text written out many times over.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace test_support {

inline std::string repeated(std::string_view text, std::size_t times) {
    std::string out;
    out.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += text;
    return out;
}

}  // namespace test_support
