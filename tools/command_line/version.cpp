#include "tools/command_line/version.h"

#include "tools/build_version.h"

#ifndef SCENARIO_VERSION
#error "SCENARIO_VERSION comes from the project's version in CMakeLists.txt"
#endif

namespace tool {

std::string versionText() {
    std::string text = "scenario-tool " SCENARIO_VERSION;
    const std::string commit = SCENARIO_BUILD_COMMIT;
    if (!commit.empty()) text += " (" + commit + ")";
    return text;
}

}  // namespace tool
