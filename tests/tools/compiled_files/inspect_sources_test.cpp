// inspect with the descriptions: each object names the record that placed it and the position
// written there; --only and --km narrow the listing.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <tuple>

#include "tests/tools/tool_test_support.h"
#include "tools/command_line/scenario_tool.h"
#include "tools/compiled_files/inspect_command.h"
#include "tools/compiled_files/listing_filter.h"

namespace tool {
namespace {

using nlohmann::json;
using testing::installerFiles;
using testing::spit;
using testing::TempDir;

// Each record on a line of its own, so that the line numbers below can be counted.
const std::string kLine =
    "[generale]\r\n"                                              // 1
    "lunghezza percorso,  10000\r\n"                              // 2
    "progressiva uno,  0,  0,  0\r\n"                             // 3
    "[montagne]\r\n"                                              // 4
    "montagna,  7000,  8000,  12\r\n"                             // 5: markers
    "[indicazioni]\r\n"                                           // 6
    "indicatori_vmax,  3010,  60,  60,  60,  0,  ,  ,  ,  0\r\n"  // 7
    "[cartelli]\r\n"                                              // 8
    "cartello_indicatore,  4000,  (PONTE)\r\n"                    // 9
    "[fine]\r\n";
const std::string kTrain =
    "[generale]\r\n"                                                                 // 1
    "percentuale massa frenata,  110\r\n"                                            // 2
    "numero vetture,  6\r\n"                                                         // 3
    "sabbia,  200\r\n"                                                               // 4
    "orologio,  8  30  0\r\n"                                                        // 5
    "velocita,  0,  80\r\n"                                                          // 6
    "aderenza,  0,  100\r\n"                                                         // 7
    "- the station, then the signal\r\n"                                             // 8
    "stazione,  1000,  2,  400,  1, 0, 0,  4,1,1,  2,1,1,  60,  8,30, 0, MONTE\r\n"  // 9
    "segnale,  2510,  2, 3, 1,  0, 0,  2,  2,1,0, 0\r\n"                             // 10
    "rallentamento,  5000,  60,  500,  0,  1,  0\r\n"                                // 11
    "abbattimento,  9000,  100\r\n"                                                  // 12
    "[fine]\r\n";

using testing::Outcome;

Outcome inspect(InspectOptions options) {
    return testing::captured(
        [&](std::ostream& out, std::ostream& err) { return runInspect(options, out, err); });
}

class Described : public ::testing::Test {
  protected:
    void SetUp() override {
        files = installerFiles(kLine, kTrain, "COLLE", "R7", 1);
        ASSERT_EQ(files.size(), 3u);
        for (const auto& [name, bytes] : files) spit(dir.file(name), bytes);
    }
    void writeDescriptions(const std::string& train = kTrain) {
        spit(dir.file("COLLE_linea.txt"), kLine);
        spit(dir.file("COLLE_R7-.txt"), train);
    }
    InspectOptions options(bool json = true) const {
        InspectOptions o;
        o.files = {dir.file("COLLE_R7.dat")};
        o.json = json;
        return o;
    }
    // The route's objects by cell, from inspect's JSON.
    std::map<int, json> objects(const InspectOptions& o) const {
        const Outcome run = inspect(o);
        EXPECT_EQ(run.status, kInspectClean) << run.err;
        std::map<int, json> byCell;
        const json doc = json::parse(run.out);
        for (const json& obj : doc["files"][0]["route"]["objects"]) {
            byCell[obj["cell"].get<int>()] = obj;
        }
        return byCell;
    }

    TempDir dir;
    std::map<std::string, std::string> files;
};

TEST_F(Described, EveryWrittenObjectNamesItsRecord) {
    writeDescriptions();
    const std::string line = dir.file("COLLE_linea.txt");
    const std::string train = dir.file("COLLE_R7-.txt");
    struct Case {
        int cell;
        const char* kindName;
        std::string source;
        std::int64_t written;
    };
    // Signal at 2510 m: cell 2510 / 50 + 1 = 51; the slowdown at 5000 m, 500 m long: start
    // cell 101, end 111, warning board at 3800 m in cell 77, countdown cells 76 to 73; the
    // stretch from 7000 m marks every fourth of its cells 140 to 159; the mark at 9000 m: 180.
    const std::vector<Case> cases = {
        {23, "station stop", train + ":9", 1000},
        {51, "signal", train + ":10", 2510},
        {61, "speed indicator board", line + ":7", 3010},
        {73, "countdown", train + ":11", 5000},
        {76, "countdown", train + ":11", 5000},
        {77, "slowdown warning board", train + ":11", 5000},
        {81, "location board", line + ":9", 4000},
        {101, "slowdown start", train + ":11", 5000},
        {111, "slowdown end", train + ":11", 5000},
        {143, "mountain marker", line + ":5", 7000},
        {159, "mountain marker", line + ":5", 7000},
        {180, "mark", train + ":12", 9000},
    };
    for (const InspectOptions& o : {options(), [&] {
                                        InspectOptions given = options();
                                        given.sources = std::pair{line, train};
                                        return given;
                                    }()}) {
        const std::map<int, json> byCell = objects(o);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.cell);
            ASSERT_TRUE(byCell.count(c.cell));
            const json& obj = byCell.at(c.cell);
            EXPECT_EQ(obj["kindName"], c.kindName);
            EXPECT_EQ(obj["source"], c.source);
            EXPECT_EQ(obj["written"], c.written);
            EXPECT_EQ(obj["writtenExact"], true);
        }
        // The marks the compiler adds around the slowdown name no record and no position.
        int added = 0;
        for (const auto& [cell, obj] : byCell) {
            const bool listed = std::any_of(cases.begin(), cases.end(),
                                            [cell](const Case& c) { return c.cell == cell; });
            if (listed || obj["kindName"] == "mountain marker" || obj["kindName"] == "countdown") {
                continue;
            }
            EXPECT_EQ(obj["kindName"], "mark") << obj;
            EXPECT_EQ(obj["addedByCompiler"], true) << obj;
            EXPECT_TRUE(obj["source"].is_null()) << obj;
            EXPECT_TRUE(obj["written"].is_null()) << obj;
            ++added;
        }
        EXPECT_GT(added, 0);
    }

    // The text shows the record's place beside the cell.
    const Outcome text = inspect(options(false));
    EXPECT_NE(
        text.out.find("cell 51    2+550     signal                 written 2+510 " + train + ":10"),
        std::string::npos)
        << text.out;
}

// The objects of a field that names two records each name that field's line, and a mountain
// marker names the stretch that put it there, not an earlier stretch over the same cell: what
// the compilation traced, not a second reading of the descriptions.
TEST(DescribedAsCompiled, EachObjectNamesTheRecordThatPlacedIt) {
    std::string line = kLine;
    line.insert(line.find("montagna"), "montagna,  6900,  8100,  2\r\n");  // 5; markers on 6
    std::string train = kTrain;
    const std::size_t signal = train.find("segnale");
    train.replace(signal, train.find("abbattimento") - signal,
                  "segnale rallentamento,  2510,  2, 3, 1,  0, 0,  2,  2,1,0, 0,  5000,  60,  "
                  "500,  0,  1,  0\r\n");  // 10
    TempDir dir;
    for (const auto& [name, bytes] : installerFiles(line, train, "COLLE", "R7", 1)) {
        spit(dir.file(name), bytes);
    }
    spit(dir.file("COLLE_linea.txt"), line);
    spit(dir.file("COLLE_R7-.txt"), train);
    InspectOptions o;
    o.files = {dir.file("COLLE_R7.dat")};
    o.json = true;
    const Outcome run = inspect(o);
    ASSERT_EQ(run.status, kInspectClean) << run.err;
    const json doc = json::parse(run.out);
    std::map<int, json> byCell;
    for (const json& obj : doc["files"][0]["route"]["objects"])
        byCell[obj["cell"].get<int>()] = obj;
    const std::string trainAt10 = dir.file("COLLE_R7-.txt") + ":10";
    for (const auto& [cell, source, written] : {std::tuple{51, trainAt10, 2510},
                                                {77, trainAt10, 5000},
                                                {101, trainAt10, 5000},
                                                {111, trainAt10, 5000},
                                                {143, dir.file("COLLE_linea.txt") + ":6", 7000}}) {
        SCOPED_TRACE(cell);
        ASSERT_TRUE(byCell.count(cell));
        EXPECT_EQ(byCell.at(cell)["source"], source);
        EXPECT_EQ(byCell.at(cell)["written"], written);
    }
}

TEST_F(Described, WithoutDescriptionsTheCellTellsThePosition) {
    const std::map<int, json> byCell = objects(options());
    // The signal written at 2510 m: its cell stands for 2500 m.
    EXPECT_EQ(byCell.at(51)["written"], 2500);
    EXPECT_EQ(byCell.at(51)["writtenExact"], false);
    EXPECT_TRUE(byCell.at(51)["source"].is_null());
    // The warning board stands 1200 m before its slowdown; the slowdown end has no position of
    // its own.
    EXPECT_EQ(byCell.at(77)["written"], 5000);
    EXPECT_TRUE(byCell.at(111)["written"].is_null());
    // A station's position is stored whole in the train file.
    EXPECT_EQ(byCell.at(23)["written"], 1000);
    EXPECT_EQ(byCell.at(23)["writtenExact"], true);
    EXPECT_EQ(byCell.at(180)["written"], 9000);
    EXPECT_EQ(byCell.at(180)["writtenExact"], false);
    EXPECT_EQ(byCell.at(180)["addedByCompiler"], false);  // without the descriptions, unknown
}

// Descriptions that no longer give the route (a signal moved since the compilation) name no
// record: a wrong line would mislead more than none.
TEST_F(Described, DescriptionsOfAnotherRouteNameNoRecord) {
    std::string moved = kTrain;
    moved.replace(moved.find("2510"), 4, "2610");
    writeDescriptions(moved);
    const Outcome run = inspect(options());
    EXPECT_EQ(run.status, kInspectClean) << run.err;
    const json route = json::parse(run.out)["files"][0]["route"];
    // The signal's approach codes, 400 m before it, are the first cells that differ.
    EXPECT_EQ(route["sources"]["problem"], "they do not compile to this route (cell 43 differs)");
    for (const json& obj : route["objects"]) EXPECT_TRUE(obj["source"].is_null()) << obj;

    const Outcome text = inspect(options(false));
    EXPECT_NE(text.out.find("none shown, they do not compile to this route"), std::string::npos);
}

TEST_F(Described, GivenDescriptionsThatCannotBeReadAreAUsageError) {
    InspectOptions o = options();
    o.sources = std::pair{dir.file("missing_linea.txt"), dir.file("missing-.txt")};
    const Outcome run = inspect(o);
    EXPECT_EQ(run.status, kInspectUnreadable);
    EXPECT_NE(run.err.find("missing_linea.txt: no such file"), std::string::npos);
    EXPECT_EQ(json::parse(run.out)["status"], kInspectUnreadable);
}

TEST_F(Described, OnlyAndKmNarrowTheListing) {
    writeDescriptions();
    InspectOptions o = options();
    o.only = "signal,slowdown";
    o.km = "2+000-5.2";
    const Outcome run = inspect(o);
    ASSERT_EQ(run.status, kInspectClean) << run.err;
    const json route = json::parse(run.out)["files"][0]["route"];
    std::vector<int> cells;
    for (const json& obj : route["objects"]) cells.push_back(obj["cell"]);
    // The signal at 2510 m and the slowdown written at 5000 m: its warning board, start and
    // end; not the station (a kind left out) nor the countdown.
    EXPECT_EQ(cells, (std::vector<int>{51, 77, 101, 111}));
    EXPECT_TRUE(route["track"].empty());  // --only leaves out what it does not name
    EXPECT_TRUE(route["approaches"].empty());

    o.only = "track,approach";
    o.km = "2+000-3+000";
    const json narrowed = json::parse(inspect(o).out)["files"][0]["route"];
    EXPECT_TRUE(narrowed["objects"].empty());
    ASSERT_FALSE(narrowed["approaches"].empty());
    for (const json& a : narrowed["approaches"]) {
        EXPECT_GE(a["cell"].get<int>() * 50, 2000);
        EXPECT_LE(a["cell"].get<int>() * 50, 3000);
    }
    ASSERT_EQ(narrowed["track"].size(), 1u);

    o.json = false;
    o.only = "station";
    o.km = std::nullopt;
    const Outcome text = inspect(o);
    EXPECT_NE(text.out.find("objects (1 of "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("station stop"), std::string::npos);
    EXPECT_EQ(text.out.find("track ("), std::string::npos);
}

TEST(ListingFilter, KilometresAndMistakes) {
    const std::vector<std::pair<std::string, std::optional<std::int64_t>>> kilometres = {
        {"35+150", 35150}, {"35", 35000},   {"35.15", 35150},    {"0.5", 500},
        {"0+000", 0},      {"35+15", {}},   {"35.1505", {}},     {"", {}},
        {"+150", {}},      {"35+1500", {}}, {"99999999999", {}}, {"3 5", {}},
    };
    for (const auto& [text, metres] : kilometres) {
        EXPECT_EQ(parseKilometre(text), metres) << text;
    }

    const auto fails = [](std::optional<std::string> only, std::optional<std::string> km) {
        return std::holds_alternative<std::string>(listingFilter(only, km));
    };
    EXPECT_TRUE(fails("sigal", std::nullopt));
    EXPECT_TRUE(fails("signal,", std::nullopt));
    EXPECT_TRUE(fails("station stopp", std::nullopt));
    EXPECT_TRUE(fails(std::nullopt, "40-35"));
    EXPECT_TRUE(fails(std::nullopt, "35"));
    EXPECT_TRUE(fails(std::nullopt, "35+150-"));
    EXPECT_FALSE(fails(std::nullopt, "35+150-40+000"));
    EXPECT_FALSE(fails(std::nullopt, "35.15-40"));

    // A kind's first words name each kind they begin; "-" stands for a blank.
    const auto kinds = [](const std::string& only) {
        return *std::get<ListingFilter>(listingFilter(only, std::nullopt)).kinds;
    };
    EXPECT_EQ(kinds("slowdown"), (std::set<std::uint8_t>{2, 3, 4}));
    EXPECT_EQ(kinds("slowdown-end,mark"), (std::set<std::uint8_t>{2, 12, 13}));
    EXPECT_EQ(kinds("speed-indicator-board"), (std::set<std::uint8_t>{6}));
}

TEST_F(Described, AnUnknownKindIsAUsageErrorWithItsJsonDocument) {
    InspectOptions o = options();
    o.only = "signal,sigal";
    const Outcome run = inspect(o);
    EXPECT_EQ(run.status, kInspectUnreadable);
    EXPECT_NE(run.err.find("\"sigal\" is no kind of object"), std::string::npos) << run.err;
    EXPECT_EQ(json::parse(run.out)["status"], kInspectUnreadable);
}

// The options reach inspect from the command line, and their mistakes are usage errors.
TEST_F(Described, CommandLineOptions) {
    // Descriptions named otherwise than the files, so that only --sources can find them.
    spit(dir.file("line.txt"), kLine);
    spit(dir.file("train.txt"), kTrain);
    const auto run = [](const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = runScenarioTool(args, out, err);
        return std::pair{status, out.str() + err.str()};
    };
    const std::string route = dir.file("COLLE_R7.dat");
    const auto [status, out] = run({"inspect", route, "--sources", dir.file("line.txt"),
                                    dir.file("train.txt"), "--only", "signal", "--km", "2-3"});
    EXPECT_EQ(status, kInspectClean) << out;
    EXPECT_NE(out.find("objects (1 of "), std::string::npos) << out;
    EXPECT_NE(out.find("signal                 written 2+510 " + dir.file("train.txt") + ":10"),
              std::string::npos)
        << out;

    // Each mistake is a usage error that says what is wrong, with the JSON document asked for.
    const std::string train = dir.file("COLLE_R7.sim");
    const std::string plan = dir.file("COLLE_linea.dat");
    const struct {
        std::vector<std::string> args;
        std::string words;
    } wrong[] = {
        {{"inspect", route, "--only", "signals"}, "\"signals\" is no kind of object"},
        {{"inspect", route, "--km", "3-2"}, "3-2"},
        {{"inspect", route, "--sources", dir.file("line.txt")}, "--sources"},
        // The listing they narrow is a route's: a train file or a plan has none.
        {{"inspect", train, "--km", "2-3"},
         "--km narrows the listing of a route, and " + train + " is a train file"},
        {{"inspect", plan, "--only", "signal", "--json"},
         "--only narrows the listing of a route, and " + plan + " is a track plan"},
        {{"inspect", train, plan, "--km", "2-3"}, "none of the files is one"},
        {{"inspect", route, "--sources", dir.str(), dir.file("train.txt")},
         dir.str() + ": cannot be read: Is a directory"},
    };
    for (const auto& [args, words] : wrong) {
        SCOPED_TRACE(args.back());
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(runScenarioTool(args, out, err), kInspectUnreadable);
        EXPECT_NE(err.str().find(words), std::string::npos) << err.str();
        if (args.back() == "--json") {
            EXPECT_EQ(json::parse(out.str())["status"], kInspectUnreadable);
        }
    }
    // With a route among the files, a train file beside it is no mistake.
    EXPECT_EQ(run({"inspect", route, train, "--km", "2-3"}).first, kInspectClean);
    const auto [helpStatus, help] = run({"inspect", "--help"});
    EXPECT_EQ(helpStatus, 0);
    EXPECT_NE(help.find("--km FROM-TO"), std::string::npos);
}

}  // namespace
}  // namespace tool
