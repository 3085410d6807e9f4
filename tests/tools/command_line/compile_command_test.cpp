#include "tools/command_line/compile_command.h"

#include <gtest/gtest.h>
#include <chrono>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "compiler/error_codes.h"
#include "tests/tools/tool_test_support.h"
#include "tools/command_line/exit_status.h"

namespace tool {
namespace {

using nlohmann::json;
using scenario::codeNumber;
using scenario::ErrorCode;
using testing::fixture;
using testing::installerFiles;
using testing::slurp;
using testing::spit;
using testing::TempDir;
using testing::withRecord;

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
    json report() const { return json::parse(out); }
};

Outcome compile(const CompileOptions& options) {
    std::ostringstream out;
    std::ostringstream err;
    Outcome run;
    run.status = runCompile(options, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// An input description as it stood before the run, to show that the tool left it alone.
struct InputState {
    explicit InputState(const std::string& path)
        : path(path), bytes(slurp(path)), mtime(fs::last_write_time(path)) {}
    void expectUnchanged() const {
        ASSERT_TRUE(fs::exists(path)) << path;
        EXPECT_EQ(slurp(path), bytes) << path;
        EXPECT_EQ(fs::last_write_time(path), mtime) << path;
    }
    std::string path;
    std::string bytes;
    fs::file_time_type mtime;
};

class CompileCommandTest : public ::testing::Test {
  protected:
    // Writes the descriptions into the input directory under the given names.
    CompileOptions inputs(const std::string& line, const std::string& train,
                          const std::string& lineFile = testing::kLineFixture,
                          const std::string& trainFile = testing::kTrainFixture) {
        spit(in.file(lineFile), line);
        spit(in.file(trainFile), train);
        // Older than any write of the run, so that a rewrite of the same bytes shows too.
        // Whole seconds: Windows keeps file times to 100 ns, and would store a finer time
        // rounded.
        const fs::file_time_type past = std::chrono::floor<std::chrono::seconds>(
            fs::file_time_type::clock::now() - std::chrono::hours(1));
        fs::last_write_time(in.file(lineFile), past);
        fs::last_write_time(in.file(trainFile), past);
        CompileOptions options;
        options.lineFile = in.file(lineFile);
        options.trainFile = in.file(trainFile);
        options.outDir = out.str();
        options.json = true;
        return options;
    }

    // Every file in the output directory, by name.
    std::map<std::string, std::string> written() const {
        std::map<std::string, std::string> files;
        for (const std::string& name : out.listing()) files[name] = slurp(out.file(name));
        return files;
    }

    const std::string line = fixture(testing::kLineFixture);
    const std::string train = fixture(testing::kTrainFixture);
    TempDir in;
    TempDir out;
};

const std::vector<std::string> kFixtureFiles = {"COLLE_MARE_linea.dat", "COLLE_MARE_R2041.sim",
                                                "COLLE_MARE_R2041.dat"};

std::uint16_t u16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes.at(at)) |
                                      static_cast<unsigned char>(bytes.at(at + 1)) << 8);
}

TEST_F(CompileCommandTest, WritesWhatTheInstallerWritesAndLeavesTheInputsAlone) {
    const CompileOptions options = inputs(line, train);
    const InputState lineBefore(options.lineFile);
    const InputState trainBefore(options.trainFile);

    const Outcome run = compile(options);

    EXPECT_EQ(run.status, kExitCompiled);
    EXPECT_EQ(run.err, "");
    // The four fields scripts rely on come first, exactly so.
    EXPECT_EQ(run.out.rfind(R"({"errorCode":0,"errorPosition":0,"fatal":null,"files":[)"
                            R"("COLLE_MARE_linea.dat","COLLE_MARE_R2041.sim",)"
                            R"("COLLE_MARE_R2041.dat"],)",
                            0),
              0u)
        << run.out;
    EXPECT_EQ(run.report()["status"], 0);
    EXPECT_EQ(run.report()["file"], nullptr);

    const auto files = written();
    EXPECT_EQ(files, installerFiles(line, train, "COLLE_MARE", "R2041", 1));
    lineBefore.expectUnchanged();
    trainBefore.expectUnchanged();
    EXPECT_EQ(in.listing(), (std::set<std::string>{testing::kLineFixture, testing::kTrainFixture}));

    // What the fixture puts where, read back at its offsets.
    const std::string& route = files.at("COLLE_MARE_R2041.dat");
    ASSERT_EQ(route.size(), 15u * (testing::kFixtureLastCell + 1));
    EXPECT_EQ(u16(route, 16), 5121);        // the route stamp in cell 1
    EXPECT_EQ(route[23 * 15], 10);          // the station's stop cell
    EXPECT_EQ(u16(route, 23 * 15 + 1), 1);  // ... of station 1
    EXPECT_EQ(route[51 * 15], 1);           // signal at 2500 m
    EXPECT_EQ(route[121 * 15], 1);          // signal at 6000 m
    EXPECT_EQ(route[81 * 15], 14);          // location board at 4000 m
    EXPECT_EQ(route[0 * 15 + 13], 102);     // gradient 2 from 0 m
    EXPECT_EQ(route[60 * 15 + 13], 95);     // gradient -5 from 3000 m
    // Every plan point from 2 to planLength - 2 computed, the last two left empty.
    EXPECT_EQ(files.at("COLLE_MARE_linea.dat").size(), 20u * testing::kFixturePlanLength - 36);
}

TEST_F(CompileCommandTest, WithoutTrackPlanWritesNoLinePlanAndLeavesAnOldOneAsItWas) {
    CompileOptions options = inputs(line, train);
    options.trackPlan = false;
    spit(out.file("COLLE_MARE_linea.dat"), "from an earlier run");

    const Outcome run = compile(options);

    EXPECT_EQ(run.status, kExitCompiled);
    EXPECT_EQ(run.report()["files"], json({"COLLE_MARE_R2041.sim", "COLLE_MARE_R2041.dat"}));
    auto expected = installerFiles(line, train, "COLLE_MARE", "R2041", 0);
    expected["COLLE_MARE_linea.dat"] = "from an earlier run";
    EXPECT_EQ(written(), expected);
}

TEST_F(CompileCommandTest, RecordedFailureIsToldWithItsPlaceAndWriteOnErrorWritesTheFiles) {
    struct Case {
        const char* what;
        bool inLine;  // the record goes into the line description, else into the train's
        const char* record;
        ErrorCode code;
        const char* words;
        int position;
        int lineNumber;  // where the record lands in its file
    };
    const Case cases[] = {
        {"two signals in one cell", false, "segnale,  6010,  1, 1, 1,  0, 0,  1,  1,1,0, 0",
         ErrorCode::signalCellTaken, "signal cell already taken", 6010, 15},
        {"two boards in one cell", true, "cartello_indicatore,  4010,  (ALTRO)",
         ErrorCode::locationBoardCellTaken, "location board cell already taken", 4010, 11},
        {"a record outside the route", false, "segnale,  200000,  1, 1, 1,  0, 0,  1,  1,1,0, 0",
         ErrorCode::positionOutsideRoute, "position outside the route", 200000, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string lineText = c.inLine ? withRecord(line, c.record) : line;
        const std::string trainText = c.inLine ? train : withRecord(train, c.record);
        CompileOptions options = inputs(lineText, trainText);
        options.writeOnError = true;
        const InputState lineBefore(options.lineFile);
        const InputState trainBefore(options.trainFile);

        const Outcome run = compile(options);

        const std::string file = c.inLine ? options.lineFile : options.trainFile;
        const std::string words = c.words;
        EXPECT_EQ(run.status, kExitFailureRecorded);
        // The message, then the record's line and a caret under its keyword.
        EXPECT_EQ(run.err, file + ":" + std::to_string(c.lineNumber) + ":1: error " +
                               std::to_string(codeNumber(c.code)) + " at " +
                               std::to_string(c.position) + " m: " + words + "\n    " + c.record +
                               "\n    ^\n");
        const json report = run.report();
        EXPECT_EQ(report["errorCode"], codeNumber(c.code));
        EXPECT_EQ(report["errorPosition"], c.position);
        EXPECT_EQ(report["fatal"], nullptr);
        EXPECT_EQ(report["files"], json(kFixtureFiles));
        EXPECT_EQ(report["status"], 1);
        EXPECT_EQ(report["file"], file);
        EXPECT_EQ(report["line"], c.lineNumber);
        EXPECT_EQ(report["column"], 1);
        EXPECT_EQ(report["message"], words);
        EXPECT_EQ(report["sourceLine"], c.record);
        EXPECT_EQ(written(), installerFiles(lineText, trainText, "COLLE_MARE", "R2041", 1));
        lineBefore.expectUnchanged();
        trainBefore.expectUnchanged();
    }
}

TEST_F(CompileCommandTest, RecordedFailureWritesNothingAndLeavesEarlierFiles) {
    // A folder holding the files of an earlier good compilation, and a train description
    // whose signal fails to place, in the line description and in the train description.
    const auto good = installerFiles(line, train, "COLLE_MARE", "R2041", 1);
    const struct {
        const char* what;
        std::string line, train;
    } cases[] = {
        {"line", withRecord(line, "cartello_indicatore,  4010,  (ALTRO)"), train},
        {"train", line, withRecord(train, "segnale,  6010,  1, 1, 1,  0, 0,  1,  1,1,0, 0")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& [name, bytes] : good) spit(out.file(name), bytes);
        // Whole seconds: Windows keeps file times to 100 ns, and would store a finer time
        // rounded.
        const fs::file_time_type past = std::chrono::floor<std::chrono::seconds>(
            fs::file_time_type::clock::now() - std::chrono::hours(1));
        for (const auto& [name, bytes] : good) fs::last_write_time(out.file(name), past);
        CompileOptions options = inputs(c.line, c.train);

        const Outcome run = compile(options);

        EXPECT_EQ(run.status, kExitFailureRecorded);
        EXPECT_NE(run.err.find("scenario-tool: the compilation recorded a failure; no compiled "
                               "file written"),
                  std::string::npos)
            << run.err;
        const json report = run.report();
        EXPECT_EQ(report["files"], json::array());
        EXPECT_EQ(report["status"], 1);
        EXPECT_NE(report["errorCode"], codeNumber(ErrorCode::none));
        EXPECT_EQ(written(), good);
        for (const auto& [name, bytes] : good) {
            EXPECT_EQ(fs::last_write_time(out.file(name)), past) << name;
        }

        // Without JSON, nothing names a written file on stdout either.
        options.json = false;
        EXPECT_EQ(compile(options).out, "");
    }
}

// A warning that means the files would not hold what was written keeps them unwritten, with
// status 1 and its name; relaxed by name, or under --write-on-error, the files are the
// installer's and the status tells only what the compilation recorded.
TEST_F(CompileCommandTest, WarningsOfUnfaithfulBytesKeepTheFilesUnwritten) {
    const struct {
        const char* rule;
        std::string line, train;
    } cases[] = {
        {"value-out-of-range", withRecord(line, "pendenza,  5000,  200"), train},
        {"value-out-of-range", line,
         withRecord(train, "segnale,  7000,  1, 31, 1,  0, 0,  1,  1,1,0, 0")},
        {"unknown-keyword", line,
         withRecord(train, "segnlae,  7000,  1, 1, 1,  0, 0,  1,  1,1,0, 0")},
        {"field-count", withRecord(line, "pendenza,  5000,  2,  7"), train},
        {"missing-end-header", line, train.substr(0, train.rfind("[fine]"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        const auto good = installerFiles(c.line, c.train, "COLLE_MARE", "R2041", 1);
        ASSERT_FALSE(good.empty());
        for (const std::string& name : out.listing()) fs::remove(out.file(name));
        CompileOptions options = inputs(c.line, c.train);

        const Outcome refused = compile(options);
        EXPECT_EQ(refused.status, kExitFailureRecorded);
        EXPECT_NE(refused.err.find(std::string("would not hold what the descriptions say (1 "
                                               "warning: ") +
                                   c.rule + ")"),
                  std::string::npos)
            << refused.err;
        EXPECT_EQ(refused.report()["files"], json::array());
        EXPECT_EQ(refused.report()["errorCode"], 0);
        EXPECT_TRUE(written().empty());

        // Another refusing warning let pass changes nothing.
        options.relaxed = {c.rule == std::string("field-count") ? "unknown-keyword"
                                                                : "field-count"};
        EXPECT_EQ(compile(options).status, kExitFailureRecorded);
        EXPECT_TRUE(written().empty());

        for (const bool writeOnError : {false, true}) {
            options.relaxed =
                writeOnError ? std::vector<std::string>{} : std::vector<std::string>{c.rule};
            options.writeOnError = writeOnError;
            const Outcome run = compile(options);
            EXPECT_EQ(run.status, kExitCompiled) << run.err;
            EXPECT_EQ(run.report()["status"], 0);
            EXPECT_EQ(run.report()["problem"], nullptr);
            EXPECT_EQ(written(), good);
        }
    }
}

// A --out folder that does not exist is made, with those above it, only when files are
// written.
TEST_F(CompileCommandTest, MakesAMissingOutputFolder) {
    CompileOptions options = inputs(withRecord(line, "pendenza,  5000,  200"), train);
    options.outDir = out.file("made/here");
    EXPECT_EQ(compile(options).status, kExitFailureRecorded);
    EXPECT_FALSE(fs::exists(out.file("made")));

    options = inputs(line, train);
    options.outDir = out.file("made/here");
    const Outcome run = compile(options);
    EXPECT_EQ(run.status, kExitCompiled) << run.err;
    for (const std::string& name : kFixtureFiles) {
        EXPECT_TRUE(fs::is_regular_file(out.file("made/here/" + name))) << name;
    }

    // Below a file, no folder can be made: told, nothing written.
    spit(out.file("plain"), "x");
    options.outDir = out.file("plain/below");
    const Outcome blocked = compile(options);
    EXPECT_EQ(blocked.status, kExitOutputFailed);
    EXPECT_NE(blocked.err.find("cannot make the folder"), std::string::npos) << blocked.err;
}

TEST_F(CompileCommandTest, ReadFailureCarriesTheReadersDetail) {
    // The record's last value is missing: the next field, "[fine]", is no number.
    const std::string trainText = withRecord(train, "segnale,  7000,  1, 1, 1,  0, 0,  1,  1,1,0");
    const Outcome run = compile(inputs(line, trainText));

    EXPECT_EQ(run.status, kExitFailureRecorded);
    const json report = run.report();
    EXPECT_EQ(report["errorCode"], codeNumber(ErrorCode::readFailure));
    EXPECT_EQ(report["file"], in.file(testing::kTrainFixture));
    const std::string message = report["message"];
    EXPECT_EQ(message.rfind("read failure: ", 0), 0u) << message;
    EXPECT_GT(message.size(), std::string("read failure: ").size());
    EXPECT_NE(run.err.find("error 25: " + message), std::string::npos) << run.err;
}

TEST_F(CompileCommandTest, DataInThePlaceOfTheStampsWritesNothing) {
    struct Case {
        const char* record;
        ErrorCode fatal;
    };
    const Case cases[] = {
        // A signal in the first 25 m stands in cell 1, where the route stamp goes.
        {"segnale,  10,  1, 1, 1,  0, 0,  1,  1,1,0, 0", ErrorCode::dataOverFormatStamps},
        // A slowdown starting there at speed 0 leaves value1 free but fills value2, where the
        // plain scenario code goes.
        {"rallentamento,  10,  0,  100,  0,  0,  5", ErrorCode::dataOverScenarioCodes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        const std::string trainText = withRecord(train, c.record);
        ASSERT_TRUE(installerFiles(line, trainText, "COLLE_MARE", "R2041", 1).empty());
        const CompileOptions options = inputs(line, trainText);
        const InputState trainBefore(options.trainFile);

        const Outcome run = compile(options);

        EXPECT_EQ(run.status, kExitNothingWritten);
        EXPECT_NE(run.err.find("error " + std::to_string(codeNumber(c.fatal))), std::string::npos)
            << run.err;
        EXPECT_TRUE(out.listing().empty());
        const json report = run.report();
        EXPECT_EQ(report["fatal"], codeNumber(c.fatal));
        EXPECT_EQ(report["files"], json::array());
        EXPECT_EQ(report["status"], 2);
        trainBefore.expectUnchanged();
    }
}

TEST_F(CompileCommandTest, DescriptionsWithoutARouteWriteNothing) {
    const std::string noLength = "[generale]\r\n[curve]\r\npendenza,  0,  2\r\n[fine]\r\n";
    const Outcome run = compile(inputs(noLength, train));

    EXPECT_EQ(run.status, kExitNothingWritten);
    EXPECT_TRUE(out.listing().empty());
    const json report = run.report();
    EXPECT_NE(report["errorCode"],
              codeNumber(ErrorCode::none));  // the reason is told as a recorded failure
    EXPECT_EQ(report["fatal"], nullptr);
    EXPECT_EQ(report["files"], json::array());
    EXPECT_NE(report["problem"], nullptr);
    EXPECT_NE(run.err.find("no route"), std::string::npos) << run.err;
}

TEST_F(CompileCommandTest, InputThatCannotBeReadIsNamedAndNothingIsCompiled) {
    struct Case {
        const char* what;
        std::function<void(CompileOptions&)> spoil;
        std::vector<std::string> told;  // what standard error must name
    };
    const Case cases[] = {
        {"missing line description",
         [](CompileOptions& o) { fs::remove(o.lineFile); },
         {"COLLE_MARE_linea.txt: no such file"}},
        {"missing train description",
         [](CompileOptions& o) { fs::remove(o.trainFile); },
         {"COLLE_MARE_R2041-.txt: no such file"}},
        {"both missing",
         [](CompileOptions& o) {
             fs::remove(o.lineFile);
             fs::remove(o.trainFile);
         },
         {"COLLE_MARE_linea.txt: no such file", "COLLE_MARE_R2041-.txt: no such file"}},
        {"a directory in place of the train description",
         [](CompileOptions& o) {
             fs::remove(o.trainFile);
             fs::create_directory(o.trainFile);
         },
         {"COLLE_MARE_R2041-.txt: cannot be read"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CompileOptions options = inputs(line, train);
        c.spoil(options);

        const Outcome run = compile(options);

        EXPECT_EQ(run.status, kExitNothingWritten);
        for (const std::string& told : c.told) {
            EXPECT_NE(run.err.find(told), std::string::npos) << run.err;
        }
        EXPECT_TRUE(out.listing().empty());
        const json report = run.report();
        EXPECT_EQ(report["errorCode"], codeNumber(ErrorCode::none));
        EXPECT_EQ(report["fatal"], nullptr);
        EXPECT_EQ(report["files"], json::array());
        EXPECT_EQ(report["status"], 2);
        fs::remove_all(options.trainFile);
    }
}

TEST_F(CompileCommandTest, NamesComeFromTheFileNamesUnlessGiven) {
    struct Case {
        const char* lineFile;
        const char* trainFile;
        std::optional<std::string> lineName;
        std::optional<std::string> trainName;
        std::string expectedLine;   // empty: a usage error is expected
        std::string expectedTrain;  // or the text the error must hold
    };
    const Case cases[] = {
        {"COLLE_MARE_linea.txt", "COLLE_MARE_R2041-.txt", {}, {}, "COLLE_MARE", "R2041"},
        {"COLLE_MARE_linea.txt", "COLLE_MARE_R_20-.txt", {}, {}, "COLLE_MARE", "R_20"},
        {"linea.txt", "COLLE_MARE_R2041-.txt", "COLLE_MARE", {}, "COLLE_MARE", "R2041"},
        {"COLLE_MARE_linea.txt", "treno.txt", {}, "T9", "COLLE_MARE", "T9"},
        {"COLLE_MARE_linea.txt", "COLLE_MARE_R2041-.txt", "ALTRA", "R1", "ALTRA", "R1"},
        {"linea.txt", "COLLE_MARE_R2041-.txt", {}, {}, "", "--line-name"},
        {"COLLE_MARE_linea.txt", "treno.txt", {}, {}, "", "--train-name"},
        // A given line name that the train file does not start with: no guess at the train.
        {"COLLE_MARE_linea.txt", "COLLE_MARE_R2041-.txt", "ALTRA", {}, "", "--train-name"},
        {"COLLE_MARE_linea.txt", "COLLE_MARE_R2041-.txt", "../up", {}, "", "path separator"},
        {"COLLE_MARE_linea.txt", "COLLE_MARE_R2041-.txt", {}, "", "", "is empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lineFile) + " " + c.trainFile);
        CompileOptions options = inputs(line, train, c.lineFile, c.trainFile);
        options.lineName = c.lineName;
        options.trainName = c.trainName;

        const Outcome run = compile(options);

        if (c.expectedLine.empty()) {
            EXPECT_EQ(run.status, kExitNothingWritten);
            EXPECT_NE(run.err.find(c.expectedTrain), std::string::npos) << run.err;
            EXPECT_TRUE(out.listing().empty());
        } else {
            EXPECT_EQ(run.status, kExitCompiled) << run.err;
            // The names reach the files' names and, through the scenario codes, their bytes.
            EXPECT_EQ(written(), installerFiles(line, train, c.expectedLine, c.expectedTrain, 1));
        }
        for (const std::string& name : out.listing()) fs::remove(out.file(name));
        fs::remove(options.lineFile);
        fs::remove(options.trainFile);
    }
}

TEST_F(CompileCommandTest, NeverWritesOverAnInput) {
    // A line description named like the line plan file, compiled into its own directory.
    CompileOptions options = inputs(line, train, "COLLE_MARE_linea.dat");
    options.lineName = "COLLE_MARE";
    options.outDir = in.str();
    const InputState lineBefore(options.lineFile);

    const Outcome run = compile(options);

    EXPECT_EQ(run.status, kExitNothingWritten);
    EXPECT_NE(run.err.find("input"), std::string::npos) << run.err;
    EXPECT_EQ(run.report()["files"], json::array());
    lineBefore.expectUnchanged();
    EXPECT_EQ(in.listing(),
              (std::set<std::string>{"COLLE_MARE_linea.dat", testing::kTrainFixture}));
}

TEST_F(CompileCommandTest, OutputFailureStopsAtTheFileThatCannotBeWritten) {
    const CompileOptions options = inputs(line, train);
    fs::create_directory(out.file("COLLE_MARE_R2041.sim"));

    const Outcome run = compile(options);

    EXPECT_EQ(run.status, kExitOutputFailed);
    EXPECT_NE(run.err.find(out.file("COLLE_MARE_R2041.sim")), std::string::npos) << run.err;
    const json report = run.report();
    EXPECT_EQ(report["files"], json({"COLLE_MARE_linea.dat"}));
    EXPECT_EQ(report["status"], 3);
    EXPECT_EQ(out.listing(),
              (std::set<std::string>{"COLLE_MARE_linea.dat", "COLLE_MARE_R2041.sim"}));
    EXPECT_EQ(slurp(out.file("COLLE_MARE_linea.dat")),
              installerFiles(line, train, "COLLE_MARE", "R2041", 1).at("COLLE_MARE_linea.dat"));
}

TEST_F(CompileCommandTest, WithoutJsonStandardOutputListsTheWrittenFiles) {
    CompileOptions options = inputs(line, train);
    options.json = false;
    const Outcome run = compile(options);

    EXPECT_EQ(run.status, kExitCompiled);
    EXPECT_EQ(run.out, out.file("COLLE_MARE_linea.dat") + "\n" + out.file("COLLE_MARE_R2041.sim") +
                           "\n" + out.file("COLLE_MARE_R2041.dat") + "\n");
}

}  // namespace
}  // namespace tool
