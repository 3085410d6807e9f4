// The command line of scenario-tool, parsed and dispatched to its commands.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tool {

// Runs scenario-tool with `args`, the arguments after the program's name. Help goes to `out`,
// usage errors to `err`. Returns the exit status (tools/command_line/exit_status.h).
int runScenarioTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tool
