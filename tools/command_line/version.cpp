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

std::string releaseNumber() {
    return SCENARIO_VERSION;
}

std::string semanticVersion() {
    std::string version = SCENARIO_VERSION;
    std::string commit = SCENARIO_BUILD_COMMIT;
    // Build metadata takes letters, digits, hyphens and dots alone.
    for (char& c : commit) {
        const bool allowed = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                             (c >= 'A' && c <= 'Z') || c == '-' || c == '.';
        if (!allowed) c = '-';
    }
    if (!commit.empty()) version += "+" + commit;
    return version;
}

}  // namespace tool
