#include "tools/command_line/subcommands.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "tools/command_line/common_options.h"
#include "tools/command_line/exit_status.h"
#include "tools/command_line/write_sources_command.h"

namespace tool {
namespace {

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

}  // namespace

Subcommand addWriteSourcesCommand(CLI::App& app) {
    const auto dir = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "write-sources", "Write the carried scenario's descriptions and documents into DIR.");
    requireExistingFolder(*command->add_option("DIR", *dir, "an existing directory")->required());
    command->footer(kWriteSourcesFooter);
    const auto run = [dir](std::ostream& out, std::ostream& err) {
        return runWriteSources(*dir, out, err);
    };
    return {.app = command, .run = run, .json = nullptr, .outputFailed = kExitOutputFailed};
}

}  // namespace tool
