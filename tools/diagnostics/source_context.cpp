#include "tools/diagnostics/source_context.h"

#include <algorithm>

#include "common/windows1252.h"
#include "tools/command_line/terminal_text.h"

namespace tool {
namespace {

// Where the line after the one starting at `start` begins: past its CR LF, lone CR or lone
// LF; npos when that line is the text's last.
std::size_t nextLineStart(std::string_view text, std::size_t start) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) return end;
    return end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
}

// The line starting at `start`, without its end.
std::string_view lineFrom(std::string_view text, std::size_t start) {
    const std::size_t end = text.find_first_of("\r\n", start);
    return text.substr(start, end == std::string_view::npos ? end : end - start);
}

// The bytes of line `line` (from 1), without its end.
std::optional<std::string_view> rawLine(std::string_view text, int line) {
    if (line < 1) return std::nullopt;
    std::size_t start = 0;
    for (int current = 1; current < line; ++current) {
        start = nextLineStart(text, start);
        if (start == std::string_view::npos) return std::nullopt;
    }
    if (line > 1 && start >= text.size())
        return std::nullopt;  // the text ends with line `line - 1`
    return lineFrom(text, start);
}

// The part of a line shown for `column`: all of it when short, else the bytes around it.
SourceExcerpt excerptOf(std::string_view raw, int column) {
    if (raw.size() <= kContextBytesBefore + kContextBytesAfter) {
        return SourceExcerpt{common::utf8FromWindows1252(raw), column};
    }
    // One byte of the description is one character, so byte columns cut cleanly.
    const std::size_t at = column > 1 ? static_cast<std::size_t>(column - 1) : 0;
    const std::size_t from = at > kContextBytesBefore ? at - kContextBytesBefore : 0;
    const std::size_t to = std::min(raw.size(), at + kContextBytesAfter);
    SourceExcerpt excerpt;
    if (from > 0) excerpt.text = kCutMarker;
    excerpt.column = static_cast<int>(excerpt.text.size() + (at - from) + 1);
    excerpt.text += common::utf8FromWindows1252(raw.substr(from, to > from ? to - from : 0));
    if (to < raw.size()) excerpt.text += kCutMarker;
    return excerpt;
}

}  // namespace

std::optional<std::string> sourceLine(std::string_view text, int line) {
    const std::optional<std::string_view> raw = rawLine(text, line);
    if (!raw) return std::nullopt;
    return common::utf8FromWindows1252(*raw);
}

std::optional<SourceExcerpt> sourceExcerpt(std::string_view text, int line, int column) {
    const std::optional<std::string_view> raw = rawLine(text, line);
    if (!raw) return std::nullopt;
    return excerptOf(*raw, column);
}

SourceLines::SourceLines(std::string_view text) : text_(text) {
    // As rawLine counts them: a line end that closes the text starts no line.
    for (std::size_t start = 0;
         start != std::string_view::npos && (start == 0 || start < text.size());
         start = nextLineStart(text, start)) {
        starts_.push_back(start);
    }
}

std::optional<SourceExcerpt> SourceLines::excerpt(int line, int column) const {
    const auto range = byteRange(line);
    if (!range) return std::nullopt;
    return excerptOf(text_.substr(range->first, range->second - range->first), column);
}

std::optional<std::pair<std::size_t, std::size_t>> SourceLines::byteRange(int line) const {
    if (line < 1 || static_cast<std::size_t>(line) > starts_.size()) return std::nullopt;
    const std::size_t start = starts_[static_cast<std::size_t>(line - 1)];
    return std::pair{start, start + lineFrom(text_, start).size()};
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
