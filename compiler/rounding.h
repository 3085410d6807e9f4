// Every real value that becomes an integer in the compiled scenario is taken to the nearest
// integer, halves to the even neighbour.
#pragma once

#include <cmath>
#include <cstdint>

namespace scenario {

inline std::int64_t roundHalfEven(double v) {
    return static_cast<std::int64_t>(std::nearbyint(v));  // the default mode rounds to even
}

// The cell p / 50 + offset, taken to the nearest integer.
inline std::int64_t cellOf(std::int64_t position, int offset) {
    return roundHalfEven(static_cast<double>(position) / 50.0 + offset);
}

}  // namespace scenario
