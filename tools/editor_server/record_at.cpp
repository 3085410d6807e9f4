#include "tools/editor_server/record_at.h"

namespace tool::editor {

std::optional<RecordAt> recordAt(const OpenDocument& doc, Position at, PositionEncoding encoding) {
    if (!doc.kind || at.line >= doc.text->lineCount()) return std::nullopt;
    RecordAt found;
    found.line = at.line;
    found.text = doc.text->line(at.line);
    found.byte = byteOffsetAt(found.text, at.character, encoding);
    found.read = readRecordLine(found.text, *doc.kind);
    found.part = partAt(found.read, found.byte);
    return found;
}

}  // namespace tool::editor
