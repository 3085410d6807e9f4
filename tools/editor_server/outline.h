// The outline of a description: its sections, and under each the records an author looks for
// (stations with their km, signals, slowdowns, boards); and the stations and boards of every
// open description, for the editor's search by name.
#pragma once

#include <string>
#include <vector>

#include "tools/editor_server/json_rpc.h"
#include "tools/editor_server/open_documents.h"

namespace tool::editor {

// textDocument/documentSymbol's answer: DocumentSymbol objects, sections with their records
// as children.
json documentSymbols(const OpenDocument& doc, PositionEncoding encoding);

// workspace/symbol's answer: the stations and boards of `docs` whose name holds `query`
// (capitals or not; every one for an empty query).
json workspaceSymbols(const std::vector<const OpenDocument*>& docs, const std::string& query,
                      PositionEncoding encoding);

}  // namespace tool::editor
