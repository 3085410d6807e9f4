// The scenario the installer carries, compiled by the tool from the descriptions the installer
// writes: the tool must give the same files, and the numbers the scenario is known by.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "tests/tools/tool_test_support.h"
#include "tools/command_line/compile_command.h"
#include "tools/command_line/exit_status.h"

namespace tool {
namespace {

using testing::installerFiles;
using testing::slurp;
using testing::spit;
namespace content = scenario::content;

std::uint32_t littleEndian(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) {
        v = v << 8 | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    }
    return v;
}

// Offset of LineTable entry `entry` in a train file: each entry is 34 bytes plus its text,
// whose 16-bit length stands at offset 14 of the entry.
std::size_t entryOffset(const std::string& trainFile, int entry) {
    std::size_t at = 0;
    for (int i = 0; i < entry; ++i) at += 34 + littleEndian(trainFile, at + 14, 2);
    return at;
}

TEST(CarriedScenario, ToolCompilesItAsTheInstallerDoes) {
    const std::string line = content::encodeDocument(content::lineDescription());
    const std::string train = content::encodeDocument(content::trainDescription());
    testing::TempDir dir;
    CompileOptions options;
    options.lineFile = dir.file(content::lineDescriptionName(content::kLineName));
    options.trainFile =
        dir.file(content::trainDescriptionName(content::kLineName, content::kTrainName));
    options.outDir = dir.str();
    options.json = true;
    spit(options.lineFile, line);
    spit(options.trainFile, train);

    std::ostringstream out;
    std::ostringstream err;
    const int status = runCompile(options, out, err);

    EXPECT_EQ(status, kExitCompiled) << err.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(nlohmann::json::parse(out.str())["files"],
              nlohmann::json({"GENOVA_TORINO_linea.dat", "GENOVA_TORINO_IC514.sim",
                              "GENOVA_TORINO_IC514.dat"}));
    const auto expected = installerFiles(line, train, "GENOVA_TORINO", "IC514", 1);
    ASSERT_EQ(expected.size(), 3u);
    for (const auto& [name, bytes] : expected) EXPECT_EQ(slurp(dir.file(name)), bytes) << name;
    EXPECT_EQ(slurp(options.lineFile), line);
    EXPECT_EQ(slurp(options.trainFile), train);

    const std::string route = slurp(dir.file("GENOVA_TORINO_IC514.dat"));
    EXPECT_EQ(route.size(), 52815u);
    EXPECT_EQ(littleEndian(route, 16, 2), 5121u);
    EXPECT_EQ(littleEndian(route, 18, 2), 2448u);  // the plain scenario code
    EXPECT_EQ(slurp(dir.file("GENOVA_TORINO_linea.dat")).size(), 3519964u);
    const std::string sim = slurp(dir.file("GENOVA_TORINO_IC514.sim"));
    const std::size_t general = entryOffset(sim, 85);
    const std::size_t text = littleEndian(sim, general + 14, 2);
    EXPECT_EQ(sim.substr(general + 16, text), "GENOVA_TORINO");
    EXPECT_EQ(littleEndian(sim, general + 16 + text, 2), 610u);
    EXPECT_EQ(littleEndian(sim, general + 30 + text, 4), 32979u);  // the weighted code
}

}  // namespace
}  // namespace tool
