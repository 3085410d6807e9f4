#include "tools/command_line/scenario_tool.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "compiler/error_codes.h"
#include "tests/tools/tool_test_support.h"
#include "tools/command_line/exit_status.h"

namespace tool {
namespace {

using nlohmann::json;
using testing::fixture;
using testing::installerFiles;
using testing::slurp;
using testing::spit;
using testing::TempDir;

using testing::Outcome;
using testing::runTool;

class ScenarioToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        spit(in.file(testing::kLineFixture), line);
        spit(in.file(testing::kTrainFixture), train);
    }
    std::string lineFile() const { return in.file(testing::kLineFixture); }
    std::string trainFile() const { return in.file(testing::kTrainFixture); }

    const std::string line = fixture(testing::kLineFixture);
    const std::string train = fixture(testing::kTrainFixture);
    TempDir in;
    TempDir out;
};

TEST_F(ScenarioToolTest, UsageErrorsWriteNothing) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"compile"},
        {"compile", lineFile()},
        {"translate", lineFile(), trainFile()},
        {"compile", lineFile(), trainFile(), "--bogus"},
        {"compile", lineFile(), trainFile(), "extra"},
        {"compile", lineFile(), trainFile(), "-Wno-error=speed-rounded"},  // refuses nothing
        {"compile", lineFile(), trainFile(), "-Wno-error=no-such-warning"},
        {"compile", lineFile(), trainFile(), "--out", lineFile()},  // not a directory
        {"compile", lineFile(), trainFile(), "--out"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& a : args) shown += a + " ";
        SCOPED_TRACE(shown);
        const Outcome run = runTool(args);
        EXPECT_EQ(run.status, kExitNothingWritten);
        EXPECT_NE(run.err, "");
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(out.listing().empty());
    }
    // A folder name the system cannot take is told as such, not as a folder that is missing:
    // past 4,096 bytes in all, or past 255 bytes in one part.
    for (const std::string& name :
         {out.file(std::string(5000, 'd')), out.file(std::string(300, 'd'))}) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"compile", lineFile(), trainFile(), "--out", name},
              std::vector<std::string>{"write-sources", name}}) {
            const Outcome run = runTool(args);
            EXPECT_EQ(run.status, kExitNothingWritten);
            EXPECT_NE(run.err.find("File name too long (a name of " + std::to_string(name.size()) +
                                   " bytes)"),
                      std::string::npos)
                << run.err;
            EXPECT_EQ(run.err.find("does not exist"), std::string::npos);
        }
    }
}

TEST_F(ScenarioToolTest, UsageErrorStillGivesItsObjectWhenJsonWasAsked) {
    const Outcome run = runTool({"compile", lineFile(), "--json"});
    EXPECT_EQ(run.status, kExitNothingWritten);
    const json report = json::parse(run.out);
    EXPECT_EQ(report["status"], 2);
    EXPECT_EQ(report["files"], json::array());
    EXPECT_EQ(report["fatal"], nullptr);
    EXPECT_TRUE(report["problem"].is_string());
}

TEST_F(ScenarioToolTest, HelpExplainsTheCommandAndItsStatuses) {
    const Outcome top = runTool({"--help"});
    EXPECT_EQ(top.status, 0);
    EXPECT_NE(top.out.find("compile"), std::string::npos) << top.out;

    const Outcome sub = runTool({"compile", "--help"});
    EXPECT_EQ(sub.status, 0);
    for (const char* told : {"LINE_FILE", "TRAIN_FILE", "--out", "--no-track-plan", "--line-name",
                             "--train-name", "--json", "X_linea.txt", "X_Y-.txt", "Exit status"}) {
        EXPECT_NE(sub.out.find(told), std::string::npos) << told;
    }
    EXPECT_TRUE(out.listing().empty());
}

TEST_F(ScenarioToolTest, OptionsReachTheCompilation) {
    const Outcome run =
        runTool({"compile", lineFile(), trainFile(), "--out", out.str(), "--no-track-plan",
                 "--line-name", "VALLE", "--train-name=R7", "--json"});
    EXPECT_EQ(run.status, kExitCompiled) << run.err;
    EXPECT_EQ(json::parse(run.out)["files"], json({"VALLE_R7.sim", "VALLE_R7.dat"}));
    const auto expected = installerFiles(line, train, "VALLE", "R7", 0);
    EXPECT_EQ(slurp(out.file("VALLE_R7.sim")), expected.at("VALLE_R7.sim"));
    EXPECT_EQ(slurp(out.file("VALLE_R7.dat")), expected.at("VALLE_R7.dat"));
}

// The built program, started as a user starts it.
struct Process {
    int status = -1;
    std::string out;
    std::string err;
};

Process start(const std::string& dir, const std::string& args) {
    TempDir scratch;
    const std::string errPath = scratch.file("stderr");
    const std::string command =
        "cd '" + dir + "' && '" SCENARIO_TOOL_EXE "' " + args + " 2>'" + errPath + "'";
    Process p;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return p;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) p.out.append(buffer, got);
    const int raw = ::pclose(pipe);
    p.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    p.err = slurp(errPath);
    return p;
}

TEST_F(ScenarioToolTest, ProgramCompilesNextToTheDescriptionsByDefault) {
    const Process p = start(
        in.str(), std::string("compile ") + testing::kLineFixture + " " + testing::kTrainFixture);

    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.err, "");
    EXPECT_EQ(p.out, "./COLLE_MARE_linea.dat\n./COLLE_MARE_R2041.sim\n./COLLE_MARE_R2041.dat\n");
    for (const auto& [name, bytes] : installerFiles(line, train, "COLLE_MARE", "R2041", 1)) {
        EXPECT_EQ(slurp(in.file(name)), bytes) << name;
    }
    EXPECT_EQ(slurp(lineFile()), line);
    EXPECT_EQ(slurp(trainFile()), train);
}

TEST_F(ScenarioToolTest, ProgramReportsARecordedFailure) {
    spit(trainFile(), testing::withRecord(train, "segnale,  2520,  1, 1, 1,  0, 0,  1,  1,1,0, 0"));

    const Process p = start(in.str(), std::string("compile ") + testing::kLineFixture + " " +
                                          testing::kTrainFixture + " --out '" + out.str() +
                                          "' --json --write-on-error -w");

    EXPECT_EQ(p.status, 1);
    EXPECT_EQ(p.err,
              "COLLE_MARE_R2041-.txt:15:1: error 16 at 2520 m: signal cell already taken\n"
              "    segnale,  2520,  1, 1, 1,  0, 0,  1,  1,1,0, 0\n"
              "    ^\n");
    const json report = json::parse(p.out);
    EXPECT_EQ(report["errorCode"], scenario::codeNumber(scenario::ErrorCode::signalCellTaken));
    EXPECT_EQ(report["errorPosition"], 2520);
    EXPECT_EQ(report["files"].size(), 3u);
    EXPECT_EQ(out.listing().size(), 3u);
}

}  // namespace
}  // namespace tool
