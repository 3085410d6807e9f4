#include "common/windows1252.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace common {
namespace {

// The characters Windows-1252 stores in 0x80 to 0x9F; 0 marks the five positions the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D). Every other byte stands for the character of
// its own number.
constexpr std::array<char32_t, 32> kHighControlRange = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 0x88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 0x98
};

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool inHighControlRange(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F;
}

std::optional<unsigned char> toByte(char32_t c) {
    // U+0080 to U+009F are C1 controls, which the code page does not hold: its bytes 0x80 to
    // 0x9F stand for the characters of the table above.
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
    for (std::size_t i = 0; i < kHighControlRange.size(); ++i) {
        if (kHighControlRange[i] != 0 && kHighControlRange[i] == c) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return std::nullopt;
}

char32_t fromByte(unsigned char byte) {
    if (!inHighControlRange(byte)) return byte;
    const char32_t c = kHighControlRange[byte - 0x80];
    return c == 0 ? kReplacementCharacter : c;
}

[[noreturn]] void reject(std::string_view what, std::size_t offset) {
    throw EncodingError(std::string(what) + " at byte " + std::to_string(offset));
}

// Decodes the character that starts at `offset` and advances past it.
char32_t decode(std::string_view utf8, std::size_t& offset) {
    const std::size_t start = offset;
    const auto lead = static_cast<unsigned char>(utf8[offset++]);
    if (lead < 0x80) return lead;

    int continuation = 0;
    char32_t c = 0;
    char32_t smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuation = 1;
        c = lead & 0x1F;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuation = 2;
        c = lead & 0x0F;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuation = 3;
        c = lead & 0x07;
        smallest = 0x10000;
    } else {
        reject("invalid UTF-8 lead byte", start);
    }
    for (int i = 0; i < continuation; ++i) {
        if (offset >= utf8.size()) reject("truncated UTF-8 sequence", start);
        const auto next = static_cast<unsigned char>(utf8[offset++]);
        if ((next & 0xC0) != 0x80) reject("truncated UTF-8 sequence", start);
        c = (c << 6) | (next & 0x3F);
    }
    if (c < smallest) reject("overlong UTF-8 sequence", start);
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        reject("UTF-8 sequence outside the Unicode characters", start);
    }
    return c;
}

// Every character of the code page lies in the Basic Multilingual Plane: three bytes at most.
void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

std::optional<unsigned char> windows1252ByteOf(char32_t c) {
    return toByte(c);
}

std::string utf8ToWindows1252(std::string_view utf8) {
    std::string bytes;
    bytes.reserve(utf8.size());
    std::size_t offset = 0;
    while (offset < utf8.size()) {
        const std::size_t start = offset;
        const char32_t c = decode(utf8, offset);
        const std::optional<unsigned char> byte = toByte(c);
        if (!byte) {
            char name[16];
            std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
            reject(std::string("character ") + name + " has no Windows-1252 byte", start);
        }
        bytes.push_back(static_cast<char>(*byte));
    }
    return bytes;
}

std::string utf8FromWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) appendUtf8(out, fromByte(static_cast<unsigned char>(c)));
    return out;
}

std::string lowerWindows1252(std::string_view text) {
    std::string lower(text);
    for (char& ch : lower) {
        const auto c = static_cast<unsigned char>(ch);
        unsigned char l = c;
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
            l = static_cast<unsigned char>(c + 0x20);
        } else if (c == 0x8A || c == 0x8C || c == 0x8E) {  // Š Œ Ž
            l = static_cast<unsigned char>(c + 0x10);
        } else if (c == 0x9F) {  // Ÿ
            l = 0xFF;
        }
        ch = static_cast<char>(l);
    }
    return lower;
}

}  // namespace common
