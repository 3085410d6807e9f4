// Descriptions and compiled files written to harm: control characters meant for a terminal,
// lines of megabytes, files far larger than any of their kind.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "tests/tools/tool_test_support.h"
#include "tools/command_line/input_limits.h"
#include "tools/command_line/scenario_tool.h"
#include "tools/viewer/live_scenario.h"

namespace tool {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::fixture;
using testing::slurp;
using testing::spit;
using testing::TempDir;
using testing::withRecord;

using testing::Outcome;

Outcome run(const std::vector<std::string>& args) {
    return testing::runTool(args);
}

// JSON escapes the bytes below 0x20 and leaves DEL as it is, as JSON does.
bool hasControlBytes(const std::string& text, bool countDelete = true) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n' && c != '\t') || (countDelete && byte == 0x7F)) return true;
    }
    return false;
}

// The character the caret of a failure's context stands under.
char underCaret(const std::string& err) {
    const std::size_t caret = err.rfind('^');
    const std::size_t caretLineStart = err.rfind('\n', caret) + 1;
    const std::size_t sourceLineStart = err.rfind('\n', caretLineStart - 2) + 1;
    return err.at(sourceLineStart + (caret - caretLineStart));
}

class HostileInput : public ::testing::Test {
  protected:
    std::string line() const { return dir.file(testing::kLineFixture); }
    std::string train() const { return dir.file(testing::kTrainFixture); }
    Outcome compileTrain(const std::string& trainText, bool json = false) {
        spit(line(), fixture(testing::kLineFixture));
        spit(train(), trainText);
        std::vector<std::string> args = {"compile", line(), train(), "--out", dir.str()};
        if (json) args.push_back("--json");
        return run(args);
    }
    TempDir dir;
};

TEST_F(HostileInput, TerminalBytesAreShownEscaped) {
    const std::string trainText = fixture(testing::kTrainFixture);
    // A station named with an escape that would retitle a terminal and a bell.
    std::string named = trainText;
    named.replace(named.find("MONTE"), 5, "MO\x1b]0;owned\x07NTE\x7f");
    ASSERT_EQ(compileTrain(named).status, 0);
    const std::string route = dir.file("COLLE_MARE_R2041.dat");
    const std::string sim = dir.file("COLLE_MARE_R2041.sim");

    const Outcome text = run({"inspect", sim, route});
    EXPECT_FALSE(hasControlBytes(text.out));
    EXPECT_NE(text.out.find("MO\\x1b]0;owned\\x07NTE\\x7f"), std::string::npos) << text.out;

    const Outcome asJson = run({"inspect", "--json", sim});
    EXPECT_FALSE(hasControlBytes(asJson.out, false));
    EXPECT_EQ(json::parse(asJson.out)["files"][0]["train"]["stations"][0]["name"],
              "MO\x1b]0;owned\x07NTE\x7f");

    const Outcome map = run({"map", route});
    EXPECT_FALSE(hasControlBytes(map.out));

    // A failure on a line that holds them: message and context escaped, the caret under the
    // field still.
    const Outcome failed =
        compileTrain(withRecord(trainText, "velocita,  \x1b[2J\x1b[2J  3000x,  60"));
    EXPECT_EQ(failed.status, 1);
    EXPECT_FALSE(hasControlBytes(failed.err)) << failed.err;
    EXPECT_NE(failed.err.find("\\x1b[2J"), std::string::npos) << failed.err;

    // The detail quotes the field in UTF-8, as the line under it does: 0xE9 is "é".
    const Outcome accented = compileTrain(withRecord(trainText, "velocita,  3000\xe9,  60"), true);
    EXPECT_NE(accented.err.find("'3000\xc3\xa9'"), std::string::npos) << accented.err;
    EXPECT_NE(json::parse(accented.out)["message"].get<std::string>().find("3000\xc3\xa9"),
              std::string::npos);
}

// A path is text for a person like any other: one that holds an escape that would retitle a
// terminal is shown escaped on both streams, whatever command names it.
TEST_F(HostileInput, PathsAreShownEscaped) {
    const std::string evil = dir.file("evil\x1b]0;owned\x07");
    fs::create_directory(evil);
    const std::string lineIn = evil + "/" + testing::kLineFixture;
    const std::string trainIn = evil + "/" + testing::kTrainFixture;
    spit(lineIn, fixture(testing::kLineFixture));
    spit(trainIn, withRecord(fixture(testing::kTrainFixture), "segnlae,  7000,  1"));
    const std::vector<std::vector<std::string>> commands = {
        {"compile", lineIn, trainIn, "--out", evil,
         "-Wno-error=unknown-keyword"},  // lists the files written
        {"write-sources", evil},
        {"check", lineIn, trainIn},  // a warning at its file:line
        {"inspect", evil + "/COLLE_MARE_R2041.dat", evil + "/COLLE_MARE_R2041.sim"},
        {"check", lineIn, evil + "/missing-.txt"},
        {"compile", lineIn, trainIn, "--out", evil + "/missing"},  // refused, the warning named
        {"inspect", evil + "/COLLE_MARE_R2041.dat", "--sources", evil, trainIn},
    };
    for (const auto& args : commands) {
        SCOPED_TRACE(args.front() + " " + args.back());
        const Outcome o = run(args);
        EXPECT_FALSE(hasControlBytes(o.out)) << o.out;
        EXPECT_FALSE(hasControlBytes(o.err)) << o.err;
        EXPECT_NE((o.out + o.err).find("evil\\x1b]0;owned\\x07"), std::string::npos)
            << o.out << o.err;
    }
}

TEST_F(HostileInput, ALongLineIsCutAroundTheFailure) {
    const std::string trainText = fixture(testing::kTrainFixture);
    const Outcome shortLine = compileTrain(withRecord(trainText, "velocita,  0,  8x0"));
    ASSERT_EQ(shortLine.status, 1);
    const char expected = underCaret(shortLine.err);

    const std::string padding(4'000'000, ' ');
    const Outcome longLine =
        compileTrain(withRecord(trainText, "velocita,  0,  " + padding + "8x0" + padding), true);
    ASSERT_EQ(longLine.status, 1);
    EXPECT_LT(longLine.err.size(), 1000u);
    EXPECT_NE(longLine.err.find("    ..."), std::string::npos) << longLine.err;
    EXPECT_EQ(underCaret(longLine.err), expected) << longLine.err;

    const json report = json::parse(longLine.out);
    const std::string source = report["sourceLine"];
    EXPECT_LT(source.size(), 300u);
    EXPECT_TRUE(source.starts_with("...") && source.ends_with("..."));
    const int column = report["sourceColumn"];
    const std::string shortSource = json::parse(
        compileTrain(withRecord(trainText, "velocita,  0,  8x0"), true).out)["sourceLine"];
    EXPECT_EQ(source.at(static_cast<std::size_t>(column - 1)), expected);
    EXPECT_NE(shortSource.find(expected), std::string::npos);
}

TEST_F(HostileInput, OversizedDescriptionsAreRefusedBeforeTheyAreRead) {
    spit(line(), fixture(testing::kLineFixture));
    // A sparse file of 2 GiB of NUL bytes takes no room and must not be read.
    const std::string huge = dir.file("HUGE_X-.txt");
    spit(huge, "");
    fs::resize_file(huge, 2ull << 30);
    const auto start = std::chrono::steady_clock::now();
    const Outcome o = run({"compile", line(), huge, "--train-name", "X", "--json"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("2147483648 bytes, above the 67108864 bytes (64 MiB)"), std::string::npos)
        << o.err;
    EXPECT_EQ(json::parse(o.out)["status"], 2);

    // One byte past the limit is refused; a pipe or device is read no further than that.
    fs::resize_file(huge, kMaxDescriptionBytes + 1);
    EXPECT_EQ(run({"compile", line(), huge, "--train-name", "X"}).status, 2);
    const Outcome diffed = run({"diff", "--json", line(), huge, line(), huge});
    EXPECT_EQ(diffed.status, 2);
    EXPECT_NE(diffed.err.find("67108865 bytes, above the 67108864 bytes"), std::string::npos)
        << diffed.err;
    EXPECT_EQ(json::parse(diffed.out)["status"], 2);
    const Outcome endless =
        run({"map", "--from-sources", line(), "/dev/zero", "--train-name", "X"});
    EXPECT_EQ(endless.status, 2);
    EXPECT_NE(endless.err.find("/dev/zero: more than the 67108864 bytes"), std::string::npos)
        << endless.err;
}

// Every command that reads a description refuses one above the bound from its size, before a
// byte of it is read, and reads a pipe or a device no further than the bound.
TEST_F(HostileInput, EveryReaderRefusesADescriptionAboveTheBound) {
    ASSERT_EQ(compileTrain(fixture(testing::kTrainFixture)).status, 0);
    const std::string route = dir.file("COLLE_MARE_R2041.dat");
    const std::string huge = dir.file("HUGE-.txt");
    spit(huge, "");
    fs::resize_file(huge, 1ull << 30);  // sparse: it takes no room
    // A route with a huge description beside it, found by its name.
    const std::string beside = dir.file("beside");
    fs::create_directory(beside);
    fs::copy_file(route, beside + "/COLLE_MARE_R2041.dat");
    spit(beside + "/COLLE_MARE_R2041-.txt", fixture(testing::kTrainFixture));
    spit(beside + "/COLLE_MARE_linea.txt", "");
    fs::resize_file(beside + "/COLLE_MARE_linea.txt", 1ull << 30);

    const std::string sized = ": 1073741824 bytes, above the 67108864 bytes (64 MiB)";
    const std::string endless = "/dev/zero: more than the 67108864 bytes (64 MiB)";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string words;
    } cases[] = {
        {{"check", huge, train()}, 2, huge + sized},
        {{"check", line(), huge, "--json"}, 2, huge + sized},
        {{"check", line(), "/dev/zero", "--sarif"}, 2, endless},
        {{"inspect", route, "--sources", line(), huge}, 2, huge + sized},
        {{"inspect", route, "--sources", "/dev/zero", train(), "--json"}, 2, endless},
        // Descriptions found beside the route are an extra: the route is still told.
        {{"inspect", beside + "/COLLE_MARE_R2041.dat"},
         0,
         beside + "/COLLE_MARE_linea.txt" + sized},
        {{"serve", huge, train(), "--port", "0"}, 2, huge + sized},
        {{"compile", line(), huge, "--train-name", "X"}, 2, huge + sized},
        {{"diff", line(), train(), line(), huge}, 2, huge + sized},
        {{"map", "--from-sources", line(), huge, "--train-name", "X"}, 2, huge + sized},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        const auto start = std::chrono::steady_clock::now();
        const Outcome o = run(c.args);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(o.status, c.status) << o.err;
        EXPECT_NE(o.err.find(c.words), std::string::npos) << o.err;
        if (c.args.back() == "--json") {
            EXPECT_EQ(json::parse(o.out)["status"], c.status);
        }
        if (c.args.back() == "--sarif") {
            const json log = json::parse(o.out);
            const json& ran = log["runs"][0]["invocations"][0];
            EXPECT_EQ(ran["executionSuccessful"], false);
            EXPECT_EQ(ran["exitCode"], c.status);
        }
    }

    // The live viewer tells a description saved past the bound, and reads none of it.
    LiveScenario live({line(), train(), "COLLE_MARE", "R2041"});
    ASSERT_TRUE(live.refresh());
    fs::resize_file(train(), 1ull << 30);
    bool seen = false;
    for (int look = 0; look < 75 && !seen; ++look) {
        seen = live.refresh();
        if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    ASSERT_TRUE(seen);
    EXPECT_NE(json::parse(live.state()->json)["problem"].get<std::string>().find(train() + sized),
              std::string::npos);
}

TEST_F(HostileInput, CompiledFilesLargerThanTheirKindAreDamaged) {
    const struct {
        const char* name;
        std::uint64_t largest;
    } kinds[] = {
        {"X_Y.dat", kMaxRouteBytes}, {"X_Y.sim", kMaxTrainBytes}, {"X_linea.dat", kMaxPlanBytes}};
    for (const auto& kind : kinds) {
        const std::string path = dir.file(kind.name);
        spit(path, "");
        for (const std::uint64_t size :
             {kind.largest, kind.largest + 1, std::uint64_t{200} << 20}) {
            fs::resize_file(path, size);
            const Outcome inspected = run({"inspect", "--json", path});
            const json fault = json::parse(inspected.out)["files"][0]["fault"];
            if (size > kind.largest) {
                EXPECT_EQ(inspected.status, 3) << kind.name << " " << size;
                EXPECT_NE(fault["message"].get<std::string>().find("than the largest"),
                          std::string::npos);
                EXPECT_EQ(fault["offset"], kind.largest);
            } else if (!fault.is_null()) {
                // Decoded, whatever it then holds.
                EXPECT_EQ(fault["message"].get<std::string>().find("than the largest"),
                          std::string::npos);
            }
            const Outcome mapped = run({"map", path, "--kind", "route"});
            if (kind.largest == kMaxRouteBytes && size > kind.largest) {
                EXPECT_EQ(mapped.status, 3);
                EXPECT_NE(mapped.err.find("than the largest route"), std::string::npos);
            }
        }
    }
}

TEST_F(HostileInput, UnreadableCompiledFilesSayWhy) {
    const std::string folder = dir.file("X_Y.dat");
    fs::create_directory(folder);
    const Outcome inspected = run({"inspect", folder});
    EXPECT_EQ(inspected.status, 2);
    EXPECT_NE(inspected.err.find(folder + ": cannot be read: Is a directory"), std::string::npos)
        << inspected.err;
    const Outcome mapped = run({"map", folder});
    EXPECT_EQ(mapped.status, 2);
    EXPECT_NE(mapped.err.find(folder + ": cannot be read: Is a directory"), std::string::npos)
        << mapped.err;
}

}  // namespace
}  // namespace tool
