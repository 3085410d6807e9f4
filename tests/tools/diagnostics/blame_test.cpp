// `check` blames the record at fault: a value that fits no cell at its own field, a record
// outside the route with the value that is out and the length that ends the route, a shifted
// record at the place its count goes wrong; and what follows from one mistake says so, right
// after it. The SARIF form marks each field whole, with its rule's help.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/tools/json_schema_subset.h"
#include "tests/tools/tool_test_support.h"
#include "tools/command_line/version.h"
#include "tools/diagnostics/sarif.h"

namespace tool {
namespace {

using json = nlohmann::json;
using testing::slurp;
using testing::spit;
using testing::TempDir;

// A station with a comma too many after its fourth value: every later value moves one field on,
// so that the minutes, 60, become its hours.
const std::string kShiftedStation =
    "stazione,  1000,  2,  400,  1,, 0, 0,  4,1,1,  2,1,1,  60,  8,30, 0, MONTE\r\n";

// A 10,000 m line: the route ends at 17,000 m; its length record stands on line 2.
const std::string kLine =
    "[generale]\r\nlunghezza percorso,  10000\r\n[curve]\r\n[pendenze]\r\npendenza,  0,  2\r\n"
    "[fine]\r\n";

// A slowdown whose end, 17,300 m, lies past the route's end.
const std::string kPastTheEnd = "rallentamento,  16800,  60,  500,  0,  0,  0\r\n";

std::string train(const std::string& records) {
    return "[generale]\r\nsabbia,  200\r\n[segnali]\r\n" + records + "[fine]\r\n";
}

// What one diagnostic must say: its rule and place (in the train description unless `inLine`),
// a piece of its message, the place it follows from and the line of a related place (0: none).
struct Told {
    std::string rule;
    int line, column;
    std::string words;
    int fromLine = 0, fromColumn = 0;
    int relatedLine = 0;
    bool inLine = false;
};

struct Case {
    const char* what;
    std::string line, train;
    std::vector<Told> told;  // every diagnostic, in the order told
    int warnings;            // as counted in the summary
};

class BlameTest : public ::testing::Test {
  protected:
    json check(const std::string& line, const std::string& train,
               std::vector<std::string> extra = {"--json"}) {
        spit(lineFile(), line);
        spit(trainFile(), train);
        // The trains here are fragments, without the records a drivable scenario needs.
        std::vector<std::string> args{"check", lineFile(), trainFile(), "-Wno-missing-record"};
        args.insert(args.end(), extra.begin(), extra.end());
        return json::parse(testing::runTool(args).out);
    }
    std::string lineFile() const { return dir.file("PROVA_linea.txt"); }
    std::string trainFile() const { return dir.file("PROVA_T1-.txt"); }
    TempDir dir;
};

TEST_F(BlameTest, EachMistakeIsToldAtItsCauseAndWhatFollowsSaysSo) {
    const std::string signal = "segnale,  3000,  1, 1, 1,  0, 0,  1,  1,1,0, 0\r\n";
    const Case cases[] = {
        {"a speed that fits no cell, before more speeds",
         kLine,
         "[generale]\r\n[vel_limite]\r\nvelocita,  0,  80\r\nvelocita,  1000,  1500\r\n"
         "velocita,  2000,  100\r\nvelocita,  3000,  100\r\nvelocita,  4000,  100\r\n[fine]\r\n",
         {{"error-25", 4, 19, "the speed 1500 km/h does not fit in a cell"}},
         0},
        {"a speed that fits no cell, the last of the file",
         kLine,
         "[generale]\r\n[vel_limite]\r\nvelocita,  0,  80\r\nvelocita,  1000,  1500\r\n[fine]\r\n",
         {{"error-25", 4, 19, "the speed 1500 km/h does not fit in a cell"}},
         0},
        {"a slowdown whose end is past the route",
         kLine,
         train("rallentamento,  16800,  60,  500,  0,  0,  0\r\n"),
         {{"error-15", 4, 30,
           "the end, 17300 m (start 16800 m, length 500 m), lies past the route's end at 17000 m",
           0, 0, 2}},
         0},
        {"a shortened line: each far record with the length that ends the route",
         "[generale]\r\nlunghezza percorso,  2000\r\n[curve]\r\n[fine]\r\n",
         train(signal + "segnale,  8950,  1, 1, 1,  0, 0,  1,  1,1,0, 0\r\n" +
               "rallentamento,  8000,  60,  2000,  0,  0,  0\r\n"),
         {{"error-15", 5, 11,
           "the start, 8950 m, lies past 8900 m, the last position the route takes (100 m "
           "before its end at 9000 m)",
           0, 0, 2},
          {"error-15", 6, 29, "the end, 10000 m", 0, 0, 2}},
         0},
        {"a station past the route, in the line description's terms",
         kLine,
         "[generale]\r\n[stazioni]\r\n"
         "stazione,  16500,  2,  400,  1, 0, 0,  4,1,1,  2,1,1,  60,  8,30, 0, MONTE\r\n[fine]\r\n",
         {{"error-15", 3, 12, "the start, 16500 m, lies past 16200 m", 0, 0, 2}},
         0},
        {"a comma too many inside a station: the hours that take the minutes' place follow",
         kLine,
         "[generale]\r\n[stazioni]\r\n" + kShiftedStation + "[fine]\r\n",
         {{"field-count", 3, 31, "reads 17 fields after its keyword; this line has 18"},
          {"value-out-of-range", 3, 56, "hours 60", 3, 31}},
         2},
        {"a comma too many before the length: the failed length follows from it",
         kLine,
         "[generale]\r\n[stazioni]\r\n"
         "stazione,  1000,,  2,  400,  1, 0, 0,  4,1,1,  2,1,1,  60,  8,30, 0, MONTE\r\n[fine]\r\n",
         {{"field-count", 3, 17, "this line has 18"},
          {"error-9", 3, 1, "station length is not a multiple of 100", 3, 17}},
         1},
        {"a field too few: the next record's keyword read as a value",
         kLine,
         train("segnale,  3000,  1, 1, 1,  0, 0,  1,  1,1\r\n" + signal),
         {{"field-count", 4, 42, "this line has 9, so the record takes the rest"},
          {"error-25", 5, 1, "'segnale' is not a whole number", 4, 42}},
         1},
        {"a comma too many in a signal, whose shifted values all fit",
         kLine,
         train("segnale,  3000,  1,, 1, 1,  0, 0,  1,  1,1,0, 0\r\n"),
         {{"field-count", 4, 20, "this line has 12"}},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const json report = check(c.line, c.train);
        const json& found = report["diagnostics"];
        ASSERT_EQ(found.size(), c.told.size()) << report.dump(1);
        EXPECT_EQ(report["warnings"], c.warnings);
        for (std::size_t i = 0; i < c.told.size(); ++i) {
            SCOPED_TRACE(i);
            const Told& t = c.told[i];
            const json& d = found[i];
            EXPECT_EQ(d["rule"], t.rule);
            EXPECT_EQ(d["file"], t.inLine ? lineFile() : trainFile());
            EXPECT_EQ(d["line"], t.line);
            EXPECT_EQ(d["column"], t.column);
            EXPECT_NE(d["message"].get<std::string>().find(t.words), std::string::npos)
                << d["message"];
            if (t.fromLine > 0) {
                EXPECT_EQ(d["followsFrom"]["file"], trainFile());
                EXPECT_EQ(d["followsFrom"]["line"], t.fromLine);
                EXPECT_EQ(d["followsFrom"]["column"], t.fromColumn);
            } else {
                EXPECT_TRUE(d["followsFrom"].is_null()) << d.dump(1);
            }
            if (t.relatedLine > 0) {
                ASSERT_EQ(d["related"].size(), 1u);
                EXPECT_EQ(d["related"][0]["file"], lineFile());
                EXPECT_EQ(d["related"][0]["line"], t.relatedLine);
            } else if (t.rule != "field-count") {
                EXPECT_TRUE(d["related"].empty()) << d.dump(1);
            }
        }
    }
}

TEST_F(BlameTest, TheTextFormNamesTheLengthAndTheCause) {
    const std::string out =
        testing::runTool({"check", (spit(lineFile(), kLine), lineFile()),
                          (spit(trainFile(), train(kShiftedStation + kPastTheEnd)), trainFile())})
            .out;
    EXPECT_NE(
        out.find("note: follows from the shifted fields of the record at " + trainFile() + ":4:31"),
        std::string::npos)
        << out;
    EXPECT_NE(out.find("note: the route ends 7000 m past the line's length of 10000 m, given at " +
                       lineFile() + ":2"),
              std::string::npos)
        << out;
}

TEST_F(BlameTest, SarifMarksWholeFieldsWithTheRulesHelpAndTheRun) {
    testing::SchemaSubset schema(
        json::parse(slurp(std::string(SCENARIO_FIXTURES_DIR) + "/sarif-2.1.0-subset.schema.json")));
    const json log = check(kLine, train(kShiftedStation + kPastTheEnd), {"--sarif"});
    const std::vector<std::string> problems = schema.problems(log);
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
    const json& run = log["runs"][0];
    const json& driver = run["tool"]["driver"];
    EXPECT_EQ(driver["version"], releaseNumber());
    EXPECT_EQ(driver["semanticVersion"], semanticVersion());
    EXPECT_TRUE(driver["semanticVersion"].get<std::string>().starts_with(releaseNumber()));
    EXPECT_EQ(run["invocations"][0]["exitCode"], 1);
    EXPECT_EQ(run["invocations"][0]["executionSuccessful"], true);

    // One rule each for the warnings and the error broken, each with its reference entry.
    const json& rules = driver["rules"];
    std::vector<std::string> ids;
    for (const json& r : rules) ids.push_back(r["id"]);
    EXPECT_EQ(ids, (std::vector<std::string>{"field-count", "value-out-of-range", "error-15"}));
    EXPECT_TRUE(rules[0]["help"]["markdown"].get<std::string>().starts_with("## `field-count`"));
    EXPECT_TRUE(rules[2]["help"]["text"].get<std::string>().starts_with(
        "## error 15: position outside the route"));
    // The build's documents lie in the source tree, which a test program finds beside it.
    EXPECT_TRUE(rules[2]["helpUri"].get<std::string>().ends_with(
        "docs/errors.md#error-15-position-outside-the-route"))
        << rules[2].dump(1);

    const json& results = run["results"];
    ASSERT_EQ(results.size(), 3u) << results.dump(1);
    const auto region = [&](std::size_t i) {
        return results[i]["locations"][0]["physicalLocation"]["region"];
    };
    // The comma too many marks the second comma of ",,"; the shifted hours their
    // "60"; the slowdown's end its length, "500".
    const int expected[][3] = {{4, 31, 32}, {4, 56, 58}, {5, 30, 33}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(region(i)["startLine"], expected[i][0]);
        EXPECT_EQ(region(i)["endLine"], expected[i][0]);
        EXPECT_EQ(region(i)["startColumn"], expected[i][1]);
        EXPECT_EQ(region(i)["endColumn"], expected[i][2]);
    }
    const json& related = results[2]["relatedLocations"][0]["physicalLocation"];
    EXPECT_EQ(related["region"]["startLine"], 2);
    EXPECT_EQ(results[1]["relatedLocations"][0]["physicalLocation"]["region"]["startColumn"], 31);
}

// A path given relative to the working folder is written relative, from %SRCROOT%, which the
// run names; an absolute one as a file URI of its own.
TEST(Sarif, RelativePathsStartFromTheSourceRoot) {
    Diagnostic d;
    d.rule = "error-16";
    d.code = scenario::ErrorCode::signalCellTaken;
    d.file = "sub dir/X_Y-.txt";
    d.line = 3;
    d.column = 1;
    d.sourceLine = "segnale,  2520,  1";
    d.sourceColumn = 1;
    SarifInvocation invocation;
    invocation.sourceRoot = "/home/author/scenari";
    const json log = json::parse(toSarif({d}, false, invocation));
    const json& run = log["runs"][0];
    EXPECT_EQ(run["originalUriBaseIds"]["%SRCROOT%"]["uri"], "file:///home/author/scenari/");
    const json& at = run["results"][0]["locations"][0]["physicalLocation"];
    EXPECT_EQ(at["artifactLocation"]["uri"], "sub%20dir/X_Y-.txt");
    EXPECT_EQ(at["artifactLocation"]["uriBaseId"], "%SRCROOT%");
    EXPECT_EQ(at["region"]["endColumn"], 8);

    d.file = "/home/author/X_Y-.txt";
    const json absolute = json::parse(toSarif({d}, false, invocation));
    const json& where =
        absolute["runs"][0]["results"][0]["locations"][0]["physicalLocation"]["artifactLocation"];
    EXPECT_EQ(where["uri"], "file:///home/author/X_Y-.txt");
    EXPECT_FALSE(where.contains("uriBaseId"));
}

}  // namespace
}  // namespace tool
