// Outputs a user names that are not plain files, outputs that are inputs, and standard output
// that is full or closed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "tests/tools/tool_test_support.h"
#include "tools/command_line/scenario_tool.h"

namespace tool {
namespace {

namespace fs = std::filesystem;
using testing::fixture;
using testing::slurp;
using testing::spit;
using testing::TempDir;

using testing::Outcome;

Outcome run(const std::vector<std::string>& args) {
    return testing::runTool(args);
}

// The built program with its standard output sent where `redirection` says (a shell
// redirection such as ">/dev/full" or ">&-").
Outcome runProgram(const std::string& args, const std::string& redirection,
                   const TempDir& scratch) {
    const std::string errPath = scratch.file("stderr.txt");
    const std::string command =
        "'" SCENARIO_TOOL_EXE "' " + args + " " + redirection + " 2>'" + errPath + "'";
    const int raw = std::system(command.c_str());
    Outcome o;
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.err = slurp(errPath);
    return o;
}

class OutputTargets : public ::testing::Test {
  protected:
    void SetUp() override {
        spit(line(), lineText);
        spit(train(), trainText);
        const Outcome compiled = run({"compile", line(), train(), "--out", dir.str()});
        ASSERT_EQ(compiled.status, 0) << compiled.err;
    }
    std::string line() const { return dir.file(testing::kLineFixture); }
    std::string train() const { return dir.file(testing::kTrainFixture); }
    std::string route() const { return dir.file("COLLE_MARE_R2041.dat"); }
    std::string trainFile() const { return dir.file("COLLE_MARE_R2041.sim"); }
    std::string svg() const { return run({"map", route()}).out; }

    const std::string lineText = fixture(testing::kLineFixture);
    const std::string trainText = fixture(testing::kTrainFixture);
    TempDir dir;
};

TEST_F(OutputTargets, MapWritesIntoDevicesAndLinksWithoutReplacingThem) {
    const std::string expected = svg();
    ASSERT_NE(expected.find("<svg"), std::string::npos);

    // A link to a device: the device takes the bytes, the link stays a link.
    const std::string toNull = dir.file("null-link.svg");
    fs::create_symlink("/dev/null", toNull);
    EXPECT_EQ(run({"map", route(), "-o", toNull}).status, 0);
    EXPECT_TRUE(fs::is_symlink(toNull));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // A link to a plain file: the file it names is replaced, the link kept.
    const std::string target = dir.file("target.svg");
    const std::string link = dir.file("link.svg");
    spit(target, "old");
    fs::create_symlink(target, link);
    EXPECT_EQ(run({"map", route(), "-o", link}).status, 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(slurp(target), expected);

    // A FIFO: a reader at its other end gets the whole map, and it stays a FIFO.
    const std::string fifo = dir.file("map.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = slurp(fifo); });
    const Outcome toFifo = run({"map", route(), "-o", fifo});
    reader.join();
    EXPECT_EQ(toFifo.status, 0) << toFifo.err;
    EXPECT_EQ(received, expected);
    EXPECT_TRUE(fs::is_fifo(fifo));

    // "-" is standard output.
    const Outcome dash = run({"map", route(), "-o", "-"});
    EXPECT_EQ(dash.status, 0);
    EXPECT_EQ(dash.out, expected);
    EXPECT_FALSE(fs::exists("-"));
}

TEST_F(OutputTargets, DirectoriesAndLinksToNothingAreRefused) {
    const std::string dangling = dir.file("dangling.svg");
    fs::create_symlink(dir.file("nowhere/x.svg"), dangling);
    const std::string folder = dir.file("folder.svg");
    fs::create_directory(folder);
    for (const std::string& target : {dangling, folder}) {
        const Outcome o = run({"map", route(), "-o", target});
        EXPECT_EQ(o.status, 4) << target;
        EXPECT_NE(o.err.find("cannot write " + target + ": "), std::string::npos) << o.err;
    }
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST_F(OutputTargets, AnOutputThatIsAnInputIsRefused) {
    const std::string hardLink = dir.file("another-name.txt");
    fs::create_hard_link(line(), hardLink);
    const std::string symLink = dir.file("symbolic.svg");
    fs::create_symlink(train(), symLink);
    const std::vector<std::vector<std::string>> cases = {
        {"map", "--from-sources", line(), train(), "-o", line()},
        {"map", "--from-sources", line(), train(), "-o", hardLink},
        {"map", "--from-sources", line(), train(), "-o", symLink},
        {"map", route(), "-o", route()},
        // The train file found beside the route is an input too.
        {"map", route(), "-o", trainFile()},
    };
    const std::string routeBytes = slurp(route());
    const std::string trainBytes = slurp(trainFile());
    for (const auto& args : cases) {
        const Outcome o = run(args);
        EXPECT_EQ(o.status, 2) << args.back();
        EXPECT_NE(o.err.find("left unchanged"), std::string::npos) << o.err;
    }
    EXPECT_EQ(slurp(line()), lineText);
    EXPECT_EQ(slurp(train()), trainText);
    EXPECT_EQ(slurp(route()), routeBytes);
    EXPECT_EQ(slurp(trainFile()), trainBytes);

    // A compiled name that is a link to a description.
    TempDir out;
    fs::create_symlink(line(), out.file("COLLE_MARE_R2041.dat"));
    const Outcome compiled = run({"compile", line(), train(), "--out", out.str(), "--json"});
    EXPECT_EQ(compiled.status, 2);
    EXPECT_NE(compiled.out.find("left unchanged"), std::string::npos) << compiled.out;
    EXPECT_EQ(slurp(line()), lineText);
}

TEST_F(OutputTargets, CompileAndWriteSourcesKeepLinksAndDevices) {
    TempDir out;
    const std::string kept = out.file("kept.dat");
    spit(kept, "old");
    fs::create_symlink(kept, out.file("COLLE_MARE_R2041.dat"));
    fs::create_symlink("/dev/null", out.file("COLLE_MARE_R2041.sim"));
    const Outcome compiled = run({"compile", line(), train(), "--out", out.str()});
    EXPECT_EQ(compiled.status, 0) << compiled.err;
    EXPECT_TRUE(fs::is_symlink(out.file("COLLE_MARE_R2041.dat")));
    EXPECT_TRUE(fs::is_symlink(out.file("COLLE_MARE_R2041.sim")));
    EXPECT_EQ(slurp(kept), slurp(route()));

    TempDir sources;
    fs::create_symlink("/dev/null", sources.file("GENOVA_TORINO_linea.txt"));
    const Outcome written = run({"write-sources", sources.str()});
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_TRUE(fs::is_symlink(sources.file("GENOVA_TORINO_linea.txt")));
    EXPECT_TRUE(fs::is_regular_file(sources.file("GENOVA_TORINO_IC514-.txt")));
}

// Every command that writes to standard output fails with its own status when it cannot.
TEST_F(OutputTargets, FullOrClosedStandardOutputIsAFailure) {
    TempDir scratch;
    const std::string q = "'";
    const struct {
        std::string args;
        int status;
    } cases[] = {
        {"inspect " + q + route() + q, 4},
        {"inspect --json " + q + route() + q, 4},
        {"map " + q + route() + q, 4},
        {"compile --json --out " + q + scratch.str() + q + " " + q + line() + q + " " + q +
             train() + q,
         3},
        {"write-sources " + q + scratch.str() + q, 3},
        {"diff --json " + q + line() + q + " " + q + train() + q + " " + q + line() + q + " " + q +
             train() + q,
         3},
    };
    for (const auto& c : cases) {
        for (const std::string redirection : {">/dev/full", ">&-"}) {
            const Outcome o = runProgram(c.args, redirection, scratch);
            EXPECT_EQ(o.status, c.status) << c.args << " " << redirection;
            EXPECT_NE(o.err.find("scenario-tool: cannot write to standard output: "),
                      std::string::npos)
                << c.args << " " << redirection << ": " << o.err;
        }
    }
    // The same commands succeed when standard output takes the bytes.
    for (const auto& c : cases) {
        EXPECT_EQ(runProgram(c.args, ">/dev/null", scratch).status, 0) << c.args;
    }
    // A viewer whose address cannot be shown stops at once rather than serve unseen.
    for (const std::string redirection : {">/dev/full", ">&-"}) {
        const Outcome o = runProgram("serve --port 0 " + q + line() + q + " " + q + train() + q,
                                     redirection, scratch);
        EXPECT_EQ(o.status, 3) << redirection;
        EXPECT_NE(o.err.find("scenario-tool: cannot write to standard output: "), std::string::npos)
            << redirection << ": " << o.err;
    }
}

}  // namespace
}  // namespace tool
