// Places in a description as the editor protocol's ranges. The tools count lines from 1 and
// columns in bytes of Windows-1252 from 1, one byte a character; the editor counts both from 0,
// columns in the units of the position encoding.
#pragma once

#include <cstddef>

#include "tools/editor_server/document_text.h"
#include "tools/editor_server/json_rpc.h"

namespace tool::editor {

// {"start": {"line", "character"}, "end": ...} of bytes `from` to `to` of line `line` (from 0)
// of `text`, UTF-8.
json bytesRange(const DocumentText& text, std::size_t line, std::size_t from, std::size_t to,
                PositionEncoding encoding);

// The field that starts at the character `column` (from 1) of line `line` (from 1): up to the
// next comma or the line's end, blanks before it left out; at least one character where the
// line has one. Line 0, a place not known, is the start of the text.
json fieldRange(const DocumentText& text, int line, int column, PositionEncoding encoding);

// The characters `column` (from 1) to `column + length` of line `line` (from 1); a line past
// the text's last is its end.
json columnsRange(const DocumentText& text, int line, int column, int length,
                  PositionEncoding encoding);

json positionJson(Position at);

}  // namespace tool::editor
