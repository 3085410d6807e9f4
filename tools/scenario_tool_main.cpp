// scenario-tool: compiles and checks the line and train descriptions of a scenario.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "tools/exit_status.h"
#include "tools/scenario_tool.h"

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        return tool::runScenarioTool(args, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "scenario-tool: internal error: " << e.what() << '\n';
        return tool::kExitInternalError;
    }
}
