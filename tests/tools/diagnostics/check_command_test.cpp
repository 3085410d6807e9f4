// `scenario-tool check`: every error past a failing record, the warnings and their examples,
// what holds a taken cell, the exit statuses, and the JSON and SARIF forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "compiler/compilation.h"
#include "compiler/error_codes.h"
#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "tests/tools/json_schema_subset.h"
#include "tests/tools/tool_test_support.h"
#include "tools/command_line/scenario_tool.h"
#include "tools/descriptions/record_trace.h"
#include "tools/diagnostics/check_command.h"
#include "tools/diagnostics/check_errors.h"
#include "tools/diagnostics/lint_rules.h"

namespace tool {
namespace {

using json = nlohmann::json;
namespace content = scenario::content;
using testing::fixture;
using testing::slurp;
using testing::spit;
using testing::TempDir;
using testing::utf8Path;
using testing::withRecord;

using testing::Outcome;

class CheckTest : public ::testing::Test {
  protected:
    Outcome check(const std::string& line, const std::string& train,
                  std::vector<std::string> extra = {}) {
        spit(lineFile(), line);
        spit(trainFile(), train);
        std::vector<std::string> args{"check", lineFile(), trainFile()};
        args.insert(args.end(), extra.begin(), extra.end());
        return testing::runTool(args);
    }
    json checkJson(const std::string& line, const std::string& train,
                   std::vector<std::string> extra = {}) {
        extra.push_back("--json");
        const Outcome o = check(line, train, extra);
        return json::parse(o.out);
    }
    std::string lineFile() const { return dir.file(testing::kLineFixture); }
    std::string trainFile() const { return dir.file(testing::kTrainFixture); }

    TempDir dir;
    const std::string line = fixture(testing::kLineFixture);
    const std::string train = fixture(testing::kTrainFixture);
};

TEST_F(CheckTest, CarriedAndFixtureDescriptionsGiveNoDiagnostic) {
    const std::string carriedLine = content::encodeDocument(content::lineDescription());
    const std::string carriedTrain = content::encodeDocument(content::trainDescription());
    for (const auto& [l, t] : {std::pair{carriedLine, carriedTrain}, std::pair{line, train}}) {
        const Outcome o = check(l, t);
        EXPECT_EQ(o.status, 0) << o.out;
        EXPECT_EQ(o.out, "0 errors, 0 warnings\n");
        EXPECT_EQ(o.err, "");
    }
}

TEST_F(CheckTest, GoesOnPastEachFailingRecordAndNamesWhatHoldsTheCell) {
    // A location board on a taken cell in the line description; in the train description a
    // second signal in the cell of the one at 2500 m, and a slowdown whose warning board
    // (1200 m before 7200 m) lands in the cell of the signal at 6000 m.
    const std::string badLine = withRecord(line, "cartello_indicatore,  4010,  (ALTRO)");
    std::string badTrain = train;
    badTrain.insert(badTrain.find("segnale,  6000"),
                    "segnale,  2510,  1, 1, 1,  0, 0,  1,  1,1,0, 0\r\n");
    badTrain.insert(badTrain.find("[segnali]"), "rallentamento,  7200,  60,  400,  0,  0,  0\r\n");
    const json report = checkJson(badLine, badTrain);

    EXPECT_EQ(report["status"], 1);
    EXPECT_EQ(report["errors"], 3);
    const json& d = report["diagnostics"];
    ASSERT_EQ(d.size(), 3u) << report.dump(1);
    struct Expected {
        std::string file;
        int line;
        scenario::ErrorCode code;
        bool afterSkip;
        std::string heldBy;  // file:line of the record that put what holds the cell
    };
    const Expected expected[] = {
        {lineFile(), 11, scenario::ErrorCode::locationBoardCellTaken, false, lineFile() + ":10"},
        {trainFile(), 15, scenario::ErrorCode::signalCellTaken, true, trainFile() + ":14"},
        // The signal at 6000 m meets the slowdown's warning board, written before it.
        {trainFile(), 16, scenario::ErrorCode::signalCellTaken, true, trainFile() + ":12"},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(d[i]["severity"], "error");
        EXPECT_EQ(d[i]["file"], expected[i].file);
        EXPECT_EQ(d[i]["line"], expected[i].line);
        EXPECT_EQ(d[i]["code"], scenario::codeNumber(expected[i].code));
        EXPECT_EQ(d[i]["afterSkip"], expected[i].afterSkip);
        EXPECT_NE(d[i]["hint"], "");
        ASSERT_TRUE(d[i]["heldBy"].is_object());
        EXPECT_EQ(d[i]["heldBy"]["file"].get<std::string>() + ":" +
                      std::to_string(d[i]["heldBy"]["line"].get<int>()),
                  expected[i].heldBy);
    }
    EXPECT_NE(d[2]["heldBy"]["message"].get<std::string>().find("warning board of a slowdown"),
              std::string::npos);

    // The text form: place, words, the line with a caret, the holder and a hint.
    const Outcome text = check(badLine, badTrain);
    EXPECT_NE(text.out.find(trainFile() + ":16:1: error 16 at 6000 m: signal cell already taken "
                                          "[error-16]\n    segnale,  6000,"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("    note: cell 121 already holds the warning board of a slowdown"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("3 errors, 0 warnings\n"), std::string::npos) << text.out;
}

TEST_F(CheckTest, StopsAtTheLimitAndSaysSo) {
    std::string crowded = train;
    for (int i = 0; i < 60; ++i) {
        crowded = withRecord(crowded, "segnale,  6000,  1, 1, 1,  0, 0,  1,  1,1,0, 0");
    }
    const json report = checkJson(line, crowded);
    EXPECT_EQ(report["errors"], 50);
    EXPECT_EQ(report["limitReached"], true);
    const Outcome text = check(line, crowded);
    EXPECT_NE(text.out.find("stopped after 50 errors; more may follow\n"), std::string::npos);
}

TEST_F(CheckTest, ErrorsWithoutARecordOfTheirOwnAreToldOnce) {
    // No line length: nothing after it can be checked.
    std::string noLength = line;
    noLength.erase(noLength.find("lunghezza"),
                   noLength.find("progressiva") - noLength.find("lunghezza"));
    const json report = checkJson(noLength, train);
    ASSERT_EQ(report["diagnostics"].size(), 1u) << report.dump(1);
    EXPECT_EQ(report["diagnostics"][0]["code"],
              scenario::codeNumber(scenario::ErrorCode::noLineLength));
    EXPECT_EQ(report["diagnostics"][0]["file"], lineFile());
    EXPECT_EQ(report["status"], 1);
}

// A record whose line is left out, and the compilation fails the same way again, is told once:
// an empty line description fails at its first field, and blanking its one empty line changes
// nothing.
TEST_F(CheckTest, AnEmptyLineDescriptionIsOneError) {
    const json report = checkJson("", train);
    ASSERT_EQ(report["errors"], 1) << report.dump(1);
    EXPECT_EQ(report["diagnostics"][0]["code"],
              scenario::codeNumber(scenario::ErrorCode::readFailure));
    EXPECT_EQ(report["diagnostics"][0]["line"], 1);
    EXPECT_NE(check("", train).out.find("\n1 error, 0 warnings\n"), std::string::npos);
}

// A description that warns on every line: the first 50 warnings are told, in each form, with
// the count of the rest, and every error is still told.
TEST_F(CheckTest, WarningsPastTheLimitAreCountedNotTold) {
    std::string noisy = line;
    for (int i = 0; i < 120; ++i) noisy = withRecord(noisy, "[segnalli]");  // lines 11 to 130
    std::string failing = train;
    failing.insert(failing.find("segnale,  6000"),
                   "segnale,  2510,  1, 1, 1,  0, 0,  1,  1,1,0, 0\r\n");
    const auto count = [](const std::string& text, const std::string& words) {
        std::size_t n = 0;
        for (std::size_t at = text.find(words); at != std::string::npos;
             at = text.find(words, at + 1)) {
            ++n;
        }
        return n;
    };

    const Outcome text = check(noisy, failing);
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(count(text.out, "[-Wunknown-section]"), 50u);
    EXPECT_EQ(count(text.out, "[error-16]"), 1u);
    EXPECT_NE(
        text.out.find("70 more warnings not shown (the first 50 are)\n1 error, 120 warnings\n"),
        std::string::npos)
        << text.out;

    const json report = checkJson(noisy, failing);
    EXPECT_EQ(report["warnings"], 120);
    EXPECT_EQ(report["warningsLeftOut"], 70);
    ASSERT_EQ(report["diagnostics"].size(), 51u);
    EXPECT_EQ(report["diagnostics"][0]["line"], 11);
    EXPECT_EQ(report["diagnostics"][49]["line"], 60);
    EXPECT_EQ(report["diagnostics"][50]["rule"], "error-16");

    const json log = json::parse(check(noisy, failing, {"--sarif"}).out);
    testing::SchemaSubset schema(
        json::parse(slurp(std::string(SCENARIO_FIXTURES_DIR) + "/sarif-2.1.0-subset.schema.json")));
    EXPECT_TRUE(schema.problems(log).empty());
    const json& run = log["runs"][0];
    EXPECT_EQ(run["results"].size(), 51u);
    EXPECT_EQ(run["invocations"][0]["exitCode"], 1);
    EXPECT_EQ(run["invocations"][0]["properties"]["warningsLeftOut"], 70);
    EXPECT_NE(run["invocations"][0]["toolExecutionNotifications"][0]["message"]["text"]
                  .get<std::string>()
                  .find("70 more warnings"),
              std::string::npos);

    // Warnings turned off are not counted; compile tells the same first 50.
    const json off = checkJson(noisy, train, {"-Wno-unknown-section"});
    EXPECT_EQ(off["warnings"], 0);
    EXPECT_EQ(off["warningsLeftOut"], 0);
    const Outcome compiled =
        testing::runTool({"compile", lineFile(), trainFile(), "--out", dir.str()});
    EXPECT_EQ(compiled.status, 0);
    EXPECT_EQ(count(compiled.err, "[-Wunknown-section]"), 50u);
    EXPECT_NE(compiled.err.find("70 more warnings not shown"), std::string::npos);
    const json compiledJson = json::parse(
        testing::runTool({"compile", lineFile(), trainFile(), "--out", dir.str(), "--json"}).out);
    EXPECT_EQ(compiledJson["warnings"].size(), 50u);
    EXPECT_EQ(compiledJson["warningsLeftOut"], 70);
}

// Each warning's line is found from the description's lines, indexed once: 50,000 warning
// lines are checked in seconds (a search from the file's start for each took minutes).
TEST_F(CheckTest, ManyWarningsCostTimeInProportionToThem) {
    std::string noisy = line.substr(0, line.rfind("[fine]"));
    for (int i = 0; i < 50'000; ++i) noisy += "[segnalli]\r\n";
    noisy += "[fine]\r\n";
    const auto started = std::chrono::steady_clock::now();
    const json report = checkJson(noisy, train);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_EQ(report["warnings"], 50'000);
    EXPECT_EQ(report["warningsLeftOut"], 50'000 - 50);
}

// The compiler finds a kilometre progressive off the 50 m steps only after reading and names no
// record: check tells it at the first progressive record the reading took such a value from,
// not at text the reader skipped before [generale].
TEST_F(CheckTest, AProgressiveOffTheStepsIsToldAtTheRecordRead) {
    std::string off = line;
    off.replace(off.find("progressiva uno,  0,"), 20, "progressiva uno,  10,");
    const json report = checkJson("progressiva tre,  20,  0,  0\r\n" + off, train);
    ASSERT_EQ(report["errors"], 1) << report.dump(1);
    const json& d = report["diagnostics"][0];
    EXPECT_EQ(d["code"], scenario::codeNumber(scenario::ErrorCode::progressiveNotMultipleOf50));
    EXPECT_EQ(d["file"], lineFile());
    EXPECT_EQ(d["line"], 4);
    EXPECT_EQ(d["column"], 1);
}

// The examples of docs/warnings.md: each gives exactly the warning it stands under, and every
// warning has one.
TEST_F(CheckTest, EachWarningsDocumentedExampleGivesExactlyThatWarning) {
    const std::string doc = slurp(std::string(SCENARIO_FIXTURES_DIR) + "/../../docs/warnings.md");
    const std::regex section("\n## `([a-z0-9-]+)`\n");
    const std::regex block("```(line|train|train-file)\n([^`]*)```");
    std::set<std::string> documented;
    for (auto it = std::sregex_iterator(doc.begin(), doc.end(), section);
         it != std::sregex_iterator(); ++it) {
        const std::string name = (*it)[1];
        SCOPED_TRACE(name);
        documented.insert(name);
        const std::size_t start = static_cast<std::size_t>(it->position() + it->length());
        const std::size_t end = doc.find("\n## ", start);
        const std::string body = doc.substr(start, end - start);
        std::smatch example;
        ASSERT_TRUE(std::regex_search(body, example, block)) << "no example";
        std::string lines = example[2];
        lines = std::regex_replace(lines, std::regex("\n"), "\r\n");
        lines.erase(lines.size() - 2);  // the last line end; withRecord adds its own
        std::string l = line;
        std::string t = train;
        if (example[1] == "line") l = withRecord(line, lines);
        if (example[1] == "train") t = withRecord(train, lines);
        if (example[1] == "train-file") t = lines + "\r\n";

        const json report = checkJson(l, t);
        ASSERT_EQ(report["diagnostics"].size(), 1u) << report.dump(1);
        EXPECT_EQ(report["diagnostics"][0]["severity"], "warning");
        EXPECT_EQ(report["diagnostics"][0]["rule"], name);
        EXPECT_EQ(report["status"], 0);

        // Turned off it is gone; under --werror it fails the check.
        EXPECT_EQ(checkJson(l, t, {"-Wno-" + name})["diagnostics"].size(), 0u);
        EXPECT_EQ(check(l, t, {"--werror"}).status, 1);
    }
    std::set<std::string> rules;
    for (const LintRule& rule : lintRules()) rules.insert(std::string(rule.name));
    EXPECT_EQ(documented, rules);
}

// The warnings about a scenario hardly drivable, at their edges: what a real description
// writes (a run past midnight, a station without a time, a limit of 0 where the line ends, a
// comment after [fine]) is not told; the rest is, at its field.
TEST_F(CheckTest, PlausibilityWarningsStopAtWhatRealDescriptionsWrite) {
    const std::string station = "stazione,  5000,  2,  400,  1, 0, 0,  4,1,1,  2,1,1,  60,  ";
    const std::string base = train.substr(0, train.rfind("[fine]"));
    const struct {
        std::string train;
        const char* rule;  // nothing: no warning
        int line, column;
    } cases[] = {
        {withRecord(withRecord(train, station + "23,50, 0, A"),
                    "stazione,  8000,  2,  400,  1, 0, 0,  4,1,1,  2,1,1,  60,  0,10, 0, B"),
         nullptr, 0, 0},
        {withRecord(train, station + "0, 0, 0, A"), nullptr, 0, 0},
        {withRecord(train, station + "8,29,59, A"), "time-order", 15, 60},
        {withRecord(train, "velocita,  10000,  0"), nullptr, 0, 0},
        {withRecord(train, "velocita,  9950,  0"), "zero-speed", 15, 19},
        {train + "\r\n-- the end\r\n\r\n", nullptr, 0, 0},
        {base + "sabbia\r\n", "missing-end-header", 15, 1},
        {base, "missing-end-header", 14, 46},
        {withRecord(train, "rallentamento,  9500,  120,  800,  0,  0,  0"), "past-line-end", 15,
         30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.train);
        const json report = checkJson(line, c.train);
        if (!c.rule) {
            EXPECT_EQ(report["diagnostics"], json::array());
            continue;
        }
        // A lone keyword at the end is also a record without its fields.
        const json& all = report["diagnostics"];
        const auto d = std::find_if(all.begin(), all.end(),
                                    [&](const json& d) { return d["rule"] == c.rule; });
        ASSERT_NE(d, all.end()) << report.dump(1);
        EXPECT_EQ((*d)["line"], c.line);
        EXPECT_EQ((*d)["column"], c.column);
        EXPECT_EQ(all.size(),
                  std::string(c.rule) == "missing-end-header" && c.column == 1 ? 2u : 1u)
            << report.dump(1);
    }
}

// A value outside its field's documented range is told at the value, with what is stored
// where that differs; a value at either end of its range is not told.
TEST_F(CheckTest, ValueOutOfRangeIsToldAtTheValueWithWhatIsStored) {
    const struct {
        bool inLine;
        const char* record;
        int column;  // 0: no warning
        const char* message;
    } cases[] = {
        {true, "pendenza,  5000,  200", 19,
         "gradient 200 per mille is stored as \u221256; the range is \u2212100 to 155"},
        {true, "pendenza,  5000,  -101", 19,
         "gradient \u2212101 per mille is stored as 155; the range is \u2212100 to 155"},
        {true, "pendenza,  5000,  155", 0, ""},
        {true, "pendenza,  5000,  -100", 0, ""},
        {true, "montagna,  500,  2850,  25", 25,
         "type 25 is out of range; the range is 1 to 10, or 11 to 20"},
        {false, "stazione,  9000,  6,  400,  1, 1, 0,  1,1,0,  2,1,1,  0,  10,78, 0, VALLE", 62,
         "minutes 78 makes the time 10:78:00, stored as 11:18:00; the range is 0 to 59"},
        {false, "segnale,  7000,  1, 31, 1,  0, 0,  1,  1,1,0, 0", 21,
         "s1 31 is stored with d1 as 311; the range is 0 to 9"},
        {false, "segnale,  7000,  1, 3, 1,  0, 0,  1,  12,1,0, 0", 39,
         "d1 12 is stored with s1 as 42, which reads back as s1 4 and d1 2; the range is 0 to 9"},
        {false, "segnale,  7000,  2, 1, 1,  0, 0,  2,  1,1,0, 300", 46,
         "tempo 300 is stored as 44; the range is 0 to 255"},
        {false, "segnale,  7000,  2, 1, 1,  0, 0,  2,  1,1,0, 255", 0, ""},
        {false, "orologio,  8  75  0", 15,
         "clock_minutes 75 is out of range; the range is 0 to 59"},
        {false, "aderenza,  5000,  300", 19, "adhesion 300 is stored as 44; the range is 0 to 255"},
        {false, "rallentamento,  5000,  60,  500,  40000,  0,  0", 35,
         "f_tt 40000 is stored as \u221225536; the range is \u221232,768 to 32,767"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record);
        const std::string l = c.inLine ? withRecord(line, c.record) : line;
        const std::string t = c.inLine ? train : withRecord(train, c.record);
        const json report = checkJson(l, t);
        std::vector<json> found;
        for (const json& d : report["diagnostics"]) {
            if (d["rule"] == "value-out-of-range") found.push_back(d);
        }
        if (c.column == 0) {
            EXPECT_TRUE(found.empty()) << report.dump(1);
            continue;
        }
        ASSERT_EQ(found.size(), 1u) << report.dump(1);
        EXPECT_EQ(found[0]["severity"], "warning");
        EXPECT_EQ(found[0]["file"], c.inLine ? lineFile() : trainFile());
        EXPECT_EQ(found[0]["line"], c.inLine ? 11 : 15);
        EXPECT_EQ(found[0]["column"], c.column);
        EXPECT_EQ(found[0]["message"].get<std::string>().rfind(c.message, 0), 0u)
            << found[0]["message"];
    }
}

// A speed that fits no cell fails the compilation at its own value: the warning says so, and
// stands where that error does (check folds it into the error; compile shows it).
TEST_F(CheckTest, ASpeedThatFitsNoCellIsToldToFailAtItsValue) {
    const std::string t = withRecord(train, "velocita,  5000,  1500");
    const Warnings warnings = descriptionWarnings(lineFile(), line, trainFile(), t, true);
    const auto speed =
        std::find_if(warnings.first.begin(), warnings.first.end(),
                     [](const Diagnostic& d) { return d.rule == "value-out-of-range"; });
    ASSERT_NE(speed, warnings.first.end());
    EXPECT_EQ(speed->message,
              "speed 1500 km/h cannot be stored: a cell holds at most 255 units of 5 km/h, and "
              "the compilation fails at this value (error 25); the range is 0 to 1277");
    const ErrorScan scan = findErrors({lineFile(), trainFile(), line, t, "L", "T"}, 5);
    ASSERT_FALSE(scan.errors.empty());
    EXPECT_EQ(scan.errors[0].code, scenario::ErrorCode::readFailure);
    EXPECT_EQ(std::pair(scan.errors[0].line, scan.errors[0].column),
              std::pair(speed->line, speed->column));
}

TEST_F(CheckTest, UsageErrorsEndWithStatusTwo) {
    EXPECT_EQ(check(line, train, {"-Wno-no-such-warning"}).status, 2);
    EXPECT_EQ(check(line, train, {"--json", "--sarif"}).status, 2);
    std::ostringstream out, err;
    EXPECT_EQ(runScenarioTool({"check", lineFile(), dir.file("missing-.txt")}, out, err), 2);
    EXPECT_NE(err.str().find("no such file"), std::string::npos);
}

TEST_F(CheckTest, CompileShowsTheWarningsUnlessSilenced) {
    const std::string typo = withRecord(train, "segnlae,  7000,  1, 1, 1,  0, 0,  1,  1,1,0, 0");
    spit(lineFile(), line);
    spit(trainFile(), typo);
    for (const bool quiet : {false, true}) {
        // The unknown keyword would keep the files unwritten; let pass, it is only shown.
        std::vector<std::string> args{"compile", lineFile(), trainFile(),
                                      "--out",   dir.str(),  "-Wno-error=unknown-keyword"};
        if (quiet) args.push_back("-w");
        std::ostringstream out, err;
        EXPECT_EQ(runScenarioTool(args, out, err), 0);
        EXPECT_EQ(err.str().find("[-Wunknown-keyword]") != std::string::npos, !quiet) << err.str();
    }
    std::ostringstream out, err;
    runScenarioTool({"compile", lineFile(), trainFile(), "--out", dir.str(), "--json",
                     "-Wno-error=unknown-keyword"},
                    out, err);
    const json report = json::parse(out.str());
    ASSERT_EQ(report["warnings"].size(), 1u);
    EXPECT_EQ(report["warnings"][0]["rule"], "unknown-keyword");
    EXPECT_EQ(report["warnings"][0]["line"], 15);
}

// The SARIF log of a check with errors, a held cell and warnings, in a folder whose name needs
// percent-encoding, is valid against the SARIF 2.1.0 schema and says what the text says.
TEST_F(CheckTest, SarifLogIsValidAndCarriesEachDiagnostic) {
    testing::SchemaSubset schema(
        json::parse(slurp(std::string(SCENARIO_FIXTURES_DIR) + "/sarif-2.1.0-subset.schema.json")));
    // The validator itself turns down what the format does not allow.
    EXPECT_FALSE(schema.problems(json::parse(R"({"runs":[]})")).empty());
    EXPECT_FALSE(schema
                     .problems(json::parse(
                         R"({"version":"2.1.0","runs":[{"tool":{"driver":{"name":"x"}},
                             "results":[{"message":{"text":"m"},"locations":[{"physicalLocation":
                             {"artifactLocation":{"uri":"a b"},"region":{"startLine":0}}}]}]}]})"))
                     .empty());

    const std::string spaced = dir.file("un posto \xC3\xA8");
    std::filesystem::create_directory(utf8Path(spaced));
    const std::string lineIn = spaced + "/" + testing::kLineFixture;
    const std::string trainIn = spaced + "/" + testing::kTrainFixture;
    spit(lineIn, withRecord(line, "cartello_indicatore,  4010,  (ALTRO)"));
    std::string badTrain = withRecord(train, "segnlae,  7000,  1, 1, 1,  0, 0,  1,  1,1,0, 0");
    badTrain.insert(badTrain.find("segnale,  6000"),
                    "segnale,  2510,  1, 1, 1,  0, 0,  1,  1,1,0, 0\r\n");
    spit(trainIn, badTrain);
    for (const bool werror : {false, true}) {
        SCOPED_TRACE(werror);
        std::vector<std::string> args{"check", lineIn, trainIn, "--sarif"};
        if (werror) args.push_back("--werror");
        std::ostringstream out, err;
        EXPECT_EQ(runScenarioTool(args, out, err), 1);
        const json log = json::parse(out.str());
        const std::vector<std::string> problems = schema.problems(log);
        EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);

        const json& rules = log["runs"][0]["tool"]["driver"]["rules"];
        const json& results = log["runs"][0]["results"];
        ASSERT_EQ(results.size(), 3u) << results.dump(1);
        const struct {
            std::string rule, level, file;
            int line, endColumn;  // the region is the whole keyword field
        } expected[] = {
            {"error-6", "error", lineIn, 11, 20},
            {"error-16", "error", trainIn, 14, 8},
            {"unknown-keyword", werror ? "error" : "warning", trainIn, 16, 8},
        };
        // One rule for each rule broken, in the order of the results.
        ASSERT_EQ(rules.size(), 3u) << rules.dump(1);
        for (std::size_t i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const json& r = results[i];
            EXPECT_EQ(r["ruleId"], expected[i].rule);
            EXPECT_EQ(rules[r["ruleIndex"].get<std::size_t>()]["id"], expected[i].rule);
            EXPECT_EQ(rules[r["ruleIndex"].get<std::size_t>()]["name"], expected[i].rule);
            EXPECT_EQ(r["level"], expected[i].level);
            const json& at = r["locations"][0]["physicalLocation"];
            // A Windows path is written with forward slashes and a slash before its drive.
            std::string path = expected[i].file;
            std::replace(path.begin(), path.end(), '\\', '/');
            if (path.size() > 1 && path[1] == ':') path.insert(0, "/");
            EXPECT_EQ(
                at["artifactLocation"]["uri"],
                "file://" + std::regex_replace(std::regex_replace(path, std::regex(" "), "%20"),
                                               std::regex("\xC3\xA8"), "%C3%A8"));
            EXPECT_EQ(at["region"]["startLine"], expected[i].line);
            EXPECT_EQ(at["region"]["startColumn"], 1);
            EXPECT_EQ(at["region"]["endLine"], expected[i].line);
            EXPECT_EQ(at["region"]["endColumn"], expected[i].endColumn);
            EXPECT_FALSE(at["artifactLocation"].contains("uriBaseId"));  // an absolute path
        }
        // The signal's cell is held by the signal written before it.
        EXPECT_EQ(results[1]["relatedLocations"][0]["physicalLocation"]["region"]["startLine"], 13);
    }
}

// A mark the compiler adds after reading names no record; check blames the signal it belongs
// to and names what took the cell before it.
TEST_F(CheckTest, AMarkWithoutRoomIsToldAtItsSignal) {
    std::string crowded = train;
    for (const char* record : {"abbattimento,  2500,  0", "abbattimento,  2450,  0",
                               "rallentamento,  4150,  60,  300,  0,  0,  0"}) {
        crowded = withRecord(crowded, record);
    }
    const json report = checkJson(line, crowded);
    ASSERT_EQ(report["diagnostics"].size(), 1u) << report.dump(1);
    const json& d = report["diagnostics"][0];
    EXPECT_EQ(d["code"],
              scenario::codeNumber(scenario::ErrorCode::noCellForMarkBeforeSignalAheadOfBoard));
    EXPECT_EQ(d["line"], 13);  // the signal at 2500 m
    EXPECT_EQ(d["heldBy"]["line"], 15);
    EXPECT_NE(d["heldBy"]["message"].get<std::string>().find("abbattimento mark"),
              std::string::npos);
}

// Tracing what the compilation reads and places leaves the compiled files as they are.
TEST(RecordTrace, TracingChangesNoCompiledByte) {
    const std::string line = content::encodeDocument(content::lineDescription());
    const std::string train = content::encodeDocument(content::trainDescription());
    std::vector<std::string> files[2];
    for (const bool traced : {false, true}) {
        RecordTrace trace;
        const scenario::Compilation compilation = scenario::compile(
            {"GENOVA_TORINO", "IC514"}, {scenario::inMemory(line), scenario::inMemory(train)},
            {.makeTrackPlan = 1, .observer = traced ? &trace : nullptr});
        ASSERT_EQ(compilation.model.error.errorCode, scenario::ErrorCode::none);
        ASSERT_EQ(compilation.stamp, scenario::StampResult::stamped);
        for (const scenario::CompiledFile& file : compilation.files()) {
            std::string bytes;
            file.produce([&bytes](std::string_view piece) { bytes += piece; });
            files[traced].push_back(std::move(bytes));
        }
        if (traced) {
            // The first signal of the carried train, at 1500 m, stands on line 68.
            const RecordTrace::Record* holder = trace.placer(31);
            ASSERT_NE(holder, nullptr);
            EXPECT_EQ(holder->file, scenario::Description::train);
            EXPECT_EQ(holder->place.line, 68);
            EXPECT_EQ(holder->kind, scenario::RecordKind::signal);
            EXPECT_EQ(trace.number(*holder, 0), 1500);
        }
    }
    EXPECT_EQ(files[0].size(), 3u);
    EXPECT_TRUE(files[0] == files[1]);
}

// An author's usual mistakes, each made once on the carried descriptions: each gets a
// diagnostic on the line that holds it.
TEST_F(CheckTest, UsualMistakesAreEachToldOnTheirOwnLine) {
    const std::string carriedLine = content::encodeDocument(content::lineDescription());
    const std::string carriedTrain = content::encodeDocument(content::trainDescription());
    struct Case {
        const char* what;
        bool inLine;
        std::string from, to;  // the first `from` becomes `to`
        const char* rule;
    };
    const Case cases[] = {
        {"keyword typo", false, "segnale,   20550", "segnlae,   20550", "unknown-keyword"},
        {"curve typo", true, "curvad4", "curvx3", "unknown-keyword"},
        {"heading typo", true, "[pendenze]", "[pendeze]", "unknown-section"},
        {"extra comma", false, "segnale,   20550,   1, 4, 1,", "segnale,   20550,   1,, 4, 1,",
         "field-count"},
        {"speed typed too high", false, "velocita,    9550", "velocita,    95500",
         "position-order"},
        {"slash comment", false, "[segnali]", "[segnali]\r\n// main signals",
         "comment-read-as-fields"},
        {"UTF-8 name", false, "GENOVA P.PRINCIPE", "GENOVA PR\xC3\x8CNCIPE", "utf8-text"},
        {"mountain reversed", true, "montagna,   500,  2850", "montagna,   2850,  500",
         "end-before-start"},
        {"leading comma", false, "segnale,   20550", ",   20550", "unknown-keyword"},
        {"signal onto a taken cell", false, "segnale,   20550", "segnale,   18700", "error-16"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = c.inLine ? carriedLine : carriedTrain;
        const std::size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, c.from.size(), c.to);
        const int lineNumber =
            static_cast<int>(
                std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n')) +
            1 + static_cast<int>(std::count(c.to.begin(), c.to.end(), '\n'));
        const json report = c.inLine ? checkJson(text, carriedTrain) : checkJson(carriedLine, text);
        bool told = false;
        for (const json& d : report["diagnostics"]) {
            told = told || (d["rule"] == c.rule && d["line"] == lineNumber &&
                            d["file"] == (c.inLine ? lineFile() : trainFile()));
        }
        EXPECT_TRUE(told) << report.dump(1);
    }
}

}  // namespace
}  // namespace tool
