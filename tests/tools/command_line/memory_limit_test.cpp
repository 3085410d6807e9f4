// The built program under a limit on its memory: a --json run still ends with its JSON
// document, the failure told in it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/tools/tool_test_support.h"
#include "tools/command_line/scenario_tool.h"

namespace tool {
namespace {

using testing::fixture;
using testing::slurp;
using testing::spit;
using testing::TempDir;

TEST(MemoryLimit, JsonRunsEndWithAJsonDocumentWhenMemoryRunsOut) {
#ifndef SCENARIO_TOOL_UNSANITIZED_EXE
    GTEST_SKIP() << "needs the tool built without sanitizers";
#else
    TempDir dir;
    // The longest line: its 20 MB plan is the largest compiled file there is.
    std::string line = fixture(testing::kLineFixture);
    line.replace(line.find("10000"), 5, "1000000");
    spit(dir.file("LUNGA_linea.txt"), line);
    spit(dir.file("LUNGA_R1-.txt"), fixture(testing::kTrainFixture));
    std::ostringstream out, err;
    ASSERT_EQ(runScenarioTool({"compile", dir.file("LUNGA_linea.txt"), dir.file("LUNGA_R1-.txt"),
                               "--out", dir.str()},
                              out, err),
              0)
        << err.str();
    // check reads the descriptions into memory and indexes their lines (it never stores the
    // plan's points): two million empty lines after the line's end make it need tens of
    // megabytes.
    std::string padded = line;
    for (int i = 0; i < 2000000; ++i) padded += "\r\n";
    spit(dir.file("RIGHE_linea.txt"), padded);

    // The address space the program may use, from too little for the run to enough for all
    // of it; the limit is set in the shell that starts the program, so the program itself is
    // not changed for the test.
    const struct {
        const char* name;
        std::string arguments;
        bool sarif = false;
    } runs[] = {
        {"inspect, decoding the 20 MB plan",
         "inspect --json '" + dir.file("LUNGA_linea.dat") + "'"},
        {"check, reading a 4 MB description",
         "check --json '" + dir.file("RIGHE_linea.txt") + "' '" + dir.file("LUNGA_R1-.txt") + "'"},
        {"check, a SARIF log",
         "check --sarif '" + dir.file("RIGHE_linea.txt") + "' '" + dir.file("LUNGA_R1-.txt") + "'",
         true},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        int outOfMemory = 0;
        int completed = 0;
        for (const int megabytes : {16, 20, 24, 32, 48, 64, 96, 256}) {
            const std::string command = "ulimit -v " + std::to_string(megabytes * 1024) + "; '" +
                                        SCENARIO_TOOL_UNSANITIZED_EXE + "' " + run.arguments +
                                        " >'" + dir.file("out.json") + "' 2>'" +
                                        dir.file("err.txt") + "'";
            const int raw = std::system(command.c_str());
            ASSERT_TRUE(WIFEXITED(raw)) << megabytes << " MB: ended by a signal";
            const int status = WEXITSTATUS(raw);
            const std::string printed = slurp(dir.file("out.json"));
            const std::string told = slurp(dir.file("err.txt"));
            nlohmann::json document;
            ASSERT_NO_THROW(document = nlohmann::json::parse(printed))
                << megabytes << " MB, status " << status << ": " << printed << told;
            // A SARIF log tells the run's end in its invocation.
            const nlohmann::json& ran =
                run.sarif ? document.at("runs").at(0).at("invocations").at(0) : document;
            EXPECT_EQ(ran.at(run.sarif ? "exitCode" : "status"), status);
            if (status == 4) {
                if (run.sarif) {
                    EXPECT_EQ(ran.at("executionSuccessful"), false);
                    EXPECT_EQ(ran.at("toolExecutionNotifications").at(0).at("message").at("text"),
                              "out of memory");
                } else {
                    EXPECT_EQ(document["problem"], "out of memory");
                }
                EXPECT_NE(told.find("scenario-tool: out of memory"), std::string::npos) << told;
                ++outOfMemory;
            } else {
                EXPECT_EQ(status, 0) << told;
                ++completed;
            }
        }
        EXPECT_GT(outOfMemory, 0);
        EXPECT_GT(completed, 0);
    }
#endif
}

}  // namespace
}  // namespace tool
