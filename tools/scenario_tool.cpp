#include "tools/scenario_tool.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "tools/compile_command.h"
#include "tools/compile_report.h"
#include "tools/exit_status.h"
#include "tools/explain_command.h"
#include "tools/inspect_command.h"
#include "tools/map_command.h"
#include "tools/write_sources_command.h"

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
     (its byte offset, and cell or entry, are printed on stderr)
  4  internal error
With --json, stdout carries one object: files (path, kind, status, and route, train or plan,
  or fault {message, offset, cell, entry}, or problem) and status. A route object holds
  cell, position, km, written, writtenExact, source, addedByCompiler, kind, kindName, values,
  text and stored.)";

constexpr const char* kMapFooter =
    R"(Input: the compiled FILEs (a route, and the train file and plan beside it or given too),
  or --from-sources LINE_FILE TRAIN_FILE, compiled in memory; nothing is written but the map.
The map: the track plan to scale with a scale bar, stations by name, signals, speed and
  location boards, mountain stretches shaded; below it the profile against distance:
  gradient (as stored, per mille), line speed limit, stations and signals.
  Without a plan, the profile alone.
Exit status:
  0  map written
  1  map written; compiling the sources recorded a failure (told on stderr)
  2  usage error, an input that cannot be read, no route, or sources that give no route
  3  a compiled file is damaged (told on stderr with its byte offset)
  4  the map could not be written, or an internal error)";

constexpr const char* kWriteSourcesFooter =
    R"(Writes the carried scenario's line and train descriptions and its three documents into
  DIR, as the installer writes them (Windows-1252, CR LF). Existing files of those names
  are overwritten; nothing is compiled or deleted.
Exit status:
  0  all five files written
  2  DIR does not exist or is not a directory; nothing written
  3  a file could not be written (the files before it stay written)
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

}  // namespace

int runScenarioTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{
        "Compiles scenario descriptions into the files the simulator reads, and shows "
        "authors what they compiled.",
        "scenario-tool"};
    app.require_subcommand(1);
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
    compile->footer(kCompileFooter);

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

    MapOptions mapOptions;
    CLI::App* map =
        app.add_subcommand("map", "Draw the line as an SVG picture: the plan and the profile.");
    map->add_option("FILE", mapOptions.files, "compiled files: a route, its train file, its plan");
    std::vector<std::string> fromSources;
    CLI::Option* fromSourcesOption =
        map->add_option("--from-sources", fromSources, "LINE_FILE TRAIN_FILE: compile in memory")
            ->expected(2);
    map->add_option("-o,--output", mapOptions.output, "SVG file to write (default: stdout)");
    std::string mapKind;
    CLI::Option* mapKindOption = map->add_option("--kind", mapKind, "what every FILE holds")
                                     ->check(CLI::IsMember({"plan", "train", "route"}));
    std::string mapLineName;
    std::string mapTrainName;
    CLI::Option* mapLineNameOption =
        map->add_option("--line-name", mapLineName, "with --from-sources: line name X");
    CLI::Option* mapTrainNameOption =
        map->add_option("--train-name", mapTrainName, "with --from-sources: train name Y");
    fromSourcesOption->excludes(map->get_option("FILE"));
    map->footer(kMapFooter);

    std::string sourcesDir;
    CLI::App* writeSources = app.add_subcommand(
        "write-sources", "Write the carried scenario's descriptions and documents into DIR.");
    writeSources->add_option("DIR", sourcesDir, "an existing directory")
        ->required()
        ->check(CLI::ExistingDirectory);
    writeSources->footer(kWriteSourcesFooter);

    std::string explainCode;
    CLI::App* explain = addExplainCommand(app, explainCode);

    // CLI11 takes the arguments as a program's argv, its own name first.
    std::vector<const char*> argv{"scenario-tool"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
        const int parseStatus = app.exit(e, out, err);
        if (parseStatus == 0) return kExitCompiled;  // help was asked for and given
        if (asksForJson(args) && !args.empty() && args[0] == "inspect") {
            out << R"({"files":[],"status":2})" << '\n';
        } else if (asksForJson(args)) {
            CompileReport report;
            report.problem = e.what();
            out << toJson(report, kExitNothingWritten) << '\n';
        }
        return kExitNothingWritten;
    }

    if (inspect->parsed()) {
        if (*inspectKindOption) inspectOptions.kind = inspectKind;
        if (*inspectOnlyOption) inspectOptions.only = inspectOnly;
        if (*inspectKmOption) inspectOptions.km = inspectKm;
        if (*inspectSourcesOption) {
            inspectOptions.sources = std::pair{inspectSources[0], inspectSources[1]};
        }
        return runInspect(inspectOptions, out, err);
    }
    if (map->parsed()) {
        if (*mapKindOption) mapOptions.kind = mapKind;
        if (*fromSourcesOption) {
            mapOptions.lineFile = fromSources[0];
            mapOptions.trainFile = fromSources[1];
        }
        if (*mapLineNameOption) mapOptions.lineName = mapLineName;
        if (*mapTrainNameOption) mapOptions.trainName = mapTrainName;
        return runMap(mapOptions, out, err);
    }
    if (writeSources->parsed()) return runWriteSources(sourcesDir, out, err);
    if (explain->parsed()) return runExplain(explainCode, out, err);

    options.trackPlan = !noTrackPlan;
    if (*lineNameOption) options.lineName = lineName;
    if (*trainNameOption) options.trainName = trainName;
    return runCompile(options, out, err);
}

}  // namespace tool
