// A description as a check takes it, from the editor's text or from its file, and the pair of
// descriptions compiled from one or two of them.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "tools/diagnostics/check_errors.h"
#include "tools/editor_server/description_check.h"
#include "tools/editor_server/saved_bytes.h"

namespace tool::editor {

// A description as the check takes it: the bytes compiled, and the UTF-8 text whose lines map
// the diagnostics' columns to the editor's.
struct Loaded {
    std::string path;
    std::string uri;
    std::string bytes;
    SavedBytes saved;  // for the editor's text: what a save could not hold
    std::shared_ptr<const DocumentText> text;
    std::optional<std::string> problem;  // why it is not checked
};

Loaded load(const DescriptionInput& in);

// The pair to compile: `target` alone when it is a line description (`line` null), else
// `target` as the train description with `line`.
CheckInputs inputsOf(const Loaded& target, const Loaded* line);

}  // namespace tool::editor
