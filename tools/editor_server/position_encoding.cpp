#include "tools/editor_server/position_encoding.h"

namespace tool::editor {
namespace {

// The bytes of the UTF-8 sequence led by `lead`; a byte that leads none counts as one
// character of its own, as the conversion to Windows-1252 takes it.
std::size_t sequenceBytes(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    return 1;
}

// The bytes of the character at `at`: its sequence when whole, else one byte.
std::size_t characterBytes(std::string_view line, std::size_t at) {
    const std::size_t bytes = sequenceBytes(static_cast<unsigned char>(line[at]));
    if (at + bytes > line.size()) return 1;
    for (std::size_t i = 1; i < bytes; ++i) {
        if ((static_cast<unsigned char>(line[at + i]) & 0xC0) != 0x80) return 1;
    }
    return bytes;
}

std::size_t unitsOf(std::size_t bytes, PositionEncoding encoding) {
    if (encoding == PositionEncoding::utf8) return bytes;
    return bytes == 4 ? 2 : 1;  // a character beyond U+FFFF is a surrogate pair
}

}  // namespace

std::size_t unitsBefore(std::string_view line, std::size_t byteOffset, PositionEncoding encoding) {
    if (encoding == PositionEncoding::utf8)
        return byteOffset < line.size() ? byteOffset : line.size();
    std::size_t units = 0;
    for (std::size_t at = 0; at < byteOffset && at < line.size();) {
        const std::size_t bytes = characterBytes(line, at);
        units += unitsOf(bytes, encoding);
        at += bytes;
    }
    return units;
}

std::size_t byteOffsetAt(std::string_view line, std::size_t units, PositionEncoding encoding) {
    std::size_t at = 0;
    std::size_t counted = 0;
    while (at < line.size()) {
        const std::size_t bytes = characterBytes(line, at);
        const std::size_t next = counted + unitsOf(bytes, encoding);
        if (next > units) break;
        counted = next;
        at += bytes;
    }
    return at;
}

std::size_t charactersBefore(std::string_view line, std::size_t byteOffset) {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < byteOffset && at < line.size(); ++characters) {
        at += characterBytes(line, at);
    }
    return characters;
}

std::size_t byteOffsetOfCharacter(std::string_view line, std::size_t characters) {
    std::size_t at = 0;
    for (std::size_t counted = 0; counted < characters && at < line.size(); ++counted) {
        at += characterBytes(line, at);
    }
    return at;
}

}  // namespace tool::editor
