// Fixed-width records: numbers right-aligned in fields of a given width, joined by commas.
#pragma once

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace scenario::content {

// `value` right-aligned in `width` characters. A value wider than its field would shift every
// later field of the record, so it is refused.
inline std::string rightAligned(std::string_view value, std::size_t width) {
    if (value.size() > width) {
        throw std::length_error("\"" + std::string(value) + "\" is wider than its field of " +
                                std::to_string(width));
    }
    return std::string(width - value.size(), ' ') + std::string(value);
}

inline std::string rightAligned(int value, std::size_t width) {
    return rightAligned(std::to_string(value), width);
}

// The keyword, then a comma and each value in its field.
template <std::size_t N>
std::string fixedWidthRecord(std::string_view keyword, const std::array<int, N>& values,
                             const std::array<std::size_t, N>& widths) {
    std::string record(keyword);
    for (std::size_t i = 0; i < N; ++i) {
        record += ',';
        record += rightAligned(values[i], widths[i]);
    }
    return record;
}

}  // namespace scenario::content
