// write-sources: the five files of the carried scenario, byte for byte as the installer
// writes them, and nothing else.
#include "tools/command_line/write_sources_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "tests/tools/tool_test_support.h"
#include "tools/command_line/scenario_tool.h"

namespace tool {
namespace {

using testing::slurp;
using testing::spit;
using testing::TempDir;
namespace content = scenario::content;

std::map<std::string, std::string> carriedDocuments() {
    const std::string_view l = content::kLineName;
    const std::string_view t = content::kTrainName;
    return {
        {content::lineDescriptionName(l), content::encodeDocument(content::lineDescription())},
        {content::trainDescriptionName(l, t), content::encodeDocument(content::trainDescription())},
        {content::notesName(l, t), content::encodeDocument(content::notes())},
        {content::slowdownOrderName(l, t), content::encodeDocument(content::slowdownOrder())},
        {content::timetableSheetName(l, t), content::encodeDocument(content::timetableSheet())},
    };
}

TEST(WriteSources, WritesTheFiveDocumentsAndNothingElse) {
    TempDir dir;
    // A file of one of the names is overwritten whole.
    spit(dir.file("GENOVA_TORINO_linea.txt"), std::string(20000, 'x'));
    std::ostringstream out, err;
    ASSERT_EQ(runScenarioTool({"write-sources", dir.str()}, out, err), 0) << err.str();
    EXPECT_EQ(err.str(), "");

    const auto expected = carriedDocuments();
    std::set<std::string> names;
    for (const auto& [name, bytes] : expected) {
        names.insert(name);
        EXPECT_EQ(slurp(dir.file(name)), bytes) << name;
        EXPECT_NE(out.str().find(dir.file(name) + "\n"), std::string::npos);
    }
    EXPECT_EQ(dir.listing(), names);
}

TEST(WriteSources, RefusesADirectoryThatDoesNotExist) {
    TempDir dir;
    std::ostringstream out, err;
    EXPECT_EQ(runScenarioTool({"write-sources", dir.file("missing")}, out, err), 2);
    EXPECT_NE(err.str(), "");
    EXPECT_TRUE(dir.listing().empty());
    // The same refusal when the command is run directly.
    EXPECT_EQ(runWriteSources(dir.file("missing"), out, err), 2);
    EXPECT_TRUE(dir.listing().empty());
}

}  // namespace
}  // namespace tool
