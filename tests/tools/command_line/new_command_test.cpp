// new: a pair of descriptions to start from, that checks clean and compiles, each record under
// a comment naming its fields; and what it will not write over.
#include "tools/command_line/new_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/files.h"
#include "tests/tools/tool_test_support.h"

namespace tool {
namespace {

using testing::runTool;
using testing::slurp;
using testing::spit;
using testing::TempDir;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

TEST(NewCommand, WritesAPairThatChecksCleanWithEachRecordUnderItsFields) {
    TempDir dir;
    const std::string folder = dir.file("start/here");  // made, with its parent
    const auto made = runTool({"new", "COLLINA", "R7", folder});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string line = platform::joinPath(folder, "COLLINA_linea.txt");
    const std::string train = platform::joinPath(folder, "COLLINA_R7-.txt");
    EXPECT_EQ(made.out, line + "\n" + train + "\n");

    const auto checked = runTool({"check", line, train});
    EXPECT_EQ(checked.status, 0) << checked.out << checked.err;
    EXPECT_NE(checked.out.find("0 errors, 0 warnings"), std::string::npos) << checked.out;
    const auto compiled = runTool({"compile", line, train, "--out", dir.str()});
    EXPECT_EQ(compiled.status, 0) << compiled.err;
    EXPECT_EQ(slurp(dir.file("COLLINA_R7.dat")).size(), 341u * 15) << "a 10 km route, 341 cells";

    for (const std::string& path : {line, train}) {
        const std::string text = slurp(path);
        EXPECT_NE(text.find("\r\n"), std::string::npos) << "lines end in CR LF";
        const std::vector<std::string> lines = linesOf(text);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), "[generale]");
        EXPECT_EQ(lines.back(), "[fine]");
        // Each record stands under a comment (one field: no comma) that names its keyword;
        // records of one keyword in a row share it.
        std::string comment;
        for (const std::string& l : lines) {
            if (l.empty() || l[0] == '[') {
                comment.clear();
            } else if (l[0] == '-') {
                comment = l;
                EXPECT_EQ(l.find(','), std::string::npos) << l;
            } else {
                const std::string keyword = l.substr(0, l.find(','));
                EXPECT_EQ(comment.rfind("- " + keyword + ":", 0), 0u) << path << ": " << l;
            }
        }
    }
}

TEST(NewCommand, RefusesBadNamesAndNeverWritesOverADescription) {
    TempDir dir;
    spit(dir.file("L_T-.txt"), "mine");
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {{"new", "L", "T", dir.str()}, 2, "already there"},
        {{"new", "L/../x", "T", dir.str()}, 2, "a name is"},
        {{"new", "L", "", dir.str()}, 2, "a name is"},
        {{"new", "L", "T\x1b]0;x", dir.str()}, 2, "\\x1b"},
        {{"new", "L", "T", dir.file("L_T-.txt")}, 2, "cannot make the folder"},
    };
    for (const Case& c : cases) {
        const auto run = runTool(c.args);
        EXPECT_EQ(run.status, c.status) << c.args[1] << " " << c.args[2];
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
    EXPECT_EQ(slurp(dir.file("L_T-.txt")), "mine");
    EXPECT_FALSE(std::filesystem::exists(testing::utf8Path(dir.file("L_linea.txt"))))
        << "nothing written when one of the two is refused";

    const auto forced = runTool({"new", "L", "T", dir.str(), "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_NE(slurp(dir.file("L_T-.txt")), "mine");
}

}  // namespace
}  // namespace tool
