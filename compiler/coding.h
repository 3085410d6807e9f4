// The byte order of the compiled files, stated once: every field is little-endian, whatever the
// host's order. The encoders, the plan's bulk writer and the decoders all go through the two
// templates below.
#pragma once

#include <bit>
#include <concepts>
#include <cstdint>
#include <cstring>

namespace scenario::coding {

namespace detail {
template <std::unsigned_integral T>
T swapBytes(T v) {
    if constexpr (sizeof(T) == 2) return static_cast<T>(__builtin_bswap16(v));
    if constexpr (sizeof(T) == 4) return static_cast<T>(__builtin_bswap32(v));
    if constexpr (sizeof(T) == 8) return static_cast<T>(__builtin_bswap64(v));
    return v;
}
}  // namespace detail

// Stores `v` at `out` as its little-endian bytes; returns the byte after them.
template <std::unsigned_integral T>
char* storeLittleEndian(char* out, T v) {
    if constexpr (std::endian::native == std::endian::big) v = detail::swapBytes(v);
    std::memcpy(out, &v, sizeof v);
    return out + sizeof v;
}

// The value whose little-endian bytes start at `p`.
template <std::unsigned_integral T>
T loadLittleEndian(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = detail::swapBytes(v);
    return v;
}

inline std::uint16_t decodeFixed16(const char* p) {
    return loadLittleEndian<std::uint16_t>(p);
}
inline std::uint32_t decodeFixed32(const char* p) {
    return loadLittleEndian<std::uint32_t>(p);
}
inline std::uint64_t decodeFixed64(const char* p) {
    return loadLittleEndian<std::uint64_t>(p);
}
inline double decodeDouble(const char* p) {
    return std::bit_cast<double>(decodeFixed64(p));
}

}  // namespace scenario::coding
