#include <gtest/gtest.h>

#include <sstream>

#include "tests/tools/tool_test_support.h"
#include "tools/diff_command.h"

namespace {

using namespace tool::testing;

void writeSet(const std::string& dir, const std::map<std::string, std::string>& files) {
    for (const auto& [name, bytes] : files) spit(dir + "/" + name, bytes);
}

TEST(DiffCommand, IdenticalSetsAreTheSameAndEverySampledRouteByteChangeIsTold) {
    const auto files =
        installerFiles(fixture(kLineFixture), fixture(kTrainFixture), "COLLE_MARE", "R2041", 1);
    ASSERT_FALSE(files.empty());
    TempDir a, b;
    writeSet(a.str(), files);
    writeSet(b.str(), files);
    std::ostringstream out, err;
    EXPECT_EQ(tool::runDiff({{a.str(), b.str()}}, out, err), 0);
    EXPECT_EQ(out.str(), "");

    const std::string route = files.at("COLLE_MARE_R2041.dat");
    int told = 0;
    for (std::size_t offset = 0; offset < route.size(); offset += 37) {
        std::string changed = route;
        changed[offset] = static_cast<char>(changed[offset] ^ 0x01);
        spit(b.str() + "/COLLE_MARE_R2041.dat", changed);
        std::ostringstream o, e;
        const int status = tool::runDiff({{a.str(), b.str()}}, o, e);
        // A change the decoder takes must be told; one it refuses is a read failure.
        ASSERT_NE(status, 0) << "offset " << offset;
        if (status == 1) {
            EXPECT_NE(o.str(), "") << "offset " << offset;
            ++told;
        } else {
            EXPECT_EQ(status, 2);
            EXPECT_NE(e.str(), "");
        }
    }
    EXPECT_GT(told, 0);
}

}  // namespace
