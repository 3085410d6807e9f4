// map: an SVG that a renderer draws into a picture with something in it, from compiled files
// and from descriptions compiled in memory.
#include "tools/map/map_command.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

#include "tests/tools/map/png_reader.h"
#include "tests/tools/tool_test_support.h"
#include "tools/command_line/scenario_tool.h"

namespace tool {
namespace {

using testing::fixture;
using testing::installerFiles;
using testing::slurp;
using testing::spit;
using testing::TempDir;

using testing::Outcome;

Outcome run(const std::vector<std::string>& args) {
    return testing::runTool(args);
}

// Renders the SVG at `svgPath` with rsvg-convert on a white background.
testing::Picture render(const std::string& svgPath, const TempDir& dir) {
    const std::string png = dir.file("map.png");
    const std::string command = "rsvg-convert --background-color=white -o '" + png + "' '" +
                                svgPath + "' 2>'" + dir.file("rsvg.err") + "'";
    const int status = std::system(command.c_str());
    if (status != 0) {
        throw std::runtime_error("rsvg-convert failed: " + slurp(dir.file("rsvg.err")));
    }
    return testing::decodePng(slurp(png));
}

std::size_t inkedPixels(const testing::Picture& p, std::uint32_t y0, std::uint32_t y1) {
    std::size_t n = 0;
    for (std::uint32_t y = y0; y < std::min(y1, p.height); ++y) {
        for (std::uint32_t x = 0; x < p.width; ++x) {
            const std::uint8_t* px = p.at(x, y);
            if (px[0] < 200 || px[1] < 200 || px[2] < 200) ++n;
        }
    }
    return n;
}

class MapTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const auto& [name, bytes] : installerFiles(line, train, "COLLE_MARE", "R2041", 1)) {
            spit(dir.file(name), bytes);
        }
        spit(dir.file(testing::kLineFixture), line);
        spit(dir.file(testing::kTrainFixture), train);
    }
    const std::string line = fixture(testing::kLineFixture);
    const std::string train = fixture(testing::kTrainFixture);
    TempDir dir;
};

TEST_F(MapTest, CompiledFilesGiveAPictureWithThePlanAndTheProfile) {
    const std::string svg = dir.file("map.svg");
    const Outcome o = run({"map", dir.file("COLLE_MARE_R2041.dat"), "-o", svg});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "");
    const std::string text = slurp(svg);
    EXPECT_EQ(text.find("<script"), std::string::npos);
    // The names come from the train file beside the route.
    EXPECT_NE(text.find(">MONTE</text>"), std::string::npos);
    EXPECT_NE(text.find(">(PONTE)</text>"), std::string::npos);

    const testing::Picture picture = render(svg, dir);
    EXPECT_EQ(picture.width, 1400u);
    EXPECT_GT(picture.height, 900u);
    // Ink in the upper half (the plan) and in the lower half (the profile).
    EXPECT_GT(inkedPixels(picture, 0, picture.height / 2), 2000u);
    EXPECT_GT(inkedPixels(picture, picture.height / 2, picture.height), 2000u);
}

TEST_F(MapTest, SourcesCompiledInMemoryGiveTheSameMapAndWriteNothing) {
    const std::set<std::string> before = dir.listing();
    const Outcome fromSources = run({"map", "--from-sources", dir.file(testing::kLineFixture),
                                     dir.file(testing::kTrainFixture)});
    ASSERT_EQ(fromSources.status, 0) << fromSources.err;
    EXPECT_EQ(dir.listing(), before);
    const Outcome fromFiles = run({"map", dir.file("COLLE_MARE_R2041.dat")});
    EXPECT_EQ(fromSources.out, fromFiles.out);

    spit(dir.file("stdout.svg"), fromSources.out);
    const testing::Picture picture = render(dir.file("stdout.svg"), dir);
    EXPECT_GT(inkedPixels(picture, 0, picture.height), 4000u);
}

TEST_F(MapTest, ARecordedFailureIsToldAndTheMapStillDrawn) {
    spit(dir.file(testing::kTrainFixture),
         testing::withRecord(train, "segnale,  2520,  1, 1, 1,  0, 0,  1,  1,1,0, 0"));
    const Outcome o = run({"map", "--from-sources", dir.file(testing::kLineFixture),
                           dir.file(testing::kTrainFixture)});
    EXPECT_EQ(o.status, kMapFailureRecorded);
    EXPECT_NE(o.err.find(":15:1: error 16 at 2520 m: signal cell already taken\n    segnale,"),
              std::string::npos)
        << o.err;
    EXPECT_NE(o.out.find("</svg>"), std::string::npos);
}

TEST_F(MapTest, WithoutAPlanTheProfileAlone) {
    TempDir alone;
    spit(alone.file("COLLE_MARE_R2041.dat"), slurp(dir.file("COLLE_MARE_R2041.dat")));
    const Outcome o = run({"map", alone.file("COLLE_MARE_R2041.dat")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out.find("Track plan"), std::string::npos);
    EXPECT_NE(o.out.find("speed limit"), std::string::npos);
}

TEST_F(MapTest, InputsThatGiveNoMap) {
    std::string damaged = slurp(dir.file("COLLE_MARE_R2041.dat"));
    damaged.pop_back();
    spit(dir.file("cut.dat"), damaged);
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int status;
    };
    const std::vector<Case> cases = {
        {"no input", {"map"}, kMapNoInput},
        {"a missing file", {"map", dir.file("none.dat")}, kMapNoInput},
        {"a damaged route", {"map", dir.file("cut.dat")}, kMapDamaged},
        {"files and sources together",
         {"map", dir.file("COLLE_MARE_R2041.dat"), "--from-sources",
          dir.file(testing::kLineFixture), dir.file(testing::kTrainFixture)},
         kMapNoInput},
        {"an output that cannot be written",
         {"map", dir.file("COLLE_MARE_R2041.dat"), "-o", dir.file("no/such/dir/map.svg")},
         kMapNotWritten},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome o = run(c.args);
        EXPECT_EQ(o.status, c.status);
        EXPECT_NE(o.err, "");
    }
}

}  // namespace
}  // namespace tool
