// The colouring an editor may take from the server: keywords, headings, comments, text values,
// and numbers by the kind of their field (a distance, a speed, a time), a field in error marked.
#pragma once

#include <cstddef>

#include "tools/editor_server/json_rpc.h"
#include "tools/editor_server/open_documents.h"

namespace tool::editor {

// The legend of the server's capabilities: the token types and modifiers the data names.
json semanticTokensLegend();

// textDocument/semanticTokens/full and /range: the tokens of lines `first` to `last`
// (inclusive); `diagnostics` are those published for the document's text, whose errors mark the
// fields they stand on.
json semanticTokens(const OpenDocument& doc, std::size_t first, std::size_t last,
                    const json& diagnostics, PositionEncoding encoding);

}  // namespace tool::editor
