// The one question behind hover, completion, signature help and the colouring: at a position
// of an open description, which line, which record and which of its parts.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "tools/editor_server/document_text.h"
#include "tools/editor_server/open_documents.h"
#include "tools/editor_server/record_line.h"

namespace tool::editor {

struct RecordAt {
    std::size_t line = 0;   // from 0
    std::string_view text;  // the line, UTF-8, without its end
    std::size_t byte = 0;   // the position's byte in the line
    RecordLine read;
    int part = -1;  // as partAt gives it
};

// Nothing for a document that is no description.
std::optional<RecordAt> recordAt(const OpenDocument& doc, Position at, PositionEncoding encoding);

}  // namespace tool::editor
