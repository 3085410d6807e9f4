// What the editor shows of the record and the field at a position: the hover's text, the
// completion of keywords and headings, and the record's fields as a function call's
// parameters. All start from the one question, which record and which of its fields a position
// of a description is in (record_line.h), and from the record grammar.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "tools/editor_server/json_rpc.h"
#include "tools/editor_server/open_documents.h"

namespace tool::editor {

struct ClientAbilities {
    PositionEncoding encoding = PositionEncoding::utf16;
    bool snippets = false;  // completion items may be snippets with placeholders
};

// What the compiled route holds where the record on a line (counted from 0) put its objects,
// one line a cell; nothing when it cannot be told.
using CompiledCells = std::function<std::optional<std::string>(int line)>;

// textDocument/hover's answer: Markdown on the keyword or the field at `at`; null elsewhere. A
// field of a record that stands at a place tells what `compiled` says its cells hold.
json hoverAt(const OpenDocument& doc, Position at, const ClientAbilities& client,
             const CompiledCells& compiled = {});

// textDocument/completion's answer: keywords and headings where a record may start (the line
// description's general keywords in its general section only); none inside a record's values.
json completionAt(const OpenDocument& doc, Position at, const ClientAbilities& client);

// textDocument/signatureHelp's answer: the record's keyword and fields, the one at `at` active;
// null outside a record's values.
json signatureAt(const OpenDocument& doc, Position at, const ClientAbilities& client);

}  // namespace tool::editor
