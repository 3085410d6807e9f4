#include "tools/editor_server/saved_bytes.h"

#include <optional>

#include "common/windows1252.h"

namespace tool::editor {
namespace {

constexpr char32_t kNoCharacter = 0xFFFD;

// What a lead byte tells of its UTF-8 sequence: its length, its bits of the character, and
// the smallest character a sequence of that length may carry.
struct Lead {
    std::size_t bytes = 0;
    char32_t bits = 0;
    char32_t smallest = 0;
};

std::optional<Lead> leadOf(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return Lead{2, lead & 0x1Fu, 0x80};
    if (lead >= 0xE0 && lead <= 0xEF) return Lead{3, lead & 0x0Fu, 0x800};
    if (lead >= 0xF0 && lead <= 0xF4) return Lead{4, lead & 0x07u, 0x10000};
    return std::nullopt;
}

// The character that starts at `at` (at a byte of 0x80 or above), and advances past it; a byte
// that starts no whole UTF-8 sequence is one character of its own, kNoCharacter.
char32_t decode(std::string_view text, std::size_t& at) {
    const std::optional<Lead> lead = leadOf(static_cast<unsigned char>(text[at]));
    if (!lead || at + lead->bytes > text.size()) {
        ++at;
        return kNoCharacter;
    }
    char32_t c = lead->bits;
    for (std::size_t i = 1; i < lead->bytes; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            ++at;
            return kNoCharacter;
        }
        c = (c << 6) | (next & 0x3Fu);
    }
    if (c < lead->smallest || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        ++at;
        return kNoCharacter;
    }
    at += lead->bytes;
    return c;
}

}  // namespace

SavedBytes bytesAsSaved(std::string_view utf8) {
    SavedBytes saved;
    saved.bytes.reserve(utf8.size());
    std::size_t line = 0;
    std::size_t lineStart = 0;  // in saved.bytes
    for (std::size_t at = 0; at < utf8.size();) {
        const char first = utf8[at];
        if (static_cast<unsigned char>(first) < 0x80) {
            saved.bytes.push_back(first);
            ++at;
            const bool endsLine =
                first == '\n' || (first == '\r' && (at >= utf8.size() || utf8[at] != '\n'));
            if (endsLine) {
                ++line;
                lineStart = saved.bytes.size();
            }
            continue;
        }
        const char32_t c = decode(utf8, at);
        const std::optional<unsigned char> byte = common::windows1252ByteOf(c);
        if (!byte || c == kNoCharacter) {
            if (saved.unsavable.size() < kMaxUnsavableTold) {
                saved.unsavable.push_back({line, saved.bytes.size() - lineStart, c});
            }
            ++saved.unsavableCount;
            saved.bytes.push_back(kUnsavableByte);
            continue;
        }
        saved.bytes.push_back(static_cast<char>(*byte));
    }
    return saved;
}

}  // namespace tool::editor
