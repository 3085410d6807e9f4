// scenario-tool: compiles and checks the line and train descriptions of a scenario.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/file_size_limit.h"
#include "platform/standard_streams.h"
#include "tools/command_line/exit_status.h"
#include "tools/command_line/scenario_tool.h"
#include "tools/diagnostics/checked_output.h"

int main(int argc, char** argv) {
    platform::letOversizedWritesFail();
#ifdef _WIN32
    // Names and messages are UTF-8 text; the console shows them as such.
    SetConsoleOutputCP(CP_UTF8);
#endif
    platform::holdClosedStandardStreams();
    try {
        // Every write to standard output is checked, so that a full or closed one is told.
        tool::CheckedOutput checked(stdout);
        std::ostream out(&checked);
        const std::vector<std::string> args(argv + 1, argv + argc);
        return tool::runScenarioTool(args, out, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "scenario-tool: internal error: " << e.what() << '\n';
        return tool::kExitInternalError;
    }
}
