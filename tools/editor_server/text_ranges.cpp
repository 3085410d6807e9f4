#include "tools/editor_server/text_ranges.h"

#include <algorithm>

namespace tool::editor {

json positionJson(Position at) {
    return {{"line", at.line}, {"character", at.character}};
}

json bytesRange(const DocumentText& text, std::size_t line, std::size_t from, std::size_t to,
                PositionEncoding encoding) {
    const std::string_view row = text.line(line);
    return {{"start", positionJson({line, unitsBefore(row, from, encoding)})},
            {"end", positionJson({line, unitsBefore(row, to, encoding)})}};
}

json fieldRange(const DocumentText& text, int line, int column, PositionEncoding encoding) {
    if (line < 1 || static_cast<std::size_t>(line) > text.lineCount()) {
        return bytesRange(text, 0, 0, 0, encoding);
    }
    const auto index = static_cast<std::size_t>(line - 1);
    const std::string_view row = text.line(index);
    const std::size_t from =
        byteOffsetOfCharacter(row, column > 1 ? static_cast<std::size_t>(column - 1) : 0);
    std::size_t to = std::min(row.find(',', from), row.size());
    while (to > from && (row[to - 1] == ' ' || row[to - 1] == '\t')) --to;
    if (to == from && from < row.size())
        to = byteOffsetOfCharacter(row, charactersBefore(row, from) + 1);
    return bytesRange(text, index, from, to, encoding);
}

json columnsRange(const DocumentText& text, int line, int column, int length,
                  PositionEncoding encoding) {
    if (line < 1 || static_cast<std::size_t>(line) > text.lineCount()) {
        const Position end = text.positionOf(text.text().size(), encoding);
        return {{"start", positionJson(end)}, {"end", positionJson(end)}};
    }
    const auto index = static_cast<std::size_t>(line - 1);
    const std::string_view row = text.line(index);
    const std::size_t first = column > 1 ? static_cast<std::size_t>(column - 1) : 0;
    const std::size_t from = byteOffsetOfCharacter(row, first);
    const std::size_t to =
        byteOffsetOfCharacter(row, first + static_cast<std::size_t>(std::max(length, 0)));
    return bytesRange(text, index, from, to, encoding);
}

}  // namespace tool::editor
