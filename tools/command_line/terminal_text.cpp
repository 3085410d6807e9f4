#include "tools/command_line/terminal_text.h"

#include <cstdio>

namespace tool {
namespace {

bool isC0(unsigned char byte) {
    return (byte < 0x20 && byte != '\t') || byte == 0x7F;
}

// A C1 control, U+0080 to U+009F, is C2 80 to C2 9F in UTF-8.
bool isC1(std::string_view utf8, std::size_t at) {
    return static_cast<unsigned char>(utf8[at]) == 0xC2 && at + 1 < utf8.size() &&
           static_cast<unsigned char>(utf8[at + 1]) >= 0x80 &&
           static_cast<unsigned char>(utf8[at + 1]) <= 0x9F;
}

std::size_t utf8Length(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

}  // namespace

ShownCharacter shownCharacter(std::string_view utf8, std::size_t at) {
    const auto byte = static_cast<unsigned char>(utf8[at]);
    if (isC0(byte)) return {1, 4};
    if (isC1(utf8, at)) return {2, 6};
    std::size_t bytes = utf8Length(byte);
    // A broken sequence counts each byte on its own, as a terminal shows it.
    for (std::size_t i = 1; i < bytes; ++i) {
        if (at + i >= utf8.size() || (static_cast<unsigned char>(utf8[at + i]) & 0xC0) != 0x80) {
            bytes = 1;
            break;
        }
    }
    return {bytes, 1};
}

std::string shownText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    char escape[8];
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (isC0(byte)) {
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            out += escape;
        } else if (isC1(utf8, i)) {
            std::snprintf(escape, sizeof escape, "\\u%04x",
                          static_cast<unsigned>(static_cast<unsigned char>(utf8[i + 1])));
            out += escape;
            ++i;
        } else {
            out += utf8[i];
        }
    }
    return out;
}

ShownTextOutput::~ShownTextOutput() {
    if (leadHeld_) target_.put(static_cast<char>(0xC2));
    target_.flush();
}

void ShownTextOutput::put(unsigned char byte) {
    char escape[8];
    if (leadHeld_) {
        leadHeld_ = false;
        if (byte >= 0x80 && byte <= 0x9F) {
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(byte));
            target_ << escape;
            return;
        }
        target_.put(static_cast<char>(0xC2));
    }
    if (byte == 0xC2) {
        leadHeld_ = true;
    } else if (byte != '\n' && isC0(byte)) {
        std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(byte));
        target_ << escape;
    } else {
        target_.put(static_cast<char>(byte));
    }
}

ShownTextOutput::int_type ShownTextOutput::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    put(static_cast<unsigned char>(traits_type::to_char_type(c)));
    return target_ ? c : traits_type::eof();
}

std::streamsize ShownTextOutput::xsputn(const char* s, std::streamsize n) {
    for (std::streamsize i = 0; i < n; ++i) put(static_cast<unsigned char>(s[i]));
    return target_ ? n : 0;
}

int ShownTextOutput::sync() {
    target_.flush();
    return target_ ? 0 : -1;
}

}  // namespace tool
