#include "compiler/compiled_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "compile_support.h"
#include "compiler/coding.h"
#include "compiler/scenario_codes.h"

namespace scenario {
namespace {

using coding::decodeFixed16;
using coding::decodeFixed32;
using testing::compile;
using testing::shortLine;
using testing::train;

std::int16_t i16(const std::string& b, std::size_t at) {
    return static_cast<std::int16_t>(decodeFixed16(b.data() + at));
}
std::int32_t i32(const std::string& b, std::size_t at) {
    return static_cast<std::int32_t>(decodeFixed32(b.data() + at));
}
std::uint8_t u8(const std::string& b, std::size_t at) {
    return static_cast<std::uint8_t>(b[at]);
}

std::string planBytes(const TrackPlan& plan) {
    std::string out;
    encodeTrackPlan(plan, [&](std::string_view piece) { out += piece; });
    return out;
}

TEST(CompiledFiles, RouteCellsAreFifteenLittleEndianBytes) {
    RouteTable t(3);
    t[2] = RouteCell{1, 32, -2, 0x1234, 8, 101, 81, 3, 14, 92, 200};
    const std::string b = encodeRouteTable(t);
    ASSERT_EQ(b.size(), 45u);
    EXPECT_EQ(std::string(30, '\0'), b.substr(0, 30));
    const std::string expected("\x01\x20\x00\xfe\xff\x34\x12\x08\x00\x65\x51\x03\x0e\x5c\xc8", 15);
    EXPECT_EQ(b.substr(30), expected);
}

TEST(CompiledFiles, LineRecordsAreWrittenFieldByField) {
    LineTable t{};
    LineRecord& r = t[1];
    r = LineRecord{2, -450, 450, 0, 1, "GENOVA BRIGNOLE", 4, 1, 2, 1, 1, 1, 1, 0, 0, 32880};
    const std::string b = encodeLineTable(t);
    ASSERT_EQ(b.size(), 87u * 34 + 15);
    EXPECT_EQ(b.substr(0, 34), std::string(34, '\0'));  // entry 0: zeros and an empty text
    const std::size_t e = 34;
    EXPECT_EQ(u8(b, e + 0), 2);
    EXPECT_EQ(i32(b, e + 1), -450);
    EXPECT_EQ(i32(b, e + 5), 450);
    EXPECT_EQ(i32(b, e + 9), 0);
    EXPECT_EQ(u8(b, e + 13), 1);
    EXPECT_EQ(i16(b, e + 14), 15);
    EXPECT_EQ(b.substr(e + 16, 15), "GENOVA BRIGNOLE");
    const std::size_t n = e + 15;
    EXPECT_EQ(i16(b, n + 16), 4);
    EXPECT_EQ(i16(b, n + 18), 1);
    EXPECT_EQ(i16(b, n + 20), 2);
    EXPECT_EQ(i16(b, n + 22), 1);
    EXPECT_EQ(i16(b, n + 24), 1);
    EXPECT_EQ(u8(b, n + 26), 1);
    EXPECT_EQ(u8(b, n + 27), 1);
    EXPECT_EQ(u8(b, n + 28), 0);
    EXPECT_EQ(u8(b, n + 29), 0);
    EXPECT_EQ(i32(b, n + 30), 32880);
    EXPECT_EQ(b.substr(n + 34), std::string(85 * 34, '\0'));
}

TEST(CompiledFiles, PlanVariantsCarryTheirTags) {
    TrackPlan plan;
    plan.dimension(4);
    plan.setInteger(0, 1, 0);
    plan.setInteger(1, 1, 1);
    plan.setReal(2, 1, 2.5);
    const std::string b = planBytes(plan);
    // x: four empty (2 bytes each); y: two integers (4), one double (10), one empty (2).
    ASSERT_EQ(b.size(), 8u + 4 + 4 + 10 + 2);
    EXPECT_EQ(b.substr(0, 8), std::string(8, '\0'));
    EXPECT_EQ(b.substr(8, 8), std::string("\x02\x00\x00\x00\x02\x00\x01\x00", 8));
    EXPECT_EQ(i16(b, 16), 5);
    EXPECT_EQ(coding::decodeDouble(b.data() + 18), 2.5);
    EXPECT_EQ(b.substr(26), std::string(2, '\0'));
}

TEST(ScenarioCodes, FromTheNames) {
    struct Case {
        const char* train;
        const char* line;
        std::int16_t plain;
        std::int32_t weighted;
        const char* text;
    };
    for (const Case c : {Case{"IC514", "GENOVA_TORINO", 2448, 32979, "ic514genova_torinoaabbccd"},
                         Case{"", "", 2583, 34355, "aabbccddeeffgghhiillmmnno"}}) {
        ScenarioModel m;
        m.lineTable[86].text = c.train;
        m.lineTable[85].text = c.line;
        EXPECT_EQ(scenarioCodeText(m), c.text);
        EXPECT_EQ(codice_gara_og(m), c.plain);
        EXPECT_EQ(codice_gara_st(m), c.weighted);
    }
}

TEST(Stamps, StampsAndCodesTravelInTheFiles) {
    auto c = compile(shortLine(), train());
    ASSERT_EQ(c.stamp, StampResult::stamped);
    const std::string route = encodeRouteTable(c.model.routeTable);
    EXPECT_EQ(route.substr(16, 2), "\x01\x14");  // 5121
    EXPECT_EQ(i16(route, 18), 2448);
    const std::string trainFile = encodeLineTable(c.model.lineTable);
    // Entry 85 follows 85 entries whose only texts are the two board texts: none here.
    std::size_t at = 85 * 34;
    EXPECT_EQ(i16(trainFile, at + 14), 13);
    EXPECT_EQ(trainFile.substr(at + 16, 13), "GENOVA_TORINO");
    EXPECT_EQ(i16(trainFile, at + 16 + 13 + 0), 610);
    EXPECT_EQ(i32(trainFile, at + 13 + 30), 32979);
}

TEST(Stamps, DataInTheStampPlacesIsFatal) {
    // A signal in the first 25 m lands in cell 1.
    EXPECT_EQ(compile(shortLine(), train("segnale, 20, 1,1,1,1,0,1,1,1,1,0\r\n")).stamp,
              StampResult::dataOverFormatStamps);
    EXPECT_EQ(compile(std::nullopt, train()).stamp, StampResult::noRoute);
    // Data where the scenario codes go, put there by hand into a model read but not stamped.
    for (void (*put)(ScenarioModel&) : {+[](ScenarioModel& m) { m.routeTable[1].value2 = 1; },
                                        +[](ScenarioModel& m) { m.lineTable[85].long4 = 1; }}) {
        ScenarioModel m;
        compileRoute(m, 1, {testing::loaderOf(shortLine()), testing::loaderOf(train())});
        put(m);
        EXPECT_EQ(stampScenario(m), StampResult::dataOverScenarioCodes);
    }
}

TEST(CompiledFiles, PlanFileSizeFollowsThePlanLength) {
    // Every point from 2 to planLength - 2 computed: each half is 10 x planLength - 18 bytes.
    auto c = compile(shortLine(), train(), 1);
    EXPECT_EQ(planBytes(c.model.trackPlan).size(), 20u * 17000 - 36);
}

TEST(CompiledFiles, ThePlanFromItsDrawingIsThePlanFromItsStoredPoints) {
    // The installer encodes the plan from its drawing, the tools from its stored points. Sizes:
    // 4 bytes an integer, 10 a double, 2 an empty point, in each half of 17,001 points.
    const struct {
        const char* name;
        std::string line;
        std::size_t size;
    } cases[] = {
        {"straight", shortLine(), 2 * (8 + 10 * 16997 + 2 * 2)},
        {"curves both ways", shortLine("curvad2, 100, 50\r\ncurvaS12, 300, 20\r\n"),
         2 * (8 + 10 * 16997 + 2 * 2)},
        {"curves one after another, the last one a metre long",
         shortLine("curvad3, 1500, 300\r\ncurvas2, 3150, 120\r\ncurvad1, 3201, 1\r\n"),
         2 * (8 + 10 * 16997 + 2 * 2)},
        {"a curve to past the plan's end", shortLine("curvad2, 16000, 5000\r\n"),
         2 * (8 + 10 * 16999)},
        {"stopped after a curve", shortLine("curvad2, 100, 50\r\ncurva, 300, 20\r\n"),
         2 * (8 + 10 * 149 + 2 * 16850)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = compile(c.line, train());
        ASSERT_TRUE(r.model.trackPlan.pointsStored());
        const std::string stored = planBytes(r.model.trackPlan);
        EXPECT_EQ(stored.size(), c.size);
        EXPECT_EQ(planBytes(r.model.trackPlan.drawing()), stored);
    }

    // A drawing without its start: points 0 and 1 empty, and the points after them computed
    // from two zeros.
    TrackPlan plan;
    plan.startDrawing(6);
    plan.drawStretch(3, 0.0);
    const std::string drawn = planBytes(plan);
    plan.storeDrawnPoints();
    EXPECT_EQ(drawn, planBytes(plan));
    const std::string emptyPoint(2, '\0');
    std::string real0("\x05\x00", 2);
    real0 += std::string(8, '\0');
    const std::string half = emptyPoint + emptyPoint + real0 + real0 + emptyPoint + emptyPoint;
    EXPECT_EQ(drawn, half + half);
}

}  // namespace
}  // namespace scenario
