// The description values that share one stored value of a route cell: how a placement packs
// them, and how a reader of the compiled route splits them again, side by side so that the two
// cannot disagree.
#pragma once

#include <cstdint>

#include "compiler/rounding.h"

namespace scenario {

// Values stored into narrower fields keep their low bits.
constexpr std::int16_t low16(std::int64_t v) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFF));
}
constexpr std::uint8_t low8(std::int64_t v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

// Two values packed as high × factor + low, with 0 <= low < factor.
struct PackedPair {
    std::int64_t high = 0;
    std::int64_t low = 0;
};

constexpr PackedPair unpack(std::int64_t packed, std::int64_t factor) {
    PackedPair pair{packed / factor, packed % factor};
    if (pair.low < 0) {
        pair.low += factor;
        --pair.high;
    }
    return pair;
}

// A signal's aspect pair (s1 and d1, s2 and d2, s3 and d3): s × 10 + d.
constexpr std::int16_t packAspects(std::int32_t s, std::int32_t d) {
    return low16(std::int64_t{s} * 10 + d);
}
constexpr PackedPair unpackAspects(std::int16_t stored) {
    return unpack(stored, 10);
}

// A signal's fourth value: rapp × 10 + sx × 3 + dx.
struct SignalSides {
    std::int64_t rapp = 0;
    std::int64_t sx = 0;
    std::int64_t dx = 0;
};
constexpr std::int16_t packSignalSides(std::int32_t rapp, std::int32_t sx, std::int32_t dx) {
    return low16(std::int64_t{rapp} * 10 + std::int64_t{sx} * 3 + dx);
}
constexpr SignalSides unpackSignalSides(std::int16_t stored) {
    const PackedPair repetition = unpack(stored, 10);
    const PackedPair sides = unpack(repetition.low, 3);
    return {repetition.high, sides.high, sides.low};
}

// A speed indicator board's speed pair: the left speed × 20 + the right speed / 5, rounded, in
// 64 bits: the placement refuses a pair that does not fit the stored 16.
inline std::int64_t packBoardSpeeds(std::int32_t left, std::int32_t right) {
    return roundHalfEven(static_cast<double>(right) / 5.0 + static_cast<double>(left) * 20.0);
}
// The left speed, and the right one in km/h (a multiple of 5).
constexpr PackedPair unpackBoardSpeeds(std::int16_t stored) {
    const PackedPair pair = unpack(stored, 20);
    return {pair.high, pair.low * 5};
}

// A speed indicator board's stripes: left × 10 + right.
constexpr std::int16_t packStripes(std::int32_t left, std::int32_t right) {
    return low16(std::int64_t{left} * 10 + right);
}
constexpr PackedPair unpackStripes(std::int16_t stored) {
    return unpack(stored, 10);
}

}  // namespace scenario
