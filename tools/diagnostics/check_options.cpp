#include "tools/command_line/subcommands.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

#include "tools/command_line/common_options.h"
#include "tools/command_line/exit_status.h"
#include "tools/diagnostics/check_command.h"

namespace tool {
namespace {

constexpr const char* kCheckFooter =
    R"(Reports every error the compiler records in the two descriptions: after a failing
  record it checks on as if that record were left out (such errors are marked), up to 50
  errors. Then warnings about what compiles but is almost certainly not meant, each with a
  name: -Wno-NAME turns one off, --werror counts them as errors (docs/warnings.md).
Each problem: FILE:LINE:COLUMN, the words, the line with a caret under the field, what holds
  a taken cell and where that was written, and a hint how to mend it. Nothing is written.
Exit status:
  0  no error (warnings allowed)
  1  errors, or warnings under --werror
  2  usage error, or an input that cannot be read
  3  what goes to stdout could not be written
  4  internal error
At most 50 warnings are told, the first in file order, with the count of the rest.
With --json, stdout carries one object: status, errors, warnings, limitReached,
  warningsLeftOut, diagnostics (severity, rule, code, position, file, line, column, message,
  hint, sourceLine, afterSkip, heldBy), and problem when the run could not check. With
  --sarif, a SARIF 2.1.0 log: one result per problem, and an invocation with the exit status,
  the warnings left out, and what stopped a run that could not check.)";

}  // namespace

Subcommand addCheckCommand(CLI::App& app, std::vector<std::string> disabledWarnings) {
    struct Parsed {
        CheckOptions options;
        bool noTrackPlan = false;
    };
    const auto parsed = std::make_shared<Parsed>();
    CheckOptions& options = parsed->options;
    options.disabled = std::move(disabledWarnings);
    CLI::App* command = app.add_subcommand(
        "check",
        "Report every error and warning of a line and a train description; write nothing.");
    addDescriptionFiles(*command, options.lineFile, options.trainFile);
    command->add_flag("--no-track-plan", parsed->noTrackPlan,
                      "check as compiled without the line plan");
    addNameOptions(*command, options.lineName, options.trainName);
    CLI::Option* json =
        command->add_flag("--json", options.json, "print one JSON object on stdout");
    command->add_flag("--sarif", options.sarif, "print a SARIF 2.1.0 log on stdout")
        ->excludes(json);
    command->add_flag("--werror", options.werror, "count warnings as errors");
    command->footer(kCheckFooter);
    const auto run = [parsed](std::ostream& out, std::ostream& err) {
        parsed->options.trackPlan = !parsed->noTrackPlan;
        return runCheck(parsed->options, out, err);
    };
    return {.app = command,
            .run = run,
            .json = &options.json,
            .sarif = &options.sarif,
            .outputFailed = kExitOutputFailed};
}

}  // namespace tool
