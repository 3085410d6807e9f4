// diff on pairs of edited descriptions of the carried scenario, compiled in memory and as
// compiled sets, and on compiled routes changed byte by byte.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/tools/tool_test_support.h"
#include "tools/diff/diff_command.h"

namespace {

using namespace tool::testing;
using json = nlohmann::json;

constexpr const char* kLineName = "GENOVA_TORINO_linea.txt";
constexpr const char* kTrainName = "GENOVA_TORINO_IC514-.txt";

void writeSet(const std::string& dir, const std::map<std::string, std::string>& files) {
    for (const auto& [name, bytes] : files) spit(dir + "/" + name, bytes);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos) throw std::logic_error("no \"" + from + "\" to edit");
    return text.replace(at, from.size(), to);
}

// One edit of a description: the first `from` in it becomes `to`.
struct Edit {
    bool inLine;
    std::string from;
    std::string to;
};

// The carried scenario's descriptions as write-sources writes them, in A, and in B with the
// edits made; and each pair compiled as the installer compiles it, in its own folder.
struct EditedPair {
    TempDir a, b, compiledA, compiledB;

    // `both` are made in A and B, `edits` in B only.
    explicit EditedPair(const std::vector<Edit>& edits, const std::vector<Edit>& both = {}) {
        const Outcome written = runTool({"write-sources", a.str()});
        if (written.status != 0) throw std::runtime_error("write-sources: " + written.err);
        std::string line = slurp(a.file(kLineName));
        std::string train = slurp(a.file(kTrainName));
        const auto edit = [&](const std::vector<Edit>& list) {
            for (const Edit& e : list) {
                std::string& text = e.inLine ? line : train;
                text = replaced(text, e.from, e.to);
            }
        };
        edit(both);
        spit(a.file(kLineName), line);
        spit(a.file(kTrainName), train);
        writeSet(compiledA.str(), installerFiles(line, train, "GENOVA_TORINO", "IC514", 1));
        edit(edits);
        spit(b.file(kLineName), line);
        spit(b.file(kTrainName), train);
        writeSet(compiledB.str(), installerFiles(line, train, "GENOVA_TORINO", "IC514", 1));
    }

    std::vector<std::string> sources() const {
        return {a.file(kLineName), a.file(kTrainName), b.file(kLineName), b.file(kTrainName)};
    }
    // "LINE_A", "TRAIN_A", "LINE_B" and "TRAIN_B" in `text` made the paths of this pair.
    std::string withPaths(std::string text) const {
        const std::vector<std::string> paths = sources();
        const char* names[] = {"LINE_A", "TRAIN_A", "LINE_B", "TRAIN_B"};
        for (int i = 0; i < 4; ++i) {
            for (std::size_t at; (at = text.find(names[i])) != std::string::npos;) {
                text.replace(at, std::string(names[i]).size(), paths[std::size_t(i)]);
            }
        }
        return text;
    }
};

struct DiffCase {
    const char* name;
    std::vector<Edit> edits;
    std::vector<std::string> lines;    // what diff tells, nothing else
    std::vector<std::string> records;  // what each line names from the descriptions
    std::vector<Edit> both = {};       // made in A too, before
};

const std::string kSlowdown = "rallentamento, 61000, 30, 1000, 0, 1, 0\r\n";
const Edit kFastSlowdown = {false, "[rallentamenti]\r\n",
                            "[rallentamenti]\r\nrallentamento, 61000, 120, 1000, 0, 1, 0\r\n"};

const DiffCase kCases[] = {
    {"signal moved",
     {{false, "segnale,   35150,", "segnale,   35350,"}},
     {"signal at 35+150 moved to 35+350"},
     {"(A TRAIN_A:83, B TRAIN_B:83)"}},
    {"departure later",
     {{false, "   9,57, 0, ALESSANDRIA", "   9,58, 0, ALESSANDRIA"}},
     {"station ALESSANDRIA: departure 60 s later"},
     {"(A TRAIN_A:46, B TRAIN_B:46)"}},
    // Speed 30 with f_ta: a warning board, four countdown cells and the compiler's marks
    // before and inside it, all folded into the one line.
    {"slowdown added",
     {{false, "[rallentamenti]\r\n", "[rallentamenti]\r\n" + kSlowdown}},
     {"slowdown 30 km/h added from 61+000 to 62+000"},
     {"(B TRAIN_B:67)"}},
    {"gradient changed",
     {{true, "pendenza,  79800,   3", "pendenza,  79800,   2"}},
     {"gradient from 79+800 to 80+450: 3 to 2 per mille"},
     {"(A LINE_A:72, B LINE_B:72)"}},
    {"speed limit changed",
     {{false, "velocita,   56900,   160", "velocita,   56900,   150"}},
     {"speed limit from 56+900 to 79+600: 160 to 150 km/h"},
     {"(A TRAIN_A:18, B TRAIN_B:18)"}},
    {"line length changed",
     {{true, "lunghezza percorso,    169000", "lunghezza percorso,    170000"}},
     {"line: length 169000 to 170000 m"},
     {"(A LINE_A:2, B LINE_B:2)"}},
    {"station moved",
     {{false, "stazione,   79000,", "stazione,   78500,"}},
     {"station ALESSANDRIA at 79+000 moved to 78+500"},
     {"(A TRAIN_A:46, B TRAIN_B:46)"}},
    // Below 110 km/h the compiler adds marks inside the slowdown and after it.
    {"slowdown slower",
     {{false, "61000, 120,", "61000, 30,"}},
     {"slowdown 120 km/h from 61+000 to 62+000: speed 120 to 30 km/h"},
     {"(A TRAIN_A:67, B TRAIN_B:67)"},
     {kFastSlowdown}},
    {"slowdown moved",
     {{false, "rallentamento, 61000, 120,", "rallentamento, 61500, 120,"}},
     {"slowdown 120 km/h from 61+000 to 62+000 moved to 61+500 to 62+500"},
     {"(A TRAIN_A:67, B TRAIN_B:67)"},
     {kFastSlowdown}},
    // The stretch starts 100 m later: its markers, every fourth cell from its start, move.
    {"mountain stretch shortened",
     {{true, "montagna,   500,  2850,  11", "montagna,   600,  2850,  11"}},
     {"mountain stretch type 1 from 0+500 to 0+600 removed"},
     {"(A LINE_A:85)"}},
    {"braked mass changed",
     {{false, "frenata,    125", "frenata,    110"}},
     {"train: braked mass 125 to 110 %"},
     {"(A TRAIN_A:3, B TRAIN_B:3)"}},
    {"curve turned the other way",
     {{true, "curvas3,  8500,  650", "curvad3,  8500,  650"}},
     {"curve from 8+500 to 9+150: class 3 left to class 3 right"},
     {"(A LINE_A:18, B LINE_B:18)"}},
    {"curve moved",
     {{true, "curvas3,  8500,  650", "curvas3,  8600,  650"}},
     {"curve class 3 left from 8+500 to 9+150 moved to 8+600 to 9+250"},
     {"(A LINE_A:18, B LINE_B:18)"}},
    // The moved signal stands before the new slowdown's warning board: the mark the compiler
    // puts before it is folded too. The slowdown's line moves the signal's record down by one.
    {"two edits at once",
     {{false, "[rallentamenti]\r\n", "[rallentamenti]\r\n" + kSlowdown},
      {false, "segnale,   59400,", "segnale,   59500,"}},
     {"slowdown 30 km/h added from 61+000 to 62+000", "signal at 59+400 moved to 59+500"},
     {"(B TRAIN_B:67)", "(A TRAIN_A:96, B TRAIN_B:97)"}},
    // A field that names two records: each change names the line the compiler read it from.
    {"slowdown in the signal's field",
     {{false, "segnale,   35150,   2, 3, 1,  0, 0,    2,  2,1,0, 0",
       "segnale rallentamento,   35150,   2, 3, 1,  0, 0,    2,  2,1,0, 0, 61000, 30, 1000, 0, 1, "
       "0"}},
     {"slowdown 30 km/h added from 61+000 to 62+000"},
     {"(B TRAIN_B:83)"}},
    {"adhesion in the speed's field",
     {{false, "velocita,    4200,   100", "velocita aderenza,    4200,   100, 4300, 90"}},
     {"adhesion from 4+300 to 175+900: 100 to 90"},
     {"(A TRAIN_A:7, B TRAIN_B:10)"}},
};

TEST(DiffCommand, EachEditOfTheDescriptionsIsToldInOneLineWithItsRecords) {
    for (const DiffCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const EditedPair pair(c.edits, c.both);
        std::vector<std::string> args = {"diff"};
        for (const std::string& s : pair.sources()) args.push_back(s);
        const Outcome described = runTool(args);
        EXPECT_EQ(described.status, 1) << described.err;
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            expected.push_back(c.lines[i] + "  " + pair.withPaths(c.records[i]));
        }
        EXPECT_EQ(linesOf(described.out), expected);

        // The compiled sets of the same descriptions tell the same, without the records.
        const Outcome compiled = runTool({"diff", pair.compiledA.str(), pair.compiledB.str()});
        EXPECT_EQ(compiled.status, 1) << compiled.err;
        EXPECT_EQ(linesOf(compiled.out), c.lines);

        // And the other way round, as many changes.
        const Outcome back = runTool({"diff", pair.compiledB.str(), pair.compiledA.str()});
        EXPECT_EQ(back.status, 1);
        EXPECT_EQ(linesOf(back.out).size(), c.lines.size()) << back.out;
    }
}

TEST(DiffCommand, TheSameDescriptionsAreTheSame) {
    const EditedPair pair({});
    std::vector<std::string> args = {"diff", "--json"};
    for (const std::string& s : pair.sources()) args.push_back(s);
    const Outcome run = runTool(args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(json::parse(run.out), json::parse(R"({"status":0,"problem":null,"changes":[]})"));
    const Outcome compiled = runTool({"diff", pair.compiledA.str(), pair.compiledB.str()});
    EXPECT_EQ(compiled.status, 0);
    EXPECT_EQ(compiled.out, "");

    // Names are no part of the descriptions: B's are compiled under A's.
    spit(pair.b.file("OTHER_linea.txt"), slurp(pair.a.file(kLineName)));
    spit(pair.b.file("OTHER_R1-.txt"), slurp(pair.a.file(kTrainName)));
    const Outcome renamed = runTool({"diff", pair.a.file(kLineName), pair.a.file(kTrainName),
                                     pair.b.file("OTHER_linea.txt"), pair.b.file("OTHER_R1-.txt")});
    EXPECT_EQ(renamed.status, 0) << renamed.out;
}

// The scenario codes follow from the names: a renamed train is told by its name alone, but a
// code that is not the one the names give is told too.
TEST(DiffCommand, CodesThatFollowFromTheNamesAreFoldedIntoTheName) {
    const std::string line = fixture(kLineFixture);
    const std::string train = fixture(kTrainFixture);
    TempDir a, b;
    writeSet(a.str(), installerFiles(line, train, "COLLE_MARE", "R2041", 1));
    auto renamed = installerFiles(line, train, "COLLE_MARE", "R2042", 1);
    writeSet(b.str(), renamed);
    Outcome run = runTool({"diff", a.str(), b.str()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "train: name R2041 to R2042\n");

    // The plain code of route cell 1 (bytes 18 and 19), one more than the names give.
    std::string& route = renamed.at("COLLE_MARE_R2042.dat");
    route[18] = static_cast<char>(route[18] + 1);
    writeSet(b.str(), renamed);
    run = runTool({"diff", a.str(), b.str()});
    EXPECT_EQ(linesOf(run.out).size(), 2u) << run.out;
    EXPECT_NE(run.out.find("route: plain scenario code "), std::string::npos) << run.out;
}

TEST(DiffCommand, JsonNamesEachValueOfAChange) {
    const EditedPair pair({{false, "segnale,   35150,", "segnale,   35350,"}});
    std::vector<std::string> args = {"diff", "--json"};
    for (const std::string& s : pair.sources()) args.push_back(s);
    const Outcome run = runTool(args);
    ASSERT_EQ(run.status, 1) << run.err;
    const json expected = {{"status", 1},
                           {"problem", nullptr},
                           {"changes",
                            {{{"kind", "signal"},
                              {"what", "moved"},
                              {"field", "position"},
                              {"from", "35+150"},
                              {"to", "35+350"},
                              {"position", 35150},
                              {"km", "35+150"},
                              {"text", "signal at 35+150 moved to 35+350"},
                              {"sourceA", pair.a.file(kTrainName) + ":83"},
                              {"sourceB", pair.b.file(kTrainName) + ":83"}}}}};
    EXPECT_EQ(json::parse(run.out), expected);
}

// Every run with --json prints one object, also when nothing could be compared.
TEST(DiffCommand, WhatCannotBeComparedIsStatusTwoWithItsProblem) {
    const EditedPair broken({{false, "[rallentamenti]\r\n",
                              "[rallentamenti]\r\nrallentamento, 60750, 30, 2250, 0, 0, 0\r\n"}});
    const auto src = broken.sources();
    TempDir empty;
    struct Case {
        std::vector<std::string> args;
        std::string problem;  // part of the problem told
    };
    const Case cases[] = {
        {{"diff", "--json", empty.file("none"), broken.compiledA.str()}, "no such file or folder"},
        {{"diff", "--json", empty.str(), broken.compiledA.str()}, "holds no compiled route"},
        // The signal at 60750 m finds its cell taken by the slowdown's start: the failure is
        // told with the record.
        {{"diff", "--json", src[0], src[1], src[2], src[3]},
         broken.b.file(kTrainName) + ":98:1: error 16"},
        {{"diff", "--json", src[0], src[1], src[2]}, "not 3 inputs"},
        {{"diff", "--json", "--no-such-option", src[0], src[1]}, "--no-such-option"},
        {{"diff", "--json", src[0], empty.file("none"), src[2], src[3]}, "no such file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[3]);
        const Outcome run = runTool(c.args);
        EXPECT_EQ(run.status, 2);
        const json report = json::parse(run.out);
        EXPECT_EQ(report["status"], 2);
        EXPECT_EQ(report["changes"], json::array());
        EXPECT_NE(report["problem"].get<std::string>().find(c.problem), std::string::npos)
            << report["problem"];
    }
}

TEST(DiffCommand, IdenticalSetsAreTheSameAndEverySampledRouteByteChangeIsTold) {
    const auto files =
        installerFiles(fixture(kLineFixture), fixture(kTrainFixture), "COLLE_MARE", "R2041", 1);
    ASSERT_FALSE(files.empty());
    TempDir a, b;
    writeSet(a.str(), files);
    writeSet(b.str(), files);
    std::ostringstream out, err;
    EXPECT_EQ(tool::runDiff({{a.str(), b.str()}}, out, err), 0);
    EXPECT_EQ(out.str(), "");

    const std::string route = files.at("COLLE_MARE_R2041.dat");
    int told = 0;
    for (std::size_t offset = 0; offset < route.size(); offset += 37) {
        std::string changed = route;
        changed[offset] = static_cast<char>(changed[offset] ^ 0x01);
        spit(b.str() + "/COLLE_MARE_R2041.dat", changed);
        std::ostringstream o, e;
        const int status = tool::runDiff({{a.str(), b.str()}}, o, e);
        // A change the decoder takes must be told; one it refuses is a read failure.
        ASSERT_NE(status, 0) << "offset " << offset;
        if (status == 1) {
            EXPECT_NE(o.str(), "") << "offset " << offset;
            ++told;
        } else {
            EXPECT_EQ(status, 2);
            EXPECT_NE(e.str(), "");
        }
    }
    EXPECT_GT(told, 0);
}

}  // namespace
