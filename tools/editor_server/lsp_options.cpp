#include <CLI/CLI.hpp>
#include <memory>

#include "tools/command_line/exit_status.h"
#include "tools/command_line/subcommands.h"
#include "tools/editor_server/lsp_command.h"

namespace tool {
namespace {

constexpr const char* kLspFooter =
    R"(A language server for the descriptions (X_linea.txt, X_Y-.txt) over standard input
  and output, for an editor that speaks the Language Server Protocol: every error and warning
  of `check` on the field while the author types, the field under the cursor named with its
  unit and meaning, keywords completed, the outline, and quick fixes for misspelt keywords and
  headings. With --viewer the server also serves the page of `serve` for the first train
  description opened and its line description (at --listen, 127.0.0.1 by default, and --port,
  any free port by default; the address is in the editor's log): a code lens on each record
  opens the page at its object, and selecting an object there opens its record in the editor.
  A train description is checked with the X_linea.txt beside it, as the editor holds
  it when it is open, else as saved. Nothing is ever written. docs/editors.md shows the setup
  for several editors.
Exit status:
  0  the editor asked the server to shut down, then to exit
  1  standard input ended without that, or the editor said exit without shutdown
  2  usage error
  3  what goes to stdout could not be written (the editor stopped reading)
  4  internal error)";

}  // namespace

Subcommand addLspCommand(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "lsp", "Serve the descriptions to an editor as a language server, on stdin and stdout.");
    // Some editors start every server with --stdio; standard input and output are the only way.
    const auto stdio = std::make_shared<bool>(false);
    command->add_flag("--stdio", *stdio,
                      "talk over standard input and output (the only way; accepted as editors "
                      "add it)");
    const auto options = std::make_shared<LspOptions>();
    command->add_flag("--viewer", options->viewer,
                      "also serve the live viewer of the pair opened, linked to the editor");
    command->add_option("--port", options->port, "the viewer's port (default 0: any free port)")
        ->check(CLI::Range(0, 65535));
    command
        ->add_option("--listen", options->listen,
                     "the viewer's address (default 127.0.0.1, this machine only)")
        ->check(
            [](const std::string& address) -> std::string {
                return address.empty() ? "an address is needed, such as 127.0.0.1" : "";
            },
            "ADDRESS");
    command->footer(kLspFooter);
    const auto run = [stdio, options](std::ostream& out, std::ostream& err) {
        return runLsp(*options, out, err);
    };
    return {.app = command, .run = run, .json = nullptr, .outputFailed = kExitOutputFailed};
}

}  // namespace tool
