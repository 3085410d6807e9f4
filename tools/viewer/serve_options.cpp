#include "tools/command_line/subcommands.h"

#include <CLI/CLI.hpp>
#include <memory>

#include "tools/command_line/common_options.h"
#include "tools/command_line/exit_status.h"
#include "tools/viewer/serve_command.h"

namespace tool {
namespace {

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

}  // namespace

Subcommand addServeCommand(CLI::App& app) {
    const auto options = std::make_shared<ServeOptions>();
    CLI::App* command = app.add_subcommand(
        "serve", "Show a pair of descriptions in the browser, following every save.");
    addDescriptionFiles(*command, options->lineFile, options->trainFile);
    command->add_option("--port", options->port, "port to listen on (0: any free port)")
        ->check(CLI::Range(0, 65535));
    command
        ->add_option("--listen", options->listen,
                     "address to listen on (default 127.0.0.1, this machine only)")
        ->check(
            [](const std::string& address) -> std::string {
                // An empty address would listen wherever the library chooses.
                return address.empty() ? "an address is needed, such as 127.0.0.1" : "";
            },
            "ADDRESS");
    addNameOptions(*command, options->lineName, options->trainName);
    command->footer(kServeFooter);
    const auto run = [options](std::ostream& out, std::ostream& err) {
        return runServe(*options, out, err);
    };
    return {.app = command, .run = run, .json = nullptr, .outputFailed = kExitOutputFailed};
}

}  // namespace tool
