// The live viewer and descriptions that are FIFOs: reading one would wait for a writer, so
// the viewer never reads one, at the start or later.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "tests/tools/tool_test_support.h"
#include "tools/live_scenario.h"

namespace tool {
namespace {

using testing::spit;
using testing::TempDir;

TEST(LiveViewerFifo, AFifoIsRefusedAtTheStartAndToldLaterWithoutBeingRead) {
    TempDir dir;
    const std::string line = dir.file("GENOVA_TORINO_linea.txt");
    const std::string train = dir.file("GENOVA_TORINO_IC514-.txt");
    spit(line, scenario::content::encodeDocument(scenario::content::lineDescription()));
    spit(train, scenario::content::encodeDocument(scenario::content::trainDescription()));

    const std::string fifo = dir.file("fifo_linea.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const testing::Outcome refused = testing::runTool({"serve", fifo, train, "--port", "0"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("not a plain file"), std::string::npos) << refused.err;

    LiveScenario live({line, train, "GENOVA_TORINO", "IC514"});
    ASSERT_TRUE(live.refresh());
    std::filesystem::remove(train);
    ASSERT_EQ(mkfifo(train.c_str(), 0600), 0);
    bool seen = false;
    for (int look = 0; look < 75 && !seen; ++look) {
        seen = live.refresh();
        if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    ASSERT_TRUE(seen);
    const auto state = nlohmann::json::parse(live.state()->json);
    EXPECT_TRUE(state["stale"]);
    EXPECT_NE(state["problem"].get<std::string>().find("not a plain file"), std::string::npos);
}

}  // namespace
}  // namespace tool
