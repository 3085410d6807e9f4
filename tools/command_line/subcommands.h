// The commands of scenario-tool as its command line sees them: each adds itself, with its
// options and help, to the tool's CLI::App and hands back what runs it once the line is parsed.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace tool {

struct Subcommand {
    CLI::App* app = nullptr;  // parsed() when the command line chose this command
    // Runs the command with the options as parsed; returns its exit status. It holds the
    // options the parser writes into, so they live as long as the command does.
    std::function<int(std::ostream& out, std::ostream& err)> run;
    // The command's --json flag, or null: a run stopped by an internal error still prints the
    // one object a script expects.
    const bool* json = nullptr;
    // The command's --sarif flag, or null: the same for a SARIF log.
    const bool* sarif = nullptr;
    int outputFailed = 0;  // the status when what goes to stdout could not be written
};

Subcommand addCompileCommand(CLI::App& app, std::vector<std::string> relaxedWarnings);
// `disabledWarnings`: the -Wno-NAME switches, taken out of the arguments before parsing.
Subcommand addCheckCommand(CLI::App& app, std::vector<std::string> disabledWarnings);
Subcommand addInspectCommand(CLI::App& app);
Subcommand addDiffCommand(CLI::App& app);
Subcommand addMapCommand(CLI::App& app);
Subcommand addServeCommand(CLI::App& app);
Subcommand addWriteSourcesCommand(CLI::App& app);
Subcommand addNewCommand(CLI::App& app);
Subcommand addExplainCommand(CLI::App& app);
Subcommand addLspCommand(CLI::App& app);

}  // namespace tool
