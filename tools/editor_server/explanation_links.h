// Where a diagnostic's explanation is written: its entry in docs/errors.md or docs/warnings.md,
// as an address the editor can open.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tools/diagnostics/diagnostic.h"

namespace tool::editor {

// "error 16: signal cell already taken" as "error-16-signal-cell-already-taken": a heading's
// anchor as Markdown renderers make it (lower case, punctuation dropped, blanks as "-").
std::string headingAnchor(std::string_view heading);

// The address of `d`'s entry under `docs`, a folder's URI ending in "/"; nothing for an error
// the reference has no entry for.
std::optional<std::string> explanationLink(const Diagnostic& d, std::string_view docs);

// The file: URI of the documents folder that came with the program: docs/ beside it (the
// Windows zip), ../share/doc/scenario-tool/docs (the Debian package), or the source tree's
// docs/ for a program run from its build folder; nothing when none holds errors.md.
std::optional<std::string> docsBeside(const std::string& programDir);

}  // namespace tool::editor
