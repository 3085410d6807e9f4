// One description checked as `scenario-tool check` checks it, from the editor's text: a line
// description alone, or a train description with its line description (the editor's text when
// it is open, the file when not). The result is the editor protocol's diagnostics for the one
// description checked.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "tools/editor_server/document_text.h"
#include "tools/editor_server/json_rpc.h"
#include "tools/editor_server/record_grammar.h"

namespace tool::editor {

struct DescriptionInput {
    std::string path;  // names the description in the diagnostics' words
    std::string uri;
    std::shared_ptr<const DocumentText> text;  // the editor's text, or null: read from `path`
};

struct CheckOrder {
    DescriptionKind kind = DescriptionKind::line;
    DescriptionInput target;  // the description whose diagnostics are wanted; open
    // For a train description: its line description, or nothing when none was found beside it
    // (`expectedLine` then names where it was looked for).
    std::optional<DescriptionInput> line;
    std::string expectedLine;
};

struct DiagnosticStyle {
    PositionEncoding encoding = PositionEncoding::utf16;
    std::optional<std::string> docs;  // the URI of the explanations' folder, ending in "/"
};

struct CompiledPair;  // compiled_cells.h

struct CheckedDescription {
    // A JSON array of the protocol's Diagnostic objects, each that has a mechanical mend
    // carrying it as data.replacement ({range, newText}).
    json diagnostics;
    // For a train description with its line: the pair as the check compiled it, so that what
    // the editor shows of the compiled route needs no compilation of its own.
    std::shared_ptr<const CompiledPair> compiled;
};

// The diagnostics of order.target.
CheckedDescription checkDescription(const CheckOrder& order, const DiagnosticStyle& style);

}  // namespace tool::editor
