#include "tools/command_line/subcommands.h"

#include <CLI/CLI.hpp>
#include <memory>

#include "tools/command_line/common_options.h"
#include "tools/command_line/compile_command.h"
#include "tools/command_line/exit_status.h"

namespace tool {
namespace {

constexpr const char* kCompileFooter = R"(Names:
  LINE_FILE named X_linea.txt gives the line name X. TRAIN_FILE named X_Y-.txt, where X is
  the line name, gives the train name Y: the leading "X_" is stripped, so Y may hold "_".
  A file named otherwise needs --line-name or --train-name. Names are printable ASCII
  without "/" or "\".
Output: X_linea.dat (not with --no-track-plan), X_Y.sim and X_Y.dat in the --out directory
  (made, with the folders above it, when it does not exist), each replaced whole; where a name is a link to a file, the file it names is replaced and
  the link kept; a device or a FIFO is written into. LINE_FILE and TRAIN_FILE are never
  changed or deleted, nor written under another name. A description above 64 MiB is refused.
Exit status:
  0  compiled, nothing recorded
  1  a failure was recorded (told on stderr), or a warning says the files would not hold
     what the descriptions say (field-count, unknown-keyword, value-out-of-range; named on
     stderr): no compiled file written, the files already in the --out directory left as
     they were. -Wno-error=NAME lets that warning pass. With --write-on-error the files are
     written all the same, byte for byte as the installer writes them, and the status tells
     only a recorded failure
  2  nothing written: usage error, input that cannot be read or is above 64 MiB, a
     compiled file that would take an input's place, data in the place of the stamps
     (error 1250 or 1251), or descriptions that give no route
  3  a compiled file, or what goes to stdout, could not be written (the files before it
     stay written)
  4  internal error, out of memory
Warnings about likely mistakes in the descriptions go to stderr as `check` gives them
  (-w silences them), at most 50 with the count of the rest; besides the three above, they
  change neither the files nor the status.
With --json, stdout carries one object: errorCode, errorPosition, fatal (null, 1250 or
  1251), files (the names written, in order), status, problem, file, line, column, message,
  sourceLine (cut around the column when long), sourceColumn, warnings, warningsLeftOut.)";

}  // namespace

Subcommand addCompileCommand(CLI::App& app, std::vector<std::string> relaxedWarnings) {
    struct Parsed {
        CompileOptions options;
        bool noTrackPlan = false;
        bool quiet = false;
    };
    const auto parsed = std::make_shared<Parsed>();
    CompileOptions& options = parsed->options;
    options.relaxed = std::move(relaxedWarnings);
    CLI::App* command = app.add_subcommand(
        "compile", "Compile a line description and a train description, and check them.");
    addDescriptionFiles(*command, options.lineFile, options.trainFile);
    requireExistingFolder(
        *command->add_option("--out", options.outDir,
                             "directory for the compiled files, made when it does not exist "
                             "(default: the current directory)"),
        true);
    command->add_flag("--no-track-plan", parsed->noTrackPlan, "compile without the line plan file");
    addNameOptions(*command, options.lineName, options.trainName);
    command->add_flag("--json", options.json, "print the result as one JSON object on stdout");
    command->add_flag("--write-on-error", options.writeOnError,
                      "write the compiled files even when a failure is recorded, as the "
                      "installer does");
    command->add_flag("-w", parsed->quiet, "do not show warnings about the descriptions");
    command->footer(kCompileFooter);
    const auto run = [parsed](std::ostream& out, std::ostream& err) {
        parsed->options.trackPlan = !parsed->noTrackPlan;
        parsed->options.showWarnings = !parsed->quiet;
        return runCompile(parsed->options, out, err);
    };
    return {.app = command, .run = run, .json = &options.json, .outputFailed = kExitOutputFailed};
}

}  // namespace tool
