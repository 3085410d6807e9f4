#include "tools/scenario_tool.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <exception>
#include <new>

#include "tools/check_command.h"
#include "tools/checked_output.h"
#include "tools/compile_command.h"
#include "tools/compile_report.h"
#include "tools/diff_command.h"
#include "tools/exit_status.h"
#include "tools/explain_command.h"
#include "tools/inspect_command.h"
#include "tools/lint_rules.h"
#include "tools/map_command.h"
#include "tools/serve_command.h"
#include "tools/version.h"
#include "tools/write_sources_command.h"

namespace tool {
namespace {

constexpr const char* kCompileFooter = R"(Names:
  LINE_FILE named X_linea.txt gives the line name X. TRAIN_FILE named X_Y-.txt, where X is
  the line name, gives the train name Y: the leading "X_" is stripped, so Y may hold "_".
  A file named otherwise needs --line-name or --train-name. Names are printable ASCII
  without "/" or "\".
Output: X_linea.dat (not with --no-track-plan), X_Y.sim and X_Y.dat in the --out directory,
  each replaced whole; where a name is a link to a file, the file it names is replaced and
  the link kept; a device or a FIFO is written into. LINE_FILE and TRAIN_FILE are never
  changed or deleted, nor written under another name. A description above 64 MiB is refused.
Exit status:
  0  compiled, nothing recorded
  1  a failure was recorded (told on stderr): no compiled file written, the files already
     in the --out directory left as they were; with --write-on-error the files are written
     all the same, byte for byte as the installer writes them
  2  nothing written: usage error, input that cannot be read or is above 64 MiB, a
     compiled file that would take an input's place, data in the place of the stamps
     (error 1250 or 1251), or descriptions that give no route
  3  a compiled file, or what goes to stdout, could not be written (the files before it
     stay written)
  4  internal error, out of memory
Warnings about likely mistakes in the descriptions go to stderr as `check` gives them
  (-w silences them); they change neither the files nor the status.
With --json, stdout carries one object: errorCode, errorPosition, fatal (null, 1250 or
  1251), files (the names written, in order), status, problem, file, line, column, message,
  sourceLine (cut around the column when long), sourceColumn, warnings.)";

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
With --json, stdout carries one object: status, errors, warnings, limitReached, diagnostics
  (severity, rule, code, position, file, line, column, message, hint, sourceLine, afterSkip,
  heldBy). With --sarif, a SARIF 2.1.0 log: one result per problem.)";

constexpr const char* kDiffFooter =
    R"diff(Inputs: A B, two folders (the route, train file and track plan each holds) or two
  compiled routes (each with the train file beside it); or LINE_A TRAIN_A LINE_B TRAIN_B,
  two pairs of descriptions compiled in memory (nothing is written), when each change also
  names the file:line of its record in A and B: "(A FILE:LINE, B FILE:LINE)". Both pairs
  are compiled under the names A's files give (X_linea.txt, X_Y-.txt), as names are no part
  of the descriptions.
One line a change, in the author's terms, in this order:
  general data by field name ("train: braked mass 120 to 110 %", "train: start clock ...");
  stations by name ("station ALESSANDRIA: departure 60 s later", "... at 79+000 moved to
  79+200", "station kind", "length", code_4 to code_13, added, removed, renamed);
  slowdowns from start to end ("slowdown 30 km/h added from 60+750 to 63+000"), their
  warning board, countdown cells and the speed marks the compiler adds around them folded in;
  signals, speed indicator and location boards, and marks written in the train description
  ("signal at 35+150 moved to 35+350": the same values within 1000 m; "signal at 35+150:
  s1 3 to 4" in the same cell), with a signal's or station's approach codes folded in;
  stretches where gradient, speed limit, adhesion or mountain stretch type changed, with
  where each starts and ends ("gradient from 79+800 to 80+450: 3 to 2 per mille");
  curves by class and side ("curve class 3 left from 8+500 to 9+150 moved to 8+600 to
  9+250", "... now ends at 9+200", "curve from 8+500 to 9+150: class 3 left to class 4 left");
  last, any difference no change above explains, by cell ("cell 702 (35+100): approach
  code 81 to 0"), so that sets that differ are never told as the same.
  Positions are those written in the descriptions when they are known, else those the cells
  stand for (a record may lie up to 25 m from it).
With --json, stdout carries one object, on every run: status, problem (null, or why nothing
  was compared), changes: each with kind, what (added, removed, moved, changed), field (the
  format reference's name of the changed value, or null), from, to, position (m), km, text,
  sourceA, sourceB (FILE:LINE, or null).
Exit status: 0 the scenarios are the same, 1 they differ, 2 a usage error, an input that
  cannot be read or is damaged, or descriptions that do not compile (the failure is told),
  3 standard output could not be written, 4 internal error.)diff";

constexpr const char* kInspectFooter =
    R"(Kinds: by name, X_linea.dat is the track plan, X_Y.sim the train file, any other
  .dat a route; --kind sets the kind of every FILE. The train file beside a route (same
  stem) gives the names of stations and boards and the expected scenario codes, and the
  route beside a train file its stamp and plain code, when they are not given as FILEs.
Positions: each object shows its cell and the cell's start (cell c at c x 50 m), written
  km+m, then the position written in the record that placed it: exact for a station stop
  (from the train file) and with the descriptions, else "~" and the position the cell
  stands for (a record may lie up to 25 m from it). Values are named as in the format
  reference (docs/format.md): the record's fields as written, the stored ones under "stored"
  in JSON.
Descriptions: --sources LINE_FILE TRAIN_FILE, or X_linea.txt and X_Y-.txt beside X_Y.dat.
  They are compiled in memory; when they give the route, each object also names the
  file:line of the record that placed it; a speed mark the compiler added says "added".
Narrowing the route's listing:
  --only KINDS  comma-separated kinds as printed, or their first words, "-" for a blank
                (signal,station,slowdown,mark,speed-indicator-board,location-board,
                countdown,mountain-marker), and track and approach for those sections,
                which --only otherwise leaves out; an unknown kind is a usage error
  --km FROM-TO  objects whose written position (else cell start) lies from FROM to TO,
                both included, the track runs that reach into it and its approach codes;
                each end as 35+150, 35 or 35.15 (km), e.g. 35+150-40+000 or 35.15-40
Exit status (with several files, the highest that applies):
  0  every file decoded; stamps and scenario codes as the names give them
  1  decoded, but a stamp or a scenario code differs from what the names give, or a route
     cell names a train entry that holds something else
  2  usage error (also an unknown --only kind or a --km that is not FROM-TO), or a file
     or a --sources description cannot be read, or a file's kind cannot be told
  3  a file is damaged: truncated, too long, an unknown variant tag or an impossible value
     (its byte offset, and cell or entry, are printed on stderr); a file larger than that
     kind's largest, from a line of 1,000,000 m, is damaged and is not read
  4  internal error, out of memory, or stdout could not be written
With --json, stdout carries one object: files (path, kind, status, and route, train or plan,
  or fault {message, offset, cell, entry}, or problem) and status. A route object holds
  cell, position, km, written, writtenExact, source, addedByCompiler, kind, kindName, values,
  text and stored. A run stopped by lack of memory or an internal error prints
  {"files":[],"status":4,"problem":...}.)";

constexpr const char* kMapFooter =
    R"(Input: the compiled FILEs (a route, and the train file and plan beside it or given too),
  or --from-sources LINE_FILE TRAIN_FILE, compiled in memory; nothing is written but the map.
Output: -o FILE is replaced whole; a link to a file has the file it names replaced; a device
  or a FIFO is written into; an input, under any name, is refused. No -o, or -o -: stdout.
  --km FROM-TO  draw only this stretch, both ends included, each as 35+150, 35 or 35.15 (km),
                e.g. 35-60: the plan zoomed to it (the rest of the line faint around it)
                and the profile over it; a stretch under 200 m is widened to 200 m
The map: the track plan to scale, turned to fill its panel (the north arrow shows how), with
  km ticks along the track, a scale bar, stations by name, signals, location boards, speed
  boards (with their values where the plan is drawn large), slowdowns with their speed and
  marks, mountain stretches shaded; below it the profile against
  distance: gradient (as stored, per mille), the line's speed limit and the train's under
  its slowdowns, speed boards with their values, stations and signals. A name that would
  cover another is left out; every object carries its cell and a title naming it.
  Without a plan, the profile alone.
Exit status:
  0  map written
  1  map written; compiling the sources recorded a failure (told on stderr)
  2  usage error (also a --km that is not FROM-TO or begins after the line's end), an input
     that cannot be read, no route, sources that give no route, or an output that is one
     of the inputs
  3  a compiled file is damaged (told on stderr with its byte offset)
  4  the map could not be written (to its file or stdout), or an internal error)";

constexpr const char* kServeFooter =
    R"(Serves one page at the address printed, for a browser on this machine: the track plan
  (pan with the mouse, zoom with the wheel), the profile, the objects with the records that
  placed them, and every error and warning `check` gives. The server looks at the two
  descriptions about 25 times a second; when one is saved it compiles them again in memory
  (nothing is written) and the page follows without a reload, keeping its view. While the
  descriptions fail, the page keeps the last good picture, marked as stale, with the errors.
Address: 127.0.0.1 and --port (default 8700; 0 for any free port). --listen ADDR serves
  another of this machine's addresses too (0.0.0.0 for all); the server still answers only
  requests addressed to the loopback or to an IP address, never to another name (so that a web
  page elsewhere cannot reach it through its own DNS name).
Exit status:
  0  stopped with Ctrl-C (or SIGTERM)
  2  usage error, a description that cannot be read at the start or is not a plain file (a
     FIFO, a device), or an address or port that cannot be listened on
  3  the address could not be written to standard output (nothing is served)
  4  internal error)";

constexpr const char* kWriteSourcesFooter =
    R"(Writes the carried scenario's line and train descriptions and its three documents into
  DIR, as the installer writes them (Windows-1252, CR LF), and lists their paths on stdout.
  Existing files of those names are replaced whole (a link has the file it names replaced;
  a device or a FIFO is written into); nothing is compiled or deleted.
Exit status:
  0  all five files written
  2  DIR does not exist or is not a directory; nothing written
  3  a file, or the list on stdout, could not be written (the files before it stay written)
  4  internal error)";

// Whether a command line that could not be parsed asked for JSON all the same, so that a
// script that reads stdout still gets its one object.
bool asksForJson(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") return false;
        if (arg == "--json") return true;
    }
    return false;
}

// What a --json run prints when memory ran out or the tool failed: written from constant text,
// since the failure may leave no memory to build a document with.
void printFailureJson(std::string_view command, bool outOfMemory, std::ostream& out) {
    const char* problem = outOfMemory ? "out of memory" : "internal error";
    if (command == "inspect") {
        out << R"({"files":[],"status":4,"problem":")" << problem << R"("})";
    } else if (command == "diff") {
        out << R"({"status":4,"problem":")" << problem << R"(","changes":[]})";
    } else if (command == "check") {
        out << R"({"status":4,"errors":0,"warnings":0,"limitReached":false,"diagnostics":[],)"
            << R"("problem":")" << problem << R"("})";
    } else {
        out << R"({"errorCode":null,"errorPosition":null,"fatal":null,"files":[],"status":4,)"
            << R"("problem":")" << problem << R"(",)"
            << R"("file":null,"line":null,"column":null,"message":null,"sourceLine":null,)"
            << R"("sourceColumn":null,"warnings":[]})";
    }
    out << '\n';
}

}  // namespace

int runScenarioTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{
        "Compiles scenario descriptions into the files the simulator reads, and shows "
        "authors what they compiled.",
        "scenario-tool"};
    app.require_subcommand(1);
    app.set_version_flag("--version", versionText(), "Print the release and the build's commit");
    // The same command line on every system: "/x" is a path, never an option.
    app.allow_windows_style_options(false);

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
    compile->add_flag("--write-on-error", options.writeOnError,
                      "write the compiled files even when a failure is recorded, as the "
                      "installer does");
    bool quiet = false;
    compile->add_flag("-w", quiet, "do not show warnings about the descriptions");
    compile->footer(kCompileFooter);

    CheckOptions checkOptions;
    bool checkNoTrackPlan = false;
    std::string checkLineName;
    std::string checkTrainName;
    CLI::App* check = app.add_subcommand(
        "check",
        "Report every error and warning of a line and a train description; write nothing.");
    check->add_option("LINE_FILE", checkOptions.lineFile, "line description, X_linea.txt")
        ->required();
    check->add_option("TRAIN_FILE", checkOptions.trainFile, "train description, X_Y-.txt")
        ->required();
    check->add_flag("--no-track-plan", checkNoTrackPlan, "check as compiled without the line plan");
    CLI::Option* checkLineNameOption =
        check->add_option("--line-name", checkLineName, "line name X, instead of LINE_FILE's");
    CLI::Option* checkTrainNameOption =
        check->add_option("--train-name", checkTrainName, "train name Y, instead of TRAIN_FILE's");
    CLI::Option* checkJson =
        check->add_flag("--json", checkOptions.json, "print one JSON object on stdout");
    check->add_flag("--sarif", checkOptions.sarif, "print a SARIF 2.1.0 log on stdout")
        ->excludes(checkJson);
    check->add_flag("--werror", checkOptions.werror, "count warnings as errors");
    check->footer(kCheckFooter);

    InspectOptions inspectOptions;
    CLI::App* inspect = app.add_subcommand(
        "inspect", "Show what compiled files hold: route, train file or track plan.");
    inspect->add_option("FILE", inspectOptions.files, "compiled files")->required();
    std::string inspectKind;
    CLI::Option* inspectKindOption =
        inspect->add_option("--kind", inspectKind, "what every FILE holds")
            ->check(CLI::IsMember({"plan", "train", "route"}));
    inspect->add_flag("--json", inspectOptions.json, "print one JSON document on stdout");
    std::string inspectOnly;
    CLI::Option* inspectOnlyOption =
        inspect->add_option("--only", inspectOnly, "KINDS: list only these kinds of object");
    std::string inspectKm;
    CLI::Option* inspectKmOption =
        inspect->add_option("--km", inspectKm, "FROM-TO: list only this stretch of the line");
    std::vector<std::string> inspectSources;
    CLI::Option* inspectSourcesOption =
        inspect
            ->add_option("--sources", inspectSources,
                         "LINE_FILE TRAIN_FILE: the descriptions, to name each object's record")
            ->expected(2);
    inspect->footer(kInspectFooter);

    DiffOptions diffOptions;
    CLI::App* diff = app.add_subcommand(
        "diff",
        "Tell what changed between two scenarios, compiled or described, one line a change.");
    diff->add_option("INPUTS", diffOptions.inputs,
                     "A B (folders or compiled routes), or LINE_A TRAIN_A LINE_B TRAIN_B")
        ->expected(2, 4)
        ->required();
    diff->add_flag("--json", diffOptions.json, "print one JSON object on stdout");
    diff->footer(kDiffFooter);

    MapOptions mapOptions;
    CLI::App* map =
        app.add_subcommand("map", "Draw the line as an SVG picture: the plan and the profile.");
    map->add_option("FILE", mapOptions.files, "compiled files: a route, its train file, its plan");
    std::vector<std::string> fromSources;
    CLI::Option* fromSourcesOption =
        map->add_option("--from-sources", fromSources, "LINE_FILE TRAIN_FILE: compile in memory")
            ->expected(2);
    map->add_option("-o,--output", mapOptions.output, "SVG file to write (default or -: stdout)");
    std::string mapKind;
    CLI::Option* mapKindOption = map->add_option("--kind", mapKind, "what every FILE holds")
                                     ->check(CLI::IsMember({"plan", "train", "route"}));
    std::string mapLineName;
    std::string mapTrainName;
    CLI::Option* mapLineNameOption =
        map->add_option("--line-name", mapLineName, "with --from-sources: line name X");
    CLI::Option* mapTrainNameOption =
        map->add_option("--train-name", mapTrainName, "with --from-sources: train name Y");
    std::string mapKm;
    CLI::Option* mapKmOption =
        map->add_option("--km", mapKm, "FROM-TO: draw only this stretch of the line");
    fromSourcesOption->excludes(map->get_option("FILE"));
    map->footer(kMapFooter);

    ServeOptions serveOptions;
    CLI::App* serve = app.add_subcommand(
        "serve", "Show a pair of descriptions in the browser, following every save.");
    serve->add_option("LINE_FILE", serveOptions.lineFile, "line description, X_linea.txt")
        ->required();
    serve->add_option("TRAIN_FILE", serveOptions.trainFile, "train description, X_Y-.txt")
        ->required();
    serve->add_option("--port", serveOptions.port, "port to listen on (0: any free port)")
        ->check(CLI::Range(0, 65535));
    serve->add_option("--listen", serveOptions.listen,
                      "address to listen on (default 127.0.0.1, this machine only)");
    std::string serveLineName;
    std::string serveTrainName;
    CLI::Option* serveLineNameOption =
        serve->add_option("--line-name", serveLineName, "line name X, instead of LINE_FILE's");
    CLI::Option* serveTrainNameOption =
        serve->add_option("--train-name", serveTrainName, "train name Y, instead of TRAIN_FILE's");
    serve->footer(kServeFooter);

    std::string sourcesDir;
    CLI::App* writeSources = app.add_subcommand(
        "write-sources", "Write the carried scenario's descriptions and documents into DIR.");
    writeSources->add_option("DIR", sourcesDir, "an existing directory")
        ->required()
        ->check(CLI::ExistingDirectory);
    writeSources->footer(kWriteSourcesFooter);

    std::string explainCode;
    CLI::App* explain = addExplainCommand(app, explainCode);

    // CLI11 takes the arguments as a program's argv, its own name first. -Wno-NAME, which it
    // cannot parse, is taken out for `check` first.
    std::vector<const char*> argv{"scenario-tool"};
    const bool checking = !args.empty() && args[0] == "check";
    for (const std::string& arg : args) {
        if (checking && arg.starts_with("-Wno-")) {
            const std::string name = arg.substr(5);
            if (!isLintRule(name)) {
                err << "scenario-tool: " << arg << ": no warning is named \"" << name
                    << "\" (see scenario-tool check --help)\n";
                return kExitNothingWritten;
            }
            checkOptions.disabled.push_back(name);
            continue;
        }
        argv.push_back(arg.c_str());
    }
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
        const int parseStatus = app.exit(e, out, err);
        if (parseStatus == 0) {  // help or the version was asked for and given
            return withOutputChecked(out, err, kExitCompiled, kExitOutputFailed);
        }
        if (asksForJson(args) && !args.empty() && args[0] == "inspect") {
            out << R"({"files":[],"status":2})" << '\n';
        } else if (asksForJson(args) && !args.empty() && args[0] == "check") {
            out << R"({"status":2,"errors":0,"warnings":0,"limitReached":false,"diagnostics":[]})"
                << '\n';
        } else if (asksForJson(args) && !args.empty() && args[0] == "diff") {
            out << diffProblemJson(kExitNothingWritten, e.what()) << '\n';
        } else if (asksForJson(args)) {
            CompileReport report;
            report.problem = e.what();
            out << toJson(report, kExitNothingWritten) << '\n';
        }
        return withOutputChecked(out, err, kExitNothingWritten, kExitOutputFailed);
    }

    // Each command's status for output that could not be written: the map's 4, inspect's 4,
    // and 3 for compile and write-sources.
    const bool json = (inspect->parsed() && inspectOptions.json) ||
                      (diff->parsed() && diffOptions.json) || (compile->parsed() && options.json) ||
                      (check->parsed() && checkOptions.json);
    const std::string_view command = inspect->parsed() ? "inspect"
                                     : check->parsed() ? "check"
                                     : diff->parsed()  ? "diff"
                                                       : "compile";
    const int outputFailed = map->parsed()       ? kMapNotWritten
                             : inspect->parsed() ? kInspectFailed
                                                 : kExitOutputFailed;
    int status = kExitInternalError;
    try {
        if (inspect->parsed()) {
            if (*inspectKindOption) inspectOptions.kind = inspectKind;
            if (*inspectOnlyOption) inspectOptions.only = inspectOnly;
            if (*inspectKmOption) inspectOptions.km = inspectKm;
            if (*inspectSourcesOption) {
                inspectOptions.sources = std::pair{inspectSources[0], inspectSources[1]};
            }
            status = runInspect(inspectOptions, out, err);
        } else if (diff->parsed()) {
            status = runDiff(diffOptions, out, err);
        } else if (map->parsed()) {
            if (*mapKindOption) mapOptions.kind = mapKind;
            if (*fromSourcesOption) {
                mapOptions.lineFile = fromSources[0];
                mapOptions.trainFile = fromSources[1];
            }
            if (*mapLineNameOption) mapOptions.lineName = mapLineName;
            if (*mapTrainNameOption) mapOptions.trainName = mapTrainName;
            if (*mapKmOption) mapOptions.km = mapKm;
            status = runMap(mapOptions, out, err);
        } else if (serve->parsed()) {
            if (*serveLineNameOption) serveOptions.lineName = serveLineName;
            if (*serveTrainNameOption) serveOptions.trainName = serveTrainName;
            status = runServe(serveOptions, out, err);
        } else if (writeSources->parsed()) {
            status = runWriteSources(sourcesDir, out, err);
        } else if (explain->parsed()) {
            status = runExplain(explainCode, out, err);
        } else if (check->parsed()) {
            checkOptions.trackPlan = !checkNoTrackPlan;
            if (*checkLineNameOption) checkOptions.lineName = checkLineName;
            if (*checkTrainNameOption) checkOptions.trainName = checkTrainName;
            status = runCheck(checkOptions, out, err);
        } else {
            options.trackPlan = !noTrackPlan;
            options.showWarnings = !quiet;
            if (*lineNameOption) options.lineName = lineName;
            if (*trainNameOption) options.trainName = trainName;
            status = runCompile(options, out, err);
        }
    } catch (const std::bad_alloc&) {
        err << "scenario-tool: out of memory\n";
        if (json) printFailureJson(command, true, out);
    } catch (const std::exception& e) {
        err << "scenario-tool: internal error: " << e.what() << '\n';
        if (json) printFailureJson(command, false, out);
    }
    return withOutputChecked(out, err, status, outputFailed);
}

}  // namespace tool
