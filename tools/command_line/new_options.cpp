#include <CLI/CLI.hpp>
#include <memory>

#include "tools/command_line/exit_status.h"
#include "tools/command_line/new_command.h"
#include "tools/command_line/subcommands.h"

namespace tool {
namespace {

constexpr const char* kNewFooter =
    R"(Writes LINE_linea.txt and LINE_TRAIN-.txt into DIR (the current folder by default; made
  when missing): a line of 10 km with two stations, four signals, a curve, gradients, a
  speed record at 0 and a slowdown, and a train for it, each record under a comment that
  names its fields. They compile with no error and no warning: a start to edit, checked with
  `scenario-tool check DIR/LINE_linea.txt DIR/LINE_TRAIN-.txt`. Prints the two paths.
Exit status:
  0  both descriptions written
  2  a name other than ASCII letters, digits and '_'; a description of that name already
     there (without --force); DIR cannot be made. Nothing written
  3  a description could not be written
  4  internal error)";

}  // namespace

Subcommand addNewCommand(CLI::App& app) {
    const auto options = std::make_shared<NewOptions>();
    CLI::App* command =
        app.add_subcommand("new", "Write a small pair of descriptions to start from.");
    command->add_option("LINE", options->lineName, "the line's name")->required();
    command->add_option("TRAIN", options->trainName, "the train's name")->required();
    command->add_option("DIR", options->dir, "the folder to write into (made when missing)");
    command->add_flag("--force", options->replace, "replace descriptions of those names");
    command->footer(kNewFooter);
    const auto run = [options](std::ostream& out, std::ostream& err) {
        return runNew(*options, out, err);
    };
    return {.app = command, .run = run, .json = nullptr, .outputFailed = kExitOutputFailed};
}

}  // namespace tool
