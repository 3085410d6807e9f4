#include "compiler/compiled_file_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "compile_support.h"
#include "compiler/compiled_files.h"

namespace scenario {
namespace {

std::string planBytes(const TrackPlan& plan) {
    std::string out;
    encodeTrackPlan(plan, [&](std::string_view piece) { out += piece; });
    return out;
}

TEST(CompiledFileReader, EveryCompiledFileDecodesAndEncodesBackToTheSameBytes) {
    auto c = testing::compile(
        testing::shortLine("curvas3, 500, 800\r\npendenza, 0, 4\r\nmontagna, 1000, 2000, 11\r\n"
                           "indicatori_vmax, 800, 60, 60, 60, 0, , , , 0\r\n"
                           "cartello_indicatore, 3000, (PONTE)\r\n"),
        testing::train("velocita, 0, 70\r\naderenza, 0, 100\r\n"
                       "stazione, 0, 2, 900, 1, 0, 0, 4,1,1, 2,1,1, 1, 9, 8, 0, PARTENZA\r\n"
                       "segnale, 1500, 1, 5, 6, 1, 0, 1, 3, 1, 1, 0\r\n"
                       "rallentamento, 5000, 60, 1000, 1, 1, 0\r\n"));
    ASSERT_EQ(c.stamp, StampResult::stamped);
    const std::string route = encodeRouteTable(c.model.routeTable);
    const std::string train = encodeLineTable(c.model.lineTable);
    const std::string plan = planBytes(c.model.trackPlan);

    const RouteTable routeBack = decodeRouteTable(route);
    EXPECT_EQ(routeBack, c.model.routeTable);
    EXPECT_EQ(encodeRouteTable(routeBack), route);
    const LineTable trainBack = decodeLineTable(train);
    EXPECT_EQ(trainBack, c.model.lineTable);
    EXPECT_EQ(encodeLineTable(trainBack), train);
    EXPECT_EQ(planBytes(decodeTrackPlan(plan)), plan);
}

TEST(CompiledFileReader, FaultsAreReportedWithTheirOffset) {
    struct Case {
        const char* name;
        std::string bytes;
        int kind;  // 0 route, 1 train, 2 plan
        std::size_t offset;
    };
    const std::string train = encodeLineTable(LineTable{});
    const std::vector<Case> cases = {
        {"route not whole cells", std::string(31, '\0'), 0, 30},
        {"train truncated inside long4 of entry 2", train.substr(0, 100), 1, 98},
        {"train too long", train + "x", 1, train.size()},
        {"train text running past the end", std::string("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x10\x00", 16),
         1, 16},
        {"plan with an unknown tag", std::string("\x02\x00\x01\x00\x07\x00", 6), 2, 4},
        {"plan truncated in a double", std::string("\x05\x00\x01\x02", 4), 2, 2},
        {"plan with an odd number of variants", std::string("\x00\x00\x00\x00\x00\x00", 6), 2, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            if (c.kind == 0) decodeRouteTable(c.bytes);
            if (c.kind == 1) decodeLineTable(c.bytes);
            if (c.kind == 2) decodeTrackPlan(c.bytes);
            ADD_FAILURE() << "decoded";
        } catch (const DecodeError& e) {
            EXPECT_EQ(e.offset(), c.offset) << e.what();
        }
    }
}

}  // namespace
}  // namespace scenario
