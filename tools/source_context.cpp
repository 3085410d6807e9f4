#include "tools/source_context.h"

#include <algorithm>

#include "compiler/windows1252.h"
#include "tools/terminal_text.h"

namespace tool {
namespace {

// The bytes of line `line` (from 1), without its end.
std::optional<std::string_view> rawLine(std::string_view text, int line) {
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
    return text.substr(start, end == std::string_view::npos ? end : end - start);
}

}  // namespace

std::optional<std::string> sourceLine(std::string_view text, int line) {
    const std::optional<std::string_view> raw = rawLine(text, line);
    if (!raw) return std::nullopt;
    return scenario::utf8FromWindows1252(*raw);
}

std::optional<SourceExcerpt> sourceExcerpt(std::string_view text, int line, int column) {
    const std::optional<std::string_view> raw = rawLine(text, line);
    if (!raw) return std::nullopt;
    if (raw->size() <= kContextBytesBefore + kContextBytesAfter) {
        return SourceExcerpt{scenario::utf8FromWindows1252(*raw), column};
    }
    // One byte of the description is one character, so byte columns cut cleanly.
    const std::size_t at = column > 1 ? static_cast<std::size_t>(column - 1) : 0;
    const std::size_t from = at > kContextBytesBefore ? at - kContextBytesBefore : 0;
    const std::size_t to = std::min(raw->size(), at + kContextBytesAfter);
    SourceExcerpt excerpt;
    if (from > 0) excerpt.text = kCutMarker;
    excerpt.column = static_cast<int>(excerpt.text.size() + (at - from) + 1);
    excerpt.text += scenario::utf8FromWindows1252(raw->substr(from, to > from ? to - from : 0));
    if (to < raw->size()) excerpt.text += kCutMarker;
    return excerpt;
}

std::string caretLines(std::string_view lineUtf8, int column) {
    std::string caret;
    // Columns count characters; an escaped control character takes the room of its escape.
    int seen = 1;
    std::size_t i = 0;
    while (i < lineUtf8.size() && seen < column) {
        const ShownCharacter shown = shownCharacter(lineUtf8, i);
        caret += lineUtf8[i] == '\t' ? std::string(1, '\t') : std::string(shown.width, ' ');
        i += shown.bytes;
        ++seen;
    }
    for (; seen < column; ++seen) caret += ' ';
    return "    " + shownText(lineUtf8) + "\n    " + caret + "^\n";
}

}  // namespace tool
