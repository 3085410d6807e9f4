// Little-endian encoding of the compiled files' fields, whatever the host's byte order.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace scenario::coding {

inline void putFixed8(std::string& out, std::uint8_t v) {
    out.push_back(static_cast<char>(v));
}

inline void putFixed16(std::string& out, std::uint16_t v) {
    const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    out.append(bytes, 2);
}

inline void putFixed32(std::string& out, std::uint32_t v) {
    const char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                           static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
    out.append(bytes, 4);
}

inline void putFixed64(std::string& out, std::uint64_t v) {
    putFixed32(out, static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
    putFixed32(out, static_cast<std::uint32_t>(v >> 32));
}

inline void putInt16(std::string& out, std::int16_t v) {
    putFixed16(out, static_cast<std::uint16_t>(v));
}
inline void putInt32(std::string& out, std::int32_t v) {
    putFixed32(out, static_cast<std::uint32_t>(v));
}

// IEEE 754 binary64.
inline void putDouble(std::string& out, double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    putFixed64(out, bits);
}

inline std::uint16_t decodeFixed16(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

inline std::uint32_t decodeFixed32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

inline std::uint64_t decodeFixed64(const char* p) {
    return decodeFixed32(p) | (static_cast<std::uint64_t>(decodeFixed32(p + 4)) << 32);
}

inline double decodeDouble(const char* p) {
    const std::uint64_t bits = decodeFixed64(p);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

}  // namespace scenario::coding
