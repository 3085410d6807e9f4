// Which description a document is, by its file's name, and where the line description of a
// train description stands: X_linea.txt is the line X, X_Y-.txt the train Y on it, checked with
// the X_linea.txt in the same folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/editor_server/record_grammar.h"

namespace tool::editor {

// A line description (name ending in _linea.txt, any capitals), a train description (ending in
// -.txt), or nothing for another file.
std::optional<DescriptionKind> descriptionKindOf(std::string_view path);

// The line descriptions a train description X_Y-.txt may belong to, in the order they are
// tried: X_linea.txt beside it for each X before a "_" of its name, the shortest first, so that
// a train name may itself hold "_".
std::vector<std::string> lineCandidates(std::string_view trainPath);

}  // namespace tool::editor
