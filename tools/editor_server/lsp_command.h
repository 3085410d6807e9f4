// `scenario-tool lsp`: a language server for the description files, over standard input and
// output, for any editor that speaks the Language Server Protocol (docs/editors.md).
#pragma once

#include <ostream>
#include <string>

namespace tool {

struct LspOptions {
    bool viewer = false;  // serve the live viewer of the pair opened, linked to the editor
    std::string listen = "127.0.0.1";
    int port = 0;  // any free port
};

// Serves until the editor says `exit` or closes standard input. Exit status: 0 after
// `shutdown` then `exit`, 1 when the input ended without them; the caller turns either into
// its output-failure status when what went to `out` could not be written.
int runLsp(const LspOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tool
