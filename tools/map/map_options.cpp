#include "tools/command_line/subcommands.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

#include "tools/command_line/common_options.h"
#include "tools/map/map_command.h"

namespace tool {
namespace {

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

}  // namespace

Subcommand addMapCommand(CLI::App& app) {
    const auto options = std::make_shared<MapOptions>();
    CLI::App* command =
        app.add_subcommand("map", "Draw the line as an SVG picture: the plan and the profile.");
    CLI::Option* files = command->add_option("FILE", options->files,
                                             "compiled files: a route, its train file, its plan");
    command
        ->add_option_function<std::vector<std::string>>(
            "--from-sources",
            [&map = *options](const std::vector<std::string>& sources) {
                map.lineFile = sources.at(0);
                map.trainFile = sources.at(1);
            },
            "LINE_FILE TRAIN_FILE: compile in memory")
        ->expected(2)
        ->excludes(files);
    command->add_option("-o,--output", options->output, "SVG file to write (default or -: stdout)");
    addKindOption(*command, options->kind);
    addNameOptions(*command, options->lineName, options->trainName,
                   "with --from-sources: line name X", "with --from-sources: train name Y");
    addOptionalText(*command, "--km", options->km, "FROM-TO: draw only this stretch of the line");
    command->footer(kMapFooter);
    const auto run = [options](std::ostream& out, std::ostream& err) {
        return runMap(*options, out, err);
    };
    return {.app = command, .run = run, .json = nullptr, .outputFailed = kMapNotWritten};
}

}  // namespace tool
