#include "tools/command_line/scenario_tool.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <exception>
#include <new>

#include "tools/command_line/compile_command.h"
#include "tools/command_line/compile_report.h"
#include "tools/command_line/exit_status.h"
#include "tools/command_line/subcommands.h"
#include "tools/command_line/terminal_text.h"
#include "tools/command_line/version.h"
#include "tools/diagnostics/checked_output.h"
#include "tools/diagnostics/lint_rules.h"
#include "tools/diagnostics/sarif.h"
#include "tools/diff/diff_command.h"

namespace tool {
namespace {

// -Wno-NAME, which CLI11 cannot parse, is taken out of the arguments of `check` into
// `disabled`, and -Wno-error=NAME out of those of `compile` into `relaxed`; false, told on `err`,
// when NAME is no warning. CLI11 takes the rest as a program's argv, its own name first.
bool takeArguments(const std::vector<std::string>& args, std::vector<const char*>& argv,
                   std::vector<std::string>& disabled, std::vector<std::string>& relaxed,
                   std::ostream& err) {
    argv.push_back("scenario-tool");
    const bool checking = !args.empty() && args[0] == "check";
    const bool compiling = !args.empty() && args[0] == "compile";
    for (const std::string& arg : args) {
        if (compiling && arg.starts_with("-Wno-error=")) {
            const std::string name = arg.substr(11);
            if (std::find(refusingWarnings().begin(), refusingWarnings().end(), name) ==
                refusingWarnings().end()) {
                err << "scenario-tool: " << arg << ": \"" << name
                    << "\" is no warning that keeps the files unwritten (see scenario-tool "
                       "compile --help)\n";
                return false;
            }
            relaxed.push_back(name);
            continue;
        }
        if (checking && arg.starts_with("-Wno-")) {
            const std::string name = arg.substr(5);
            if (!isLintRule(name)) {
                err << "scenario-tool: " << arg << ": no warning is named \"" << name
                    << "\" (see scenario-tool check --help)\n";
                return false;
            }
            disabled.push_back(name);
            continue;
        }
        argv.push_back(arg.c_str());
    }
    return true;
}

// Whether a command line that could not be parsed asked for JSON all the same, so that a
// script that reads stdout still gets its one object.
bool asksForJson(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") return false;
        if (arg == "--json") return true;
    }
    return false;
}

// Whether a command line that could not be parsed asked `check` for SARIF.
bool asksForSarif(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") return false;
        if (arg == "--sarif") return !asksForJson(args);
    }
    return false;
}

// What a --json or --sarif run prints when memory ran out or the tool failed: written from
// constant text, since the failure may leave no memory to build a document with.
void printFailureDocument(std::string_view command, bool sarif, bool outOfMemory,
                          std::ostream& out) {
    const char* problem = outOfMemory ? "out of memory" : "internal error";
    if (sarif) {
        writeSarifFailure(out, kExitInternalError, problem);
        return;
    }
    if (command == "inspect") {
        out << R"({"files":[],"status":4,"problem":")" << problem << R"("})";
    } else if (command == "diff") {
        out << R"({"status":4,"problem":")" << problem << R"(","changes":[]})";
    } else if (command == "check") {
        out << R"({"status":4,"errors":0,"warnings":0,"limitReached":false,)"
            << R"("warningsLeftOut":0,"diagnostics":[],"problem":")" << problem << R"("})";
    } else {
        out << R"({"errorCode":null,"errorPosition":null,"fatal":null,"files":[],"status":4,)"
            << R"("problem":")" << problem << R"(",)"
            << R"("file":null,"line":null,"column":null,"message":null,"sourceLine":null,)"
            << R"("sourceColumn":null,"warnings":[],"warningsLeftOut":0})";
    }
    out << '\n';
}

// A command line that does not parse still gives the document a --json or --sarif reader
// waits for, in the chosen command's shape.
void printUsageFailure(const std::vector<std::string>& args, const std::string& problem,
                       std::ostream& out) {
    const std::string command = args.empty() ? std::string() : args[0];
    if (asksForJson(args) && command == "inspect") {
        out << R"({"files":[],"status":2})" << '\n';
    } else if (asksForJson(args) && command == "check") {
        out << R"({"status":2,"errors":0,"warnings":0,"limitReached":false,)"
            << R"("warningsLeftOut":0,"diagnostics":[]})" << '\n';
    } else if (asksForSarif(args) && command == "check") {
        out << sarifFailure(kExitNothingWritten, problem) << '\n';
    } else if (asksForJson(args) && command == "diff") {
        out << diffProblemJson(kExitNothingWritten, problem) << '\n';
    } else if (asksForJson(args)) {
        CompileReport report;
        report.problem = problem;
        out << toJson(report, kExitNothingWritten) << '\n';
    }
}

}  // namespace

int runScenarioTool(const std::vector<std::string>& args, std::ostream& out,
                    std::ostream& errTarget) {
    // Standard error carries only messages for a person: whatever path, name or argument one
    // quotes, a control character in it is shown escaped, here for every message at once.
    // Standard output carries JSON and SVG as well, whose texts are escaped where written.
    ShownTextOutput shownErrors(errTarget);
    std::ostream err(&shownErrors);
    std::vector<const char*> argv;
    std::vector<std::string> disabledWarnings;
    std::vector<std::string> relaxedWarnings;
    if (!takeArguments(args, argv, disabledWarnings, relaxedWarnings, err)) {
        return kExitNothingWritten;
    }

    CLI::App app{
        "Compiles scenario descriptions into the files the simulator reads, and shows "
        "authors what they compiled.",
        "scenario-tool"};
    app.require_subcommand(1);
    app.set_version_flag("--version", versionText(), "Print the release and the build's commit");
    // The same command line on every system: "/x" is a path, never an option. Set before the
    // commands are added, as they take it from the app.
    app.allow_windows_style_options(false);
    std::vector<Subcommand> commands;  // in the order the tool's help lists them
    commands.push_back(addCompileCommand(app, std::move(relaxedWarnings)));
    commands.push_back(addCheckCommand(app, std::move(disabledWarnings)));
    commands.push_back(addInspectCommand(app));
    commands.push_back(addDiffCommand(app));
    commands.push_back(addMapCommand(app));
    commands.push_back(addServeCommand(app));
    commands.push_back(addWriteSourcesCommand(app));
    commands.push_back(addNewCommand(app));
    commands.push_back(addExplainCommand(app));
    commands.push_back(addLspCommand(app));

    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
        const int parseStatus = app.exit(e, out, err);
        if (parseStatus == 0) {  // help or the version was asked for and given
            return withOutputChecked(out, err, kExitCompiled, kExitOutputFailed);
        }
        printUsageFailure(args, e.what(), out);
        return withOutputChecked(out, err, kExitNothingWritten, kExitOutputFailed);
    }

    // The app requires one command, so a parsed line has chosen one.
    const Subcommand& chosen = *std::ranges::find_if(
        commands, [](const Subcommand& command) { return command.app->parsed(); });
    const bool json = chosen.json != nullptr && *chosen.json;
    const bool sarif = chosen.sarif != nullptr && *chosen.sarif;
    int status = kExitInternalError;
    try {
        status = chosen.run(out, err);
    } catch (const std::bad_alloc&) {
        err << "scenario-tool: out of memory\n";
        if (json || sarif) printFailureDocument(chosen.app->get_name(), sarif, true, out);
    } catch (const std::exception& e) {
        err << "scenario-tool: internal error: " << e.what() << '\n';
        if (json || sarif) printFailureDocument(chosen.app->get_name(), sarif, false, out);
    }
    return withOutputChecked(out, err, status, chosen.outputFailed);
}

}  // namespace tool
