// A failure that compile reports shows the description's line and a caret under the field,
// below the unchanged first line.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/tools/tool_test_support.h"
#include "tools/command_line/compile_command.h"
#include "tools/diagnostics/source_context.h"

namespace tool {
namespace {

using nlohmann::json;
using testing::fixture;
using testing::spit;
using testing::TempDir;

TEST(Diagnostics, CaretStandsUnderTheFieldInTheMiddleOfTheLine) {
    struct Case {
        const char* what;
        std::string record;  // lands on line 15 of the train description
        int column;          // of the field that is not a number, in bytes
        std::string shown;   // the record as shown, UTF-8
        std::string caret;   // the caret line without its indent
    };
    const std::vector<Case> cases = {
        {"blanks", "segnale,  2520,  1, x, 1,  0, 0,  1,  1,1,0, 0", 21,
         "segnale,  2520,  1, x, 1,  0, 0,  1,  1,1,0, 0", std::string(20, ' ') + "^"},
        {"tabs are kept before the caret", "segnale,\t2520,\t1,\tx, 1,  0, 0,  1,  1,1,0, 0", 19,
         "segnale,\t2520,\t1,\tx, 1,  0, 0,  1,  1,1,0, 0", "        \t     \t  \t^"},
        // e acute is one byte in the description and two in UTF-8: the caret counts characters.
        {"a Windows-1252 letter before the field",
         "segnale\xE9,  2520,  1, x, 1,  0, 0,  1,  1,1,0, 0", 22,
         "segnale\xC3\xA9,  2520,  1, x, 1,  0, 0,  1,  1,1,0, 0", std::string(21, ' ') + "^"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        spit(dir.file(testing::kLineFixture), fixture(testing::kLineFixture));
        spit(dir.file(testing::kTrainFixture),
             testing::withRecord(fixture(testing::kTrainFixture), c.record));
        CompileOptions options;
        options.lineFile = dir.file(testing::kLineFixture);
        options.trainFile = dir.file(testing::kTrainFixture);
        options.outDir = dir.str();
        options.writeOnError = true;

        std::ostringstream out, err;
        EXPECT_EQ(runCompile(options, out, err), 1);
        const std::string first =
            options.trainFile + ":15:" + std::to_string(c.column) + ": error 25: ";
        const std::string text = err.str();
        ASSERT_EQ(text.rfind(first, 0), 0u) << text;
        const std::size_t end = text.find('\n');
        EXPECT_EQ(text.substr(end + 1), "    " + c.shown + "\n    " + c.caret + "\n");

        options.json = true;
        std::ostringstream jsonOut, jsonErr;
        runCompile(options, jsonOut, jsonErr);
        const json report = json::parse(jsonOut.str());
        EXPECT_EQ(report["line"], 15);
        EXPECT_EQ(report["column"], c.column);
        EXPECT_EQ(report["sourceLine"], c.shown);
    }
}

TEST(SourceContext, LinesEndInCrLfCrOrLf) {
    const std::string text = "one\r\ntwo\rthree\nfour";
    EXPECT_EQ(sourceLine(text, 1), "one");
    EXPECT_EQ(sourceLine(text, 2), "two");
    EXPECT_EQ(sourceLine(text, 3), "three");
    EXPECT_EQ(sourceLine(text, 4), "four");
    EXPECT_EQ(sourceLine(text, 5), std::nullopt);
    EXPECT_EQ(sourceLine(text, 0), std::nullopt);
    EXPECT_EQ(sourceLine("last\r\n", 2), std::nullopt);  // nothing follows the last line end
    EXPECT_EQ(sourceLine("\r\n\r\nx", 2), "");
}

// The lines found once give what a search from the start gives, for every line and past them,
// long lines cut around the column included.
TEST(SourceContext, LinesFoundOnceAgreeWithASearchFromTheStart) {
    const std::string longLine(400, 'x');
    const std::string texts[] = {
        "one\r\ntwo\rthree\nfour",    "last\r\n",      "\r\n\r\nx", "", "\r", "\n\n",
        "a\r\n" + longLine + "\r\nb", "a\r\r\nb\n\rc",
    };
    for (const std::string& text : texts) {
        const SourceLines lines(text);
        for (int line = 0; line <= 6; ++line) {
            for (const int column : {1, 5, 300}) {
                const auto expected = sourceExcerpt(text, line, column);
                const auto found = lines.excerpt(line, column);
                ASSERT_EQ(found.has_value(), expected.has_value())
                    << "line " << line << " of [" << text << "]";
                if (!expected) continue;
                EXPECT_EQ(found->text, expected->text) << "line " << line;
                EXPECT_EQ(found->column, expected->column) << "line " << line;
            }
        }
    }
}

TEST(SourceContext, CaretPastTheEndOfAShortLine) {
    // A field expected after the end of the line: the caret stands one past its last character.
    EXPECT_EQ(caretLines("ab", 3), "    ab\n      ^\n");
}

}  // namespace
}  // namespace tool
