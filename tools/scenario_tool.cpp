#include "tools/scenario_tool.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "tools/compile_command.h"
#include "tools/compile_report.h"
#include "tools/exit_status.h"

namespace tool {
namespace {

constexpr const char* kCompileFooter = R"(Names:
  LINE_FILE named X_linea.txt gives the line name X. TRAIN_FILE named X_Y-.txt, where X is
  the line name, gives the train name Y: the leading "X_" is stripped, so Y may hold "_".
  A file named otherwise needs --line-name or --train-name. Names are printable ASCII
  without "/" or "\".
Output: X_linea.dat (not with --no-track-plan), X_Y.sim and X_Y.dat in the --out directory,
  each replaced whole. LINE_FILE and TRAIN_FILE are never changed or deleted.
Exit status:
  0  compiled, nothing recorded
  1  compiled, a failure was recorded (told on stderr; the files are written all the same)
  2  nothing written: usage error, input that cannot be read, data in the place of the
     stamps (error 1250 or 1251), or descriptions that give no route
  3  a compiled file could not be written (the files before it stay written)
  4  internal error
With --json, stdout carries one object: errorCode, errorPosition, fatal (null, 1250 or
  1251), files (the names written, in order), status, problem, file, line, column, message.)";

// Whether a command line that could not be parsed asked for JSON all the same, so that a
// script that reads stdout still gets its one object.
bool asksForJson(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") return false;
        if (arg == "--json") return true;
    }
    return false;
}

}  // namespace

int runScenarioTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Compiles scenario descriptions into the files the simulator reads.",
                 "scenario-tool"};
    app.require_subcommand(1);

    CompileOptions options;
    bool noTrackPlan = false;
    std::string lineName;
    std::string trainName;
    CLI::App* compile = app.add_subcommand(
        "compile", "Compile a line description and a train description, and check them.");
    compile->add_option("LINE_FILE", options.lineFile, "line description, X_linea.txt")->required();
    compile->add_option("TRAIN_FILE", options.trainFile, "train description, X_Y-.txt")->required();
    compile
        ->add_option("--out", options.outDir,
                     "directory for the compiled files (default: the current directory)")
        ->check(CLI::ExistingDirectory);
    compile->add_flag("--no-track-plan", noTrackPlan, "compile without the line plan file");
    CLI::Option* lineNameOption =
        compile->add_option("--line-name", lineName, "line name X, instead of LINE_FILE's");
    CLI::Option* trainNameOption =
        compile->add_option("--train-name", trainName, "train name Y, instead of TRAIN_FILE's");
    compile->add_flag("--json", options.json, "print the result as one JSON object on stdout");
    compile->footer(kCompileFooter);

    // CLI11 takes the arguments as a program's argv, its own name first.
    std::vector<const char*> argv{"scenario-tool"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
        const int parseStatus = app.exit(e, out, err);
        if (parseStatus == 0) return kExitCompiled;  // help was asked for and given
        if (asksForJson(args)) {
            CompileReport report;
            report.problem = e.what();
            out << toJson(report, kExitNothingWritten) << '\n';
        }
        return kExitNothingWritten;
    }

    options.trackPlan = !noTrackPlan;
    if (*lineNameOption) options.lineName = lineName;
    if (*trainNameOption) options.trainName = trainName;
    return runCompile(options, out, err);
}

}  // namespace tool
