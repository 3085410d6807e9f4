#include "tools/command_line/subcommands.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "tools/command_line/exit_status.h"
#include "tools/diagnostics/explain_command.h"

namespace tool {
namespace {

constexpr const char* kExplainFooter =
    R"(Prints the entry of the error reference (docs/errors.md) for CODE, the number a
  compile message names ("error 16"): what it means, the usual cause, how to mend it and a
  minimal example that compiles to it.
Exit status:
  0  the entry was printed
  2  usage error, or CODE is not a code the compiler records (the known codes are listed)
  3  the entry could not be written to stdout)";

}  // namespace

Subcommand addExplainCommand(CLI::App& app) {
    const auto code = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "explain", "Explain an error code: what it means, its usual cause, how to mend it.");
    command->add_option("CODE", *code, "the code a message names, as in \"error 16\"")->required();
    command->footer(kExplainFooter);
    const auto run = [code](std::ostream& out, std::ostream& err) {
        return runExplain(*code, out, err);
    };
    return {.app = command, .run = run, .json = nullptr, .outputFailed = kExitOutputFailed};
}

}  // namespace tool
