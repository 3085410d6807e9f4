// The error reference: one entry for every code, each example compiling to its own code
// through the tool, and `scenario-tool explain` printing the entries. The examples are read
// from the copy of docs/errors.md the tool carries, so the document and this test cannot drift.
#include "tools/diagnostics/error_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "compiler/error_codes.h"
#include "tests/tools/tool_test_support.h"
#include "tools/command_line/exit_status.h"
#include "tools/command_line/scenario_tool.h"

namespace tool {
namespace {

using testing::spit;
using testing::TempDir;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

ToolRun runTool(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    ToolRun run;
    run.status = runScenarioTool(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// The fenced blocks of `text` whose info string is "line" or "train", by that name.
std::map<std::string, std::string> examples(std::string_view text) {
    std::map<std::string, std::string> blocks;
    std::istringstream in{std::string(text)};
    std::string line;
    std::string open;
    std::string body;
    while (std::getline(in, line)) {
        if (open.empty()) {
            if (line == "```line" || line == "```train") {
                open = line.substr(3);
                body.clear();
                if (blocks.count(open)) ADD_FAILURE() << "two " << open << " blocks in " << text;
            }
        } else if (line == "```") {
            blocks[open] = body;
            open.clear();
        } else {
            body += line + "\n";
        }
    }
    if (!open.empty()) ADD_FAILURE() << "an example block is not closed in " << text;
    return blocks;
}

// The descriptions an example leaves out: those of the section before the first entry.
std::map<std::string, std::string> defaultDescriptions() {
    const std::string_view doc = errorReferenceText();
    const std::size_t first = doc.find("\n## error ");
    return examples(doc.substr(0, first));
}

// The compiler's words for the code shown as `number`; empty for a number that names none.
std::string_view wordsFor(int number) {
    const std::optional<scenario::ErrorCode> code = scenario::errorCodeNumbered(number);
    return code ? scenario::describeErrorCode(*code) : std::string_view{};
}

// The number of every code the compiler can record or stop with and has words for.
std::set<int> describedCodes() {
    std::set<int> codes;
    for (int number = -10; number <= 100000; ++number) {
        if (!wordsFor(number).empty()) codes.insert(number);
    }
    return codes;
}

TEST(ErrorReference, HasOneEntryForEveryCodeTitledAsTheCompilerDescribesIt) {
    std::set<int> documented;
    for (const ErrorEntry& entry : errorEntries(errorReferenceText())) {
        EXPECT_TRUE(documented.insert(entry.code).second) << "two entries for " << entry.code;
        EXPECT_EQ(entry.title, wordsFor(entry.code)) << "error " << entry.code;
    }
    EXPECT_EQ(documented, describedCodes());
    for (const ErrorEntry& entry : errorEntries(errorReferenceText())) {
        for (const char* part : {"What it means:", "How to mend it:"}) {
            EXPECT_NE(entry.text.find(part), std::string_view::npos)
                << "error " << entry.code << " lacks \"" << part << "\"";
        }
    }
}

TEST(ErrorReference, EveryExampleCompilesToItsOwnCode) {
    const std::map<std::string, std::string> defaults = defaultDescriptions();
    ASSERT_EQ(defaults.size(), 2u);
    std::set<int> withoutExample;
    for (const ErrorEntry& entry : errorEntries(errorReferenceText())) {
        const std::map<std::string, std::string> given = examples(entry.text);
        if (given.empty()) {
            withoutExample.insert(entry.code);
            EXPECT_NE(entry.text.find("Not reached by a description:"), std::string_view::npos)
                << "error " << entry.code << " has no example and does not say why";
            continue;
        }
        std::map<std::string, std::string> pair = defaults;
        for (const auto& [name, text] : given) pair[name] = text;

        TempDir dir;
        spit(dir.file("EXAMPLE_linea.txt"), pair["line"]);
        spit(dir.file("EXAMPLE_T-.txt"), pair["train"]);
        const ToolRun run = runTool({"compile", dir.file("EXAMPLE_linea.txt"),
                                     dir.file("EXAMPLE_T-.txt"), "--out", dir.str(), "--json"});
        const nlohmann::json report = nlohmann::json::parse(run.out);
        const bool fatal = !report["fatal"].is_null();
        const int code = fatal ? report["fatal"].get<int>() : report["errorCode"].get<int>();
        EXPECT_EQ(code, entry.code) << run.err;
        // The entry says when the tool writes nothing; otherwise it reports a recorded code.
        std::string words(entry.text);
        std::replace(words.begin(), words.end(), '\n', ' ');
        const bool nothingWritten = words.find("o compiled file is written") != std::string::npos;
        EXPECT_EQ(run.status, nothingWritten ? kExitNothingWritten : kExitFailureRecorded)
            << "error " << entry.code << ": " << run.err;
        EXPECT_TRUE(!fatal || nothingWritten) << "error " << entry.code;
    }
    // Only a missing line description gives 101, and the tool tells that before compiling.
    EXPECT_EQ(withoutExample, std::set<int>{101});
}

// The format reference's two examples are a scenario that compiles without a failure.
TEST(FormatReference, ExamplesCompileCleanly) {
    std::ifstream in(SCENARIO_FORMAT_DOC, std::ios::binary);
    ASSERT_TRUE(in) << SCENARIO_FORMAT_DOC;
    const std::string doc{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::map<std::string, std::string> pair = examples(doc);
    ASSERT_EQ(pair.size(), 2u);
    TempDir dir;
    spit(dir.file("EXAMPLE_linea.txt"), pair["line"]);
    spit(dir.file("EXAMPLE_T-.txt"), pair["train"]);
    const ToolRun run = runTool({"compile", dir.file("EXAMPLE_linea.txt"),
                                 dir.file("EXAMPLE_T-.txt"), "--out", dir.str(), "--json"});
    EXPECT_EQ(run.status, kExitCompiled) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)["errorCode"],
              scenario::codeNumber(scenario::ErrorCode::none));
}

TEST(ErrorReference, AMissingLineDescriptionIsToldBeforeCompiling) {
    TempDir dir;
    spit(dir.file("EXAMPLE_T-.txt"), defaultDescriptions().at("train"));
    const ToolRun run = runTool({"compile", dir.file("EXAMPLE_linea.txt"),
                                 dir.file("EXAMPLE_T-.txt"), "--out", dir.str(), "--json"});
    EXPECT_EQ(run.status, kExitNothingWritten);
    EXPECT_NE(run.err.find("EXAMPLE_linea.txt: no such file"), std::string::npos) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)["errorCode"],
              scenario::codeNumber(scenario::ErrorCode::none));
}

TEST(ExplainCommand, PrintsTheEntryOfAKnownCode) {
    const ToolRun run = runTool({"explain", "16"});
    EXPECT_EQ(run.status, kExitCompiled);
    EXPECT_EQ(run.err, "");
    const std::optional<ErrorEntry> entry = findErrorEntry(16);
    ASSERT_TRUE(entry);
    EXPECT_EQ(run.out.rfind("## error 16: signal cell already taken\n", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("segnale, 2520"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("## error 17"), std::string::npos) << "the next entry leaked in";

    // A long example shows whole, without the document's collapsible-block tags.
    const ToolRun boards = runTool({"explain", "106"});
    EXPECT_EQ(boards.status, kExitCompiled);
    EXPECT_NE(boards.out.find("cartello_indicatore, 8200, (B82)"), std::string::npos);
    EXPECT_EQ(boards.out.find("<details>"), std::string::npos);
}

TEST(ExplainCommand, RefusesWhatIsNotACodeOfTheCompiler) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"explain", "14"}, {"explain", "0"}, {"explain", "16x"}, {"explain", "error"}}) {
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.status, kExitNothingWritten) << args[1];
        EXPECT_EQ(run.out, "") << args[1];
        EXPECT_NE(run.err.find(args[1]), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("1, 2, 3"), std::string::npos) << "lists the known codes";
    }
    EXPECT_EQ(runTool({"explain"}).status, kExitNothingWritten);
    EXPECT_EQ(runTool({"explain", "16", "17"}).status, kExitNothingWritten);
    const ToolRun help = runTool({"explain", "--help"});
    EXPECT_EQ(help.status, kExitCompiled);
    EXPECT_NE(help.out.find("Exit status:"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace tool
