#include "tools/command_line/subcommands.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tools/command_line/common_options.h"
#include "tools/compiled_files/inspect_command.h"

namespace tool {
namespace {

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
Narrowing the route's listing (a usage error when no FILE is a route):
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

}  // namespace

Subcommand addInspectCommand(CLI::App& app) {
    const auto options = std::make_shared<InspectOptions>();
    CLI::App* command = app.add_subcommand(
        "inspect", "Show what compiled files hold: route, train file or track plan.");
    command->add_option("FILE", options->files, "compiled files")->required();
    addKindOption(*command, options->kind);
    command->add_flag("--json", options->json, "print one JSON document on stdout");
    addOptionalText(*command, "--only", options->only, "KINDS: list only these kinds of object");
    addOptionalText(*command, "--km", options->km, "FROM-TO: list only this stretch of the line");
    command
        ->add_option_function<std::vector<std::string>>(
            "--sources",
            [&sources = options->sources](const std::vector<std::string>& files) {
                sources = std::pair{files.at(0), files.at(1)};
            },
            "LINE_FILE TRAIN_FILE: the descriptions, to name each object's record")
        ->expected(2);
    command->footer(kInspectFooter);
    const auto run = [options](std::ostream& out, std::ostream& err) {
        return runInspect(*options, out, err);
    };
    return {.app = command, .run = run, .json = &options->json, .outputFailed = kInspectFailed};
}

}  // namespace tool
