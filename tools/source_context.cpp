#include "tools/source_context.h"

#include "tools/windows1252.h"

namespace tool {

std::optional<std::string> sourceLine(std::string_view text, int line) {
    if (line < 1) return std::nullopt;
    std::size_t start = 0;
    for (int current = 1; current < line; ++current) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) return std::nullopt;
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    if (line > 1 && start >= text.size())
        return std::nullopt;  // the text ends with line `line - 1`
    const std::size_t end = text.find_first_of("\r\n", start);
    return utf8FromWindows1252(
        text.substr(start, end == std::string_view::npos ? end : end - start));
}

std::string caretLines(std::string_view lineUtf8, int column) {
    std::string caret;
    // Columns count bytes of the description, one per character; count UTF-8 characters here.
    int seen = 1;
    for (std::size_t i = 0; i < lineUtf8.size() && seen < column; ++i) {
        const auto byte = static_cast<unsigned char>(lineUtf8[i]);
        if ((byte & 0xC0) == 0x80) continue;  // continuation byte of the character before
        caret += lineUtf8[i] == '\t' ? '\t' : ' ';
        ++seen;
    }
    for (; seen < column; ++seen) caret += ' ';
    return "    " + std::string(lineUtf8) + "\n    " + caret + "^\n";
}

}  // namespace tool
