#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tools/command_line/exit_status.h"
#include "tools/command_line/scenario_tool.h"

namespace tool {
namespace {

// The release the project's CMakeLists.txt sets, handed to the tests by the build.
constexpr const char* kProjectVersion = SCENARIO_PROJECT_VERSION;

std::string escapedForRegex(const std::string& text) {
    return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

TEST(VersionTest, VersionFlagPrintsTheProjectsReleaseAndTheCommitIfAny) {
    // --version stands alone, and wins over a command given with it, as --help does.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--version"},
          std::vector<std::string>{"--version", "write-sources", "no-such-dir"}}) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(runScenarioTool(args, out, err), kExitCompiled) << args.size();
        // One line: the release, then the commit (git describe) in brackets when built from a
        // checkout.
        const std::regex expected("scenario-tool " + escapedForRegex(kProjectVersion) +
                                  R"(( \([0-9A-Za-z._-]+\))?\n)");
        EXPECT_TRUE(std::regex_match(out.str(), expected)) << out.str();
        EXPECT_EQ(err.str(), "");
    }
}

TEST(VersionTest, HelpListsTheVersionFlagAndACommandRejectsIt) {
    std::ostringstream helpOut;
    std::ostringstream helpErr;
    ASSERT_EQ(runScenarioTool({"--help"}, helpOut, helpErr), kExitCompiled);
    EXPECT_NE(helpOut.str().find("--version"), std::string::npos) << helpOut.str();

    // The flag belongs to the program, not to its commands: after a command it is a usage
    // error, and nothing runs.
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runScenarioTool({"write-sources", "--version", "."}, out, err), kExitNothingWritten);
    EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace tool
