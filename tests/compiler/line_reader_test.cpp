#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "compile_support.h"
#include "compiler/line_reader.h"

namespace scenario {
namespace {

using testing::compile;
using testing::shortLine;
using testing::train;

struct CodeCase {
    const char* name;
    std::optional<std::string> line;
    ErrorCode code;
    std::int32_t position;  // expected errorPosition (0 = unchanged from the start)
    bool lineConsumed;
    bool trainConsumed;  // the train description was read (or abandoned) as well
};

TEST(LineReader, RecordsEachFailureWithItsPositionAndStopsAsItShould) {
    const std::string g = "[generale]\r\nlunghezza percorso, 10000\r\n";
    const std::vector<CodeCase> cases = {
        {"no file", std::nullopt, ErrorCode::lineDescriptionMissing, 0, false, false},
        {"no header", "lunghezza percorso, 10000\r\n[fine]\r\n", ErrorCode::generalHeaderMissing, 0,
         true, false},
        {"header as the last field", "x\r\n[generale]\r\n", ErrorCode::generalHeaderMissing, 0,
         true, false},
        {"length above a million", "[generale]\r\nlunghezza percorso, 1000001\r\n[c]\r\nx\r\n",
         ErrorCode::lineTooLong, 0, true, false},
        {"no length record", "[generale]\r\nsfondo uno, 5\r\n[curve]\r\n[fine]\r\n",
         ErrorCode::noLineLength, 0, true, false},
        {"negative length", "[generale]\r\nlunghezza percorso, -1\r\n[c]\r\nx\r\n",
         ErrorCode::noLineLength, 0, true, false},
        {"repetition first value", g + "ripetizione segnali 4, 525, 1000\r\n[c]\r\nx\r\n",
         ErrorCode::firstRepetitionNotMultipleOf50, 0, true, false},
        {"repetition second value", g + "ripetizione segnali 4, 500, 1010\r\n[c]\r\nx\r\n",
         ErrorCode::secondRepetitionNotMultipleOf50, 0, true, false},
        {"repetition without 4 or 9", g + "ripetizione segnali, 500, 1000\r\n[c]\r\nx\r\n",
         ErrorCode::repetitionKeywordWithout4Or9, 0, true, false},
        {"bare curve keyword", shortLine("curva, 100, 200\r\n"),
         ErrorCode::curveWithoutClassOrPastPlan, 0, true, false},
        {"position past the route", shortLine("pendenza, 16901, 3\r\n"),
         ErrorCode::positionOutsideRoute, 16901, true, true},
        {"location board on a taken cell",
         shortLine("indicatori_vmax, 800, 60, 60, 60, 0, , , , 0\r\n"
                   "cartello_indicatore, 810, (X)\r\n"),
         ErrorCode::locationBoardCellTaken, 810, true, false},
        {"speed board on a taken cell",
         shortLine("indicatori_vmax, 800, 60, 60, 60, 0, , , , 0\r\n"
                   "indicatori_vmax, 790, 60, 60, 60, 0, , , , 0\r\n"),
         ErrorCode::speedIndicatorCellTaken, 790, true, false},
        {"values missing at the end", shortLine() + "pendenza, 100\r\n", ErrorCode::readFailure, 0,
         true, true},
        {"comments running to the end of the general section", "[generale]\r\n-a\r\n-b\r\n",
         ErrorCode::readFailure, 0, true, true},
        {"a number that is not a number", shortLine("pendenza, 1O0, 3\r\n"), ErrorCode::readFailure,
         0, true, true},
        {"mountain stretch ending past the route", shortLine("montagna, 9000, 20000, 2\r\n"),
         ErrorCode::positionOutsideRoute, 9000, true, true},
        {"packed board speed past 16 bits",
         shortLine("indicatori_vmax, 800, 2000, 60, 60, 0, , , , 0\r\n"), ErrorCode::readFailure, 0,
         true, true},
    };
    for (const CodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = compile(c.line, train());
        EXPECT_EQ(r.model.error.errorCode, c.code);
        EXPECT_EQ(r.model.error.errorPosition, c.position);
        EXPECT_EQ(r.reading.lineConsumed, c.lineConsumed);
        EXPECT_EQ(r.reading.trainConsumed, c.trainConsumed);
    }
}

TEST(LineReader, FailurePointsAtTheRecord) {
    const auto r = compile(shortLine("pendenza, 0, 1\r\n  pendenza, 16901, 3\r\n"), train());
    EXPECT_EQ(r.reading.site.file, Description::line);
    EXPECT_EQ(r.reading.site.place, (SourcePlace{5, 3}));
}

TEST(LineReader, SizesRouteAndPlanFromTheLength) {
    struct Size {
        std::int32_t length, planLength, lastCell;
    };
    for (const Size s : {Size{169000, 176000, 3520}, Size{1025, 8025, 160},
                         Size{1000000, 1007000, 20140}, Size{0, 7000, 140}}) {
        const auto r = compile("[generale]\r\nLUNGHEZZA Percorso, " + std::to_string(s.length) +
                                   "\r\n[curve]\r\n[fine]\r\n",
                               train(), 0);
        EXPECT_EQ(r.model.error.errorCode, ErrorCode::none);
        EXPECT_EQ(r.model.planLength, s.planLength);
        EXPECT_EQ(r.model.lastCell, s.lastCell);
        EXPECT_EQ(r.model.routeTable.size(), static_cast<std::size_t>(s.lastCell) + 1);
        EXPECT_EQ(r.model.lineTable[84].long2, s.length);
        EXPECT_FALSE(r.model.trackPlan.dimensioned());
    }
    const auto withPlan = compile(shortLine(), train(), 1);
    EXPECT_EQ(withPlan.model.trackPlan.points(), 17001);
}

TEST(LineReader, StoresGeneralRecords) {
    const auto r = compile(
        "[generale]\r\nlunghezza percorso, 10000\r\n"
        "progressiva chilometrica tre, 300, 50, 0\r\n"
        "progressiva chilometrica due, 200, 100, 0\r\n"
        "progressiva chilometrica uno, 100, 150, 1\r\n"
        "Progressiva chilometrica uno, 7, 7, 7\r\n"  // case-sensitive: not recognised
        "sfondo uno, 1000\r\nsfondo due, 3000\r\nsfondo tre, 1\r\n"
        "ripetizione segnali 9, 500, 0\r\n[curve]\r\n[fine]\r\n",
        train());
    const LineTable& t = r.model.lineTable;
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::none);
    EXPECT_EQ(t[81].long1, 300);
    EXPECT_EQ(t[82].long1, 200);
    EXPECT_EQ(t[83].long1, 100);
    EXPECT_EQ(t[83].long2, 250);  // long3 = 1 adds 100
    EXPECT_EQ(t[85].long1, 1000);
    EXPECT_EQ(t[85].long3, 3000);
    EXPECT_EQ(t[85].long2, 1);
    EXPECT_EQ(t[86].long1, 500);
    EXPECT_EQ(t[86].long2, 0);
    EXPECT_EQ(t[86].long3, 0);  // "9", but a second value of 0
    EXPECT_EQ(t[85].text, "GENOVA_TORINO");
    EXPECT_EQ(t[86].text, "IC514");
}

TEST(LineReader, SignalRepetitionCodeFromTheKeyword) {
    const auto four =
        compile(shortLine().insert(39, "ripetizione segnali 4 codici, 500, 170000\r\n"), train());
    EXPECT_EQ(four.model.lineTable[86].long3, 4);
    const auto nine =
        compile(shortLine().insert(39, "ripetizione segnali 9, 500, 1000\r\n"), train());
    EXPECT_EQ(nine.model.lineTable[86].long3, 9);
}

TEST(LineReader, OrdersTheProgressives) {
    struct Entry {
        std::int32_t long1, long2, long3;
    };
    struct Case {
        const char* name;
        std::array<Entry, 3> in;   // tre, due, uno
        std::array<Entry, 3> out;  // entries 81, 82, 83
    };
    const std::vector<Case> cases = {
        {"descending already",
         {{{3, 0, 0}, {2, 0, 0}, {1, 0, 0}}},
         {{{3, 0, 0}, {2, 0, 0}, {1, 0, 0}}}},
        {"ascending",
         {{{1, 10, 0}, {2, 20, 0}, {3, 30, 0}}},
         {{{3, 30, 0}, {2, 20, 0}, {1, 10, 0}}}},
        {"tie below: uno before due",
         {{{5, 1, 0}, {2, 2, 0}, {2, 3, 0}}},
         {{{5, 1, 0}, {2, 3, 0}, {2, 2, 0}}}},
        {"tie below: due before tre",
         {{{2, 1, 0}, {2, 2, 0}, {5, 3, 0}}},
         {{{5, 3, 0}, {2, 2, 0}, {2, 1, 0}}}},
        {"greatest shared",
         {{{5, 1, 1}, {5, 2, 2}, {1, 3, 3}}},
         {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
        {"zero sum, only uno",
         {{{0, 0, 0}, {0, 0, 0}, {0, 50, 1}}},
         {{{0, 150, 1}, {0, 0, 0}, {0, 0, 0}}}},
        {"zero sum, tre alone",
         {{{0, 50, 0}, {0, 0, 0}, {0, 0, 7}}},
         {{{0, 50, 0}, {0, 0, 0}, {0, 0, 7}}}},
        {"zero sum, due and uno: the last passing trades with tre",
         {{{0, 0, 4}, {0, 10, 5}, {0, 20, 6}}},
         {{{0, 20, 6}, {0, 10, 5}, {0, 0, 4}}}},
        {"zero sum, none",
         {{{0, 0, 1}, {0, 0, 2}, {0, 0, 3}}},
         {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
        {"zero sum of mixed signs",
         {{{5, 0, 0}, {-5, 10, 0}, {0, 0, 0}}},
         {{{-5, 10, 0}, {5, 0, 0}, {0, 0, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScenarioModel m;
        for (int i = 0; i < 3; ++i) {
            m.lineTable[81 + i].long1 = c.in[i].long1;
            m.lineTable[81 + i].long2 = c.in[i].long2;
            m.lineTable[81 + i].long3 = c.in[i].long3;
            m.lineTable[81 + i].text = "kept";
        }
        progressive_ordina(m);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(m.lineTable[81 + i].long1, c.out[i].long1) << "entry " << 81 + i;
            EXPECT_EQ(m.lineTable[81 + i].long2, c.out[i].long2) << "entry " << 81 + i;
            EXPECT_EQ(m.lineTable[81 + i].long3, c.out[i].long3) << "entry " << 81 + i;
            EXPECT_EQ(m.lineTable[81 + i].text, "kept");
        }
    }
}

std::vector<int> gradients(const ScenarioModel& m) {
    std::vector<int> g;
    for (const RouteCell& c : m.routeTable) g.push_back(c.gradient);
    return g;
}

TEST(LineReader, FillsGradientsCellByCell) {
    {
        const auto r = compile(shortLine("pendenza, 0, 5\r\npendenza, 100, 7\r\n"), train());
        const auto g = gradients(r.model);
        EXPECT_EQ(g[0], 105);
        EXPECT_EQ(g[1], 105);
        EXPECT_EQ(g[2], 107);
        EXPECT_EQ(g[337], 107);  // lastCell - 3
        EXPECT_EQ(g[338], 0);
        EXPECT_EQ(g[340], 0);
    }
    {
        const auto r = compile(shortLine("pendenza, 900, 3\r\npendenza, 910, 4\r\n"
                                         "pendenza, 2000, -8\r\n"),
                               train());
        const auto g = gradients(r.model);
        for (int c = 0; c <= 17; ++c) EXPECT_EQ(g[c], 100) << c;
        EXPECT_EQ(g[18], 103);  // a record whose cell is not ahead still fills one cell
        for (int c = 19; c < 40; ++c) EXPECT_EQ(g[c], 104) << c;
        EXPECT_EQ(g[40], 92);  // -8 per mille
    }
}

TEST(LineReader, GradientsCrowdedPastTheRouteStopAtItsEnd) {
    std::string records;
    for (int i = 0; i < 6; ++i) records += "pendenza, 16900, 2\r\n";
    const auto r = compile(shortLine(records), train());
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::positionOutsideRoute);
    EXPECT_EQ(r.model.error.errorPosition, 16900);
    EXPECT_EQ(r.model.routeTable[340].gradient, 102);
}

TEST(LineReader, PositionTestLimits) {
    const std::string length = "[generale]\r\nlunghezza percorso, 169000\r\n[curve]\r\n";
    const auto pass = compile(length + "pendenza, 175900, 1\r\n[fine]\r\n", train());
    EXPECT_EQ(pass.model.error.errorCode, ErrorCode::none);
    const auto fail =
        compile(length + "pendenza, 175901, 1\r\nmontagna, 1000, 2000, 2\r\n[fine]\r\n",
                train("sabbia, 300\r\n"));
    EXPECT_EQ(fail.model.error.errorCode, ErrorCode::positionOutsideRoute);
    EXPECT_EQ(fail.model.error.errorPosition, 175901);
    EXPECT_EQ(fail.model.routeTable[20].zone, 0);          // nothing read after it
    EXPECT_EQ(fail.model.lineTable[86].int1, 300);         // the train is still read
    EXPECT_EQ(fail.model.routeTable[3000].gradient, 100);  // the end fill ran
}

// The plan computed independently: a straight start along +y, then each curve turning the
// step vector by the small-angle formula every metre.
TEST(LineReader, BuildsTheTrackPlan) {
    const auto r = compile(shortLine("curvad2, 100, 50\r\ncurvaS12, 300, 20\r\n"), train());
    ASSERT_EQ(r.model.error.errorCode, ErrorCode::none);
    const TrackPlan& plan = r.model.trackPlan;
    EXPECT_EQ(plan.at(0, 0).tag, PlanTag::integer);
    EXPECT_EQ(plan.at(1, 1).tag, PlanTag::integer);
    EXPECT_EQ(plan.at(1, 1).value, 1.0);
    EXPECT_EQ(plan.at(16998, 0).tag, PlanTag::real);
    EXPECT_EQ(plan.at(16999, 0).tag, PlanTag::empty);
    EXPECT_EQ(plan.at(17000, 1).tag, PlanTag::empty);

    double x0 = 0, y0 = 0, x1 = 0, y1 = 1;
    for (int m = 2; m <= 16998; ++m) {
        double rate = 0;
        if (m > 100 && m <= 150) rate = 0.0002;
        if (m > 300 && m <= 320) rate = -0.0001;  // "1" before "2"; capital S turns the same way
        const double dx = x1 - x0, dy = y1 - y0;
        const double x = rate == 0 ? x1 + dx : x1 + dx + rate * dy;
        const double y = rate == 0 ? y1 + dy : y1 + dy - rate * dx;
        x0 = x1, y0 = y1, x1 = x, y1 = y;
        ASSERT_EQ(plan.real(m, 0), x) << m;
        ASSERT_EQ(plan.real(m, 1), y) << m;
    }
    EXPECT_GT(plan.real(200, 0), 0.0);  // a positive rate turns toward +x
}

TEST(LineReader, StraightPlanWithoutCurves) {
    const auto r = compile(shortLine(), train());
    for (int m : {2, 500, 16998}) {
        EXPECT_EQ(r.model.trackPlan.real(m, 0), 0.0);
        EXPECT_EQ(r.model.trackPlan.real(m, 1), m);
    }
}

TEST(LineReader, CurveRunningPastThePlanStops) {
    const auto r = compile(shortLine("curvad2, 16000, 5000\r\n"), train());
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::curveWithoutClassOrPastPlan);
    EXPECT_FALSE(r.reading.trainConsumed);
}

TEST(LineReader, CurvesIgnoredWithoutAPlan) {
    // Without a plan a curve keyword is not recognised: its numbers are read as keyword fields.
    const auto r = compile(shortLine("curva, 100, 200\r\npendenza, 0, 5\r\n"), train(), 0);
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::none);
    EXPECT_EQ(r.model.routeTable[0].gradient, 105);
}

TEST(LineReader, CommentFields) {
    // Up to ten comments in a row in the general section.
    std::string general = "[generale]\r\n";
    for (int i = 0; i < 10; ++i) general += "-nota-\r\n";
    const auto ten =
        compile(general + "lunghezza percorso, 10000\r\n[curve]\r\n[fine]\r\n", train());
    EXPECT_EQ(ten.model.lastCell, 340);
    // Two in a row are dropped in the record section; a third is examined.
    const auto two = compile(shortLine("-a\r\n-b\r\npendenza, 0, 5\r\n"), train());
    EXPECT_EQ(two.model.routeTable[0].gradient, 105);
    const auto three = compile(shortLine("-a\r\n-b\r\n-pendenza, 0, 5\r\n"), train());
    EXPECT_EQ(three.model.routeTable[0].gradient, 105);
    // A dropped comment's own values are read as keyword fields, never as its record.
    const auto dropped = compile(shortLine("-pendenza, 100, 7\r\npendenza, 200, 5\r\n"), train());
    EXPECT_EQ(dropped.model.routeTable[2].gradient, 100);
    EXPECT_EQ(dropped.model.routeTable[4].gradient, 105);
}

TEST(LineReader, LastFieldIsNeverExamined) {
    const auto lone =
        compile("[generale]\r\nlunghezza percorso, 10000\r\n[c]\r\npendenza", train());
    EXPECT_EQ(lone.model.error.errorCode, ErrorCode::none);
    const auto record =
        compile("[generale]\r\nlunghezza percorso, 10000\r\n[c]\r\npendenza, 0, 5", train());
    EXPECT_EQ(record.model.routeTable[0].gradient, 105);
}

TEST(Placements, MountainStretches) {
    const auto r = compile(shortLine("montagna,   500,  2850,  11\r\n"
                                     "montagna,   3000,  3100,  2\r\n"    // 150 m after: type 3
                                     "montagna,   3251,  3400,  2\r\n"    // 151 m after: keeps 2
                                     "montagna,   4000,  4000,  2\r\n"    // no cell, but counted
                                     "montagna,   4150,  4300,  5\r\n"),  // 150 after that one
                           train());
    const RouteTable& t = r.model.routeTable;
    EXPECT_EQ(r.model.mountainCount, 5);
    EXPECT_EQ(t[9].zone, 0);
    for (int c = 10; c <= 56; ++c) {
        EXPECT_EQ(t[c].zone, 1) << c;
        EXPECT_EQ(t[c].kind, (c - 10 + 1) % 4 == 0 ? 11 : 0) << c;
    }
    EXPECT_EQ(t[13].kind, 11);
    EXPECT_EQ(t[53].kind, 11);
    EXPECT_EQ(t[57].zone, 0);
    EXPECT_EQ(t[60].zone, 3);
    EXPECT_EQ(t[61].zone, 3);
    EXPECT_EQ(t[65].zone, 2);
    EXPECT_EQ(t[80].zone, 0);
    EXPECT_EQ(t[83].zone, 3);
}

TEST(Placements, TooManyMountainStretches) {
    std::string records;
    for (int i = 0; i < 81; ++i) records += "montagna, " + std::to_string(i * 100) + ", 50, 2\r\n";
    const auto r = compile(shortLine(records), train());
    EXPECT_EQ(r.model.mountainCount, 80);
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::tooManyMountainStretches);
    EXPECT_EQ(r.model.error.errorPosition, 8000);
}

TEST(Placements, SpeedIndicatorBoards) {
    const auto r = compile(shortLine("montagna, 0, 1000, 11\r\n"
                                     "indicatori_vmax,  140,  60,  60,  60,  0,  ,  ,  ,  0\r\n"
                                     "indicatori_vmax,  800,  60,  90,  115,  2, 12, 0, 7, 0\r\n"),
                           train());
    const RouteTable& t = r.model.routeTable;
    ASSERT_EQ(r.model.error.errorCode, ErrorCode::none);
    EXPECT_EQ(t[4].kind, 6);  // 140 / 50 + 1 = 3.8: the marker of cell 4 gave way
    EXPECT_EQ(t[4].value1, 1200);
    EXPECT_EQ(t[17].kind, 6);
    EXPECT_EQ(t[17].value1, 1202);
    EXPECT_EQ(t[17].value2, 1800);
    EXPECT_EQ(t[17].value3, 2301);  // 7 / 5 = 1.4
    EXPECT_EQ(t[17].value4, 20);
}

TEST(Placements, LocationBoards) {
    const auto r = compile(shortLine("cartello_indicatore,  3850,   (CAVALCAVIA)\r\n"
                                     "cartello_indicatore,  6000,   (BIVIO SANGONE)\r\n"),
                           train());
    const auto& m = r.model;
    EXPECT_EQ(m.routeTable[78].kind, 14);
    EXPECT_EQ(m.routeTable[78].value1, 80);
    EXPECT_EQ(m.routeTable[121].value1, 79);
    EXPECT_EQ(m.lineTable[80].text, "(CAVALCAVIA)");
    EXPECT_EQ(m.lineTable[79].text, "(BIVIO SANGONE)");
}

TEST(Placements, TooManyLocationBoards) {
    std::string records;
    for (int i = 0; i < 82; ++i) {
        records += "cartello_indicatore, " + std::to_string(1000 + i * 100) + ", B" +
                   std::to_string(i) + "\r\n";
    }
    const auto r = compile(shortLine(records), train());
    EXPECT_EQ(r.model.lineTable[0].text, "B80");  // 81 boards fill entries 80 down to 0
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::tooManyLocationBoards);
    EXPECT_EQ(r.model.error.errorPosition, 1000 + 81 * 100);
}

}  // namespace
}  // namespace scenario
