// The compiler's one entry: names and options in, the model, what the reading consumed, the
// stamp result and the compiled files out.
#include "compiler/compilation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "compile_support.h"
#include "compiler/placement_watcher.h"
#include "tests/support/scratch.h"

namespace scenario {
namespace {

using testing::loaderOf;
using testing::shortLine;
using testing::train;

std::string fixture(const std::string& name) {
    return test_support::slurp(std::string(SCENARIO_FIXTURES_DIR) + "/" + name);
}

std::vector<std::string> namesOf(const std::vector<CompiledFile>& files) {
    std::vector<std::string> names;
    for (const CompiledFile& file : files) names.push_back(file.name);
    return names;
}

std::string bytesOf(const CompiledFile& file) {
    std::string bytes;
    file.produce([&bytes](std::string_view piece) { bytes += piece; });
    return bytes;
}

// The files are the model's stamped tables under the scenario's names, the line plan file only
// with the track plan.
TEST(Compilation, GivesTheModelsTablesUnderTheScenariosNames) {
    const std::string line = fixture("COLLE_MARE_linea.txt");
    const std::string trainText = fixture("COLLE_MARE_R2041-.txt");
    for (const std::int32_t j : {1, 0}) {
        SCOPED_TRACE(j);
        const Compilation c = compile({"COLLE_MARE", "R2041"},
                                      {inMemory(line), inMemory(trainText)}, {.makeTrackPlan = j});
        ASSERT_EQ(c.model.error.errorCode, ErrorCode::none);
        ASSERT_EQ(c.stamp, StampResult::stamped);
        EXPECT_TRUE(c.reading.lineConsumed);
        EXPECT_TRUE(c.reading.trainConsumed);
        const std::vector<CompiledFile> files = c.files();
        std::vector<std::string> expected = {"COLLE_MARE_R2041.sim", "COLLE_MARE_R2041.dat"};
        if (j != 0) expected.insert(expected.begin(), "COLLE_MARE_linea.dat");
        ASSERT_EQ(namesOf(files), expected);

        const std::string route = bytesOf(files.back());
        EXPECT_EQ(route, encodeRouteTable(c.model.routeTable));
        EXPECT_EQ(route.size(), 15u * 341);          // cells 0 to lastCell 340
        EXPECT_EQ(route.substr(16, 2), "\x01\x14");  // the format stamp 5121 in cell 1
        EXPECT_EQ(c.model.lineTable[kLineGeneral].text, "COLLE_MARE");
        EXPECT_EQ(c.model.lineTable[kRepetitionEntry].text, "R2041");
        EXPECT_EQ(bytesOf(files[files.size() - 2]), encodeLineTable(c.model.lineTable));
        if (j != 0) {
            EXPECT_EQ(bytesOf(files.front()).size(), 20u * 17000 - 36);
        }
        EXPECT_EQ(c.model.trackPlan.dimensioned(), j != 0);
    }
}

// A compilation that is not stamped gives no file; the reading has still consumed what the
// shell must delete.
TEST(Compilation, UnstampedGivesNoFileButTellsWhatWasConsumed) {
    struct Case {
        const char* what;
        std::optional<std::string> line;
        std::string train;
        StampResult stamp;
        ErrorCode code;
        bool lineConsumed;
        bool trainConsumed;
    };
    const Case cases[] = {
        {"a signal in cell 1", shortLine(), train("segnale, 20, 1,1,1,1,0,1,1,1,1,0\r\n"),
         StampResult::dataOverFormatStamps, ErrorCode::none, true, true},
        {"no line description", std::nullopt, train(), StampResult::noRoute,
         ErrorCode::lineDescriptionMissing, false, false},
        {"a line too long", "[generale]\r\nlunghezza percorso, 1000001\r\n[fine]\r\n", train(),
         StampResult::noRoute, ErrorCode::lineTooLong, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Compilation got =
            compile({"GENOVA_TORINO", "IC514"}, {loaderOf(c.line), loaderOf(c.train)});
        EXPECT_EQ(got.stamp, c.stamp);
        EXPECT_EQ(got.model.error.errorCode, c.code);
        EXPECT_EQ(got.reading.lineConsumed, c.lineConsumed);
        EXPECT_EQ(got.reading.trainConsumed, c.trainConsumed);
        EXPECT_TRUE(got.files().empty());
    }
}

// The watcher hears of the reading's placements and is not kept by the model afterwards.
TEST(Compilation, TellsTheWatcherOnlyWhileReading) {
    struct Counter : PlacementWatcher {
        int records = 0;
        std::vector<std::int64_t> placedCells;
        void recordStarts(Description, SourcePlace) override { ++records; }
        void placed(std::int64_t cell) override { placedCells.push_back(cell); }
        void taken(std::int64_t) override {}
    } counter;
    const Compilation c =
        compile({"GENOVA_TORINO", "IC514"},
                {loaderOf(shortLine()), loaderOf(train("segnale, 2500, 2,3,1,0,0,2,2,1,0,0\r\n"))},
                {.makeTrackPlan = 0, .watcher = &counter});
    ASSERT_EQ(c.stamp, StampResult::stamped);
    EXPECT_GT(counter.records, 0);
    EXPECT_NE(std::find(counter.placedCells.begin(), counter.placedCells.end(), 51),
              counter.placedCells.end());  // the signal at 2500 m
    EXPECT_EQ(c.model.placementWatcher, nullptr);
}

}  // namespace
}  // namespace scenario
