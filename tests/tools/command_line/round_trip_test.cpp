// Every file that `compile` writes decodes into the model's tables and encodes back to the
// same bytes: what the author's tools show is what the simulator reads.
#include <gtest/gtest.h>

#include <sstream>

#include "compiler/compiled_file_reader.h"
#include "compiler/compiled_files.h"
#include "tests/tools/tool_test_support.h"
#include "tools/command_line/compile_command.h"

namespace tool {
namespace {

using testing::fixture;
using testing::slurp;
using testing::spit;
using testing::TempDir;

TEST(RoundTrip, CompiledFixtureFilesEncodeBackToTheirBytes) {
    // The fixtures as they are, and with a signal that fails to place, so that the files of a
    // compilation that recorded a failure are covered too.
    const std::string line = fixture(testing::kLineFixture);
    const std::string train = fixture(testing::kTrainFixture);
    const std::string trainWithFailure =
        testing::withRecord(train, "segnale,  2520,  1, 1, 1,  0, 0,  1,  1,1,0, 0");
    for (const std::string* trainText : {&train, &trainWithFailure}) {
        TempDir dir;
        spit(dir.file(testing::kLineFixture), line);
        spit(dir.file(testing::kTrainFixture), *trainText);
        CompileOptions options;
        options.lineFile = dir.file(testing::kLineFixture);
        options.trainFile = dir.file(testing::kTrainFixture);
        options.outDir = dir.str();
        options.writeOnError = true;
        std::ostringstream out, err;
        ASSERT_LE(runCompile(options, out, err), 1) << err.str();

        const std::string plan = slurp(dir.file("COLLE_MARE_linea.dat"));
        const std::string sim = slurp(dir.file("COLLE_MARE_R2041.sim"));
        const std::string route = slurp(dir.file("COLLE_MARE_R2041.dat"));
        std::string planAgain;
        scenario::encodeTrackPlan(scenario::decodeTrackPlan(plan),
                                  [&planAgain](std::string_view piece) { planAgain += piece; });
        EXPECT_EQ(planAgain, plan);
        EXPECT_EQ(scenario::encodeLineTable(scenario::decodeLineTable(sim)), sim);
        EXPECT_EQ(scenario::encodeRouteTable(scenario::decodeRouteTable(route)), route);
        // Files of the expected sizes, so that the comparison is not of two empty strings.
        EXPECT_EQ(route.size(), 15u * (testing::kFixtureLastCell + 1));
        EXPECT_EQ(plan.size(), 20u * testing::kFixturePlanLength - 36);
    }
}

}  // namespace
}  // namespace tool
