// The limits of the compiler's input, each tested on both sides: the largest input accepted and
// what the compiler does just past it. docs/limits.md lists them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "compile_support.h"
#include "compiler/coding.h"
#include "compiler/compiled_files.h"
#include "tests/support/repeated_text.h"

namespace scenario {
namespace {

using testing::compile;
using testing::shortLine;
using testing::train;

using test_support::repeated;

std::string lineOf(std::int32_t length, const std::string& records = "") {
    return "[generale]\r\nlunghezza percorso, " + std::to_string(length) + "\r\n[curve]\r\n" +
           records + "[fine]\r\n";
}

// A station of kind 2 whose area is its position +- 50 m.
std::string station(std::int32_t position, const std::string& name = "S") {
    return "stazione, " + std::to_string(position) +
           ", 2, 100, 1, 1, 0, 4,1,1, 2,1,1, 60, 9,0,0, " + name + "\r\n";
}

std::string board(std::int32_t position, const std::string& text) {
    return "cartello_indicatore, " + std::to_string(position) + ", " + text + "\r\n";
}

std::string planFile(const ScenarioModel& model) {
    std::string out;
    encodeTrackPlan(model.trackPlan, [&](std::string_view piece) { out += piece; });
    return out;
}

std::uint16_t tagAt(const std::string& b, std::size_t at) {
    return coding::decodeFixed16(b.data() + at);
}
double realAt(const std::string& b, std::size_t at) {
    EXPECT_EQ(tagAt(b, at), 5) << "at " << at;
    return coding::decodeDouble(b.data() + at + 2);
}

TEST(Limits, LineOfOneMillionMetresHasItsWholePlanEncoded) {
    const auto r = compile(lineOf(1000000), train());
    ASSERT_EQ(r.model.error.errorCode, ErrorCode::none);
    ASSERT_EQ(r.model.planLength, 1007000);
    ASSERT_EQ(r.model.lastCell, 20140);
    EXPECT_EQ(encodeRouteTable(r.model.routeTable).size(), 15u * 20141);

    // Points 0 and 1 are 16-bit integers (4 bytes), points 2 to planLength - 2 doubles (10
    // bytes), the last two empty (2 bytes): each half 10 x planLength - 18 bytes.
    const std::int64_t P = 1007000;
    const std::string b = planFile(r.model);
    ASSERT_EQ(b.size(), 20139964u);
    const std::size_t half = 10 * P - 18;
    const auto point = [&](std::size_t start, std::int64_t m) {
        return start + 8 + 10 * static_cast<std::size_t>(m - 2);
    };
    // x: 0 then 0, all along the straight line.
    EXPECT_EQ(b.substr(0, 8), std::string("\x02\x00\x00\x00\x02\x00\x00\x00", 8));
    for (const std::int64_t m : {std::int64_t{2}, std::int64_t{500000}, P - 2}) {
        EXPECT_EQ(realAt(b, point(0, m)), 0.0) << m;
    }
    EXPECT_EQ(b.substr(point(0, P - 1), 4), std::string(4, '\0'));
    // y: 0, 1, then one metre per point.
    EXPECT_EQ(b.substr(half, 8), std::string("\x02\x00\x00\x00\x02\x00\x01\x00", 8));
    for (const std::int64_t m : {std::int64_t{2}, std::int64_t{500000}, P - 2}) {
        EXPECT_EQ(realAt(b, point(half, m)), static_cast<double>(m)) << m;
    }
    EXPECT_EQ(b.substr(b.size() - 4), std::string(4, '\0'));

    const auto longer = compile(lineOf(1000001), train(), 0);
    EXPECT_EQ(longer.model.error.errorCode, ErrorCode::lineTooLong);
    EXPECT_TRUE(longer.reading.lineConsumed);
    EXPECT_FALSE(longer.reading.trainConsumed);
}

TEST(Limits, CurvesEndAtThePlanAndBeforeItsMillionthPoint) {
    struct Case {
        const char* name;
        std::string line;
        ErrorCode code;
    };
    const std::vector<Case> cases = {
        // planLength 17000.
        {"curve to the plan's last point", shortLine("curvas3, 16000, 1000\r\n"), ErrorCode::none},
        {"curve one metre past the plan", shortLine("curvas3, 16000, 1001\r\n"),
         ErrorCode::curveWithoutClassOrPastPlan},
        {"curve far past the plan", shortLine("curvad1, 100, 2147483547\r\n"),
         ErrorCode::curveWithoutClassOrPastPlan},
        // planLength 1007000: the plan index may reach 1,000,000 and not pass it.
        {"curve to point 999,999", lineOf(1000000, "curvas3, 999000, 999\r\n"), ErrorCode::none},
        {"curve to point 1,000,000", lineOf(1000000, "curvas3, 999000, 1000\r\n"),
         ErrorCode::curveWithoutClassOrPastPlan},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = compile(c.line, train());
        EXPECT_EQ(r.model.error.errorCode, c.code);
        EXPECT_TRUE(r.reading.lineConsumed);
        EXPECT_EQ(r.reading.trainConsumed, c.code == ErrorCode::none);
    }
    // The curve that ends on the last point leaves no point empty.
    const auto r = compile(cases[0].line, train());
    EXPECT_EQ(r.model.trackPlan.at(17000, 0).tag, PlanTag::real);
    EXPECT_EQ(r.model.trackPlan.at(17000, 1).tag, PlanTag::real);
}

TEST(Limits, TextLinesHaveNoLengthLimit) {
    const std::size_t wide = 4 << 20;
    // A 4 MB comment line, then a record on a line 4 MB wide.
    const auto r = compile(shortLine("-" + std::string(wide, 'x') + "\r\npendenza," +
                                     std::string(wide, ' ') + "900, 3\r\n"),
                           train());
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::none);
    EXPECT_EQ(r.model.routeTable[17].gradient, 100);
    EXPECT_EQ(r.model.routeTable[18].gradient, 103);

    // A failure far along a wide line is placed at its column.
    const auto bad =
        compile(shortLine("pendenza," + std::string(wide, ' ') + "1O0, 3\r\n"), train());
    EXPECT_EQ(bad.model.error.errorCode, ErrorCode::readFailure);
    EXPECT_EQ(bad.reading.site.file, Description::line);
    EXPECT_EQ(bad.reading.site.place, (SourcePlace{4, static_cast<int>(10 + wide)}));
}

TEST(Limits, TextsHoldAtMost65535Bytes) {
    const std::string longest(65535, 'N');
    const std::string tooLong(65536, 'N');
    const auto stationName = compile(shortLine(), train(station(1000, longest)));
    EXPECT_EQ(stationName.model.error.errorCode, ErrorCode::none);
    EXPECT_EQ(stationName.model.lineTable[1].text, longest);
    const std::string file = encodeLineTable(stationName.model.lineTable);
    EXPECT_EQ(file.size(), 87u * 34 + 65535 + 13 + 5);  // and the two names
    EXPECT_EQ(coding::decodeFixed16(file.data() + 34 + 14), 65535);

    const auto boardText = compile(shortLine(board(1000, longest)), train());
    EXPECT_EQ(boardText.model.error.errorCode, ErrorCode::none);
    EXPECT_EQ(boardText.model.lineTable[80].text, longest);

    for (const auto& r : {compile(shortLine(), train(station(1000, tooLong))),
                          compile(shortLine(board(1000, tooLong)), train())}) {
        EXPECT_EQ(r.model.error.errorCode, ErrorCode::readFailure);
        EXPECT_TRUE(r.reading.lineConsumed);
        EXPECT_TRUE(r.reading.trainConsumed);
    }
}

TEST(Limits, StationsStopOneEntryBeforeTheBoards) {
    struct Case {
        int boards;
        int stations;
        ErrorCode code;
    };
    // Stations every 500 m from 500 m on a 50 km line; the boards stand past them.
    for (const Case c : {Case{0, 78, ErrorCode::none}, Case{0, 79, ErrorCode::tooManyStations},
                         Case{1, 77, ErrorCode::none}, Case{1, 78, ErrorCode::tooManyStations},
                         Case{79, 1, ErrorCode::tooManyStations}}) {
        SCOPED_TRACE(::testing::Message() << c.boards << " boards, " << c.stations << " stations");
        std::string boards;
        for (int i = 0; i < c.boards; ++i) boards += board(41000 + 100 * i, "(B)");
        std::string stations;
        for (int i = 1; i <= c.stations; ++i) stations += station(500 * i);
        const auto r = compile(lineOf(50000, boards), train(stations));
        EXPECT_EQ(r.model.error.errorCode, c.code);
        EXPECT_EQ(r.model.error.errorPosition, 0);
        // The last station is stored, also the one that fails.
        EXPECT_EQ(r.model.lineTable[static_cast<std::size_t>(c.stations)].long3, 500 * c.stations);
        EXPECT_EQ(r.model.routeTable[static_cast<std::size_t>(10 * c.stations)].kind,
                  CellKind::kStationStop);
    }
}

TEST(Limits, EightyOneLocationBoards) {
    std::string boards;
    for (int i = 0; i < 81; ++i) boards += board(1000 + 100 * i, "(B" + std::to_string(i) + ")");
    const auto r = compile(shortLine(boards), train());
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::none);
    EXPECT_EQ(r.model.lineTable[80].text, "(B0)");
    EXPECT_EQ(r.model.lineTable[0].text, "(B80)");
    EXPECT_EQ(r.model.routeTable[9000 / 50 + 1].kind, CellKind::kLocationBoard);
    EXPECT_EQ(r.model.routeTable[9000 / 50 + 1].value1, 0);

    const auto more = compile(shortLine(boards + board(9100, "(B81)")), train());
    EXPECT_EQ(more.model.error.errorCode, ErrorCode::tooManyLocationBoards);
    EXPECT_EQ(more.model.error.errorPosition, 9100);
    EXPECT_EQ(more.model.routeTable[9100 / 50 + 1].kind, CellKind::kNothing);
    EXPECT_EQ(more.model.lineTable[0].text, "(B80)");
    EXPECT_TRUE(more.reading.lineConsumed);
    EXPECT_FALSE(more.reading.trainConsumed);
}

TEST(Limits, EightyMountainStretches) {
    // Stretches of 100 m every 300 m, far enough apart to keep their own type, on a 30 km line.
    std::string stretches;
    for (int i = 0; i < 80; ++i) {
        stretches += "montagna, " + std::to_string(300 * i) + ", " + std::to_string(300 * i + 100) +
                     ", 2\r\n";
    }
    const auto r = compile(lineOf(30000, stretches), train());
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::none);
    EXPECT_EQ(r.model.mountainCount, 80);
    EXPECT_EQ(r.model.routeTable[474].zone, 2);
    EXPECT_EQ(r.model.routeTable[475].zone, 2);

    const auto more = compile(lineOf(30000, stretches + "montagna, 24000, 24100, 4\r\n"), train());
    EXPECT_EQ(more.model.error.errorCode, ErrorCode::tooManyMountainStretches);
    EXPECT_EQ(more.model.error.errorPosition, 24000);
    EXPECT_EQ(more.model.mountainCount, 80);
    EXPECT_EQ(more.model.routeTable[480].zone, 0);
    EXPECT_TRUE(more.reading.lineConsumed);
    EXPECT_FALSE(more.reading.trainConsumed);
}

TEST(Limits, PositionsOutsideTheRouteStopTheReadingAtTheRecord) {
    struct Case {
        const char* name;
        std::string line;   // records of a 10,000 m line (lastCell 340)
        std::string train;  // records of the train
        ErrorCode code;
        std::int32_t position;
    };
    const std::string sign = ", 2, 3, 1, 0, 0, 2, 2,1,0, 0\r\n";
    const std::vector<Case> cases = {
        {"gradient 100 m before the end", "pendenza, 16900, 3\r\n", "", ErrorCode::none, 0},
        {"gradient past it", "pendenza, 16901, 3\r\n", "", ErrorCode::positionOutsideRoute, 16901},
        {"gradient before the start", "pendenza, -5000, 3\r\n", "", ErrorCode::none, 0},
        {"speed board before the start", "indicatori_vmax, -100, 60, 60, 60, 0, , , , 0\r\n", "",
         ErrorCode::positionOutsideRoute, -100},
        {"speed board in cell 0", "indicatori_vmax, -25, 60, 60, 60, 0, , , , 0\r\n", "",
         ErrorCode::none, 0},
        {"location board before the start", board(-100, "(X)"), "", ErrorCode::positionOutsideRoute,
         -100},
        {"stretch starting before the start", "montagna, -500, 200, 2\r\n", "",
         ErrorCode::positionOutsideRoute, -500},
        {"stretch ending past the end", "montagna, 9000, 20000, 2\r\n", "",
         ErrorCode::positionOutsideRoute, 9000},
        {"curve starting before the start", "curvas3, -500, 100\r\n", "", ErrorCode::none, 0},
        {"signal before the start", "", "segnale, -100" + sign, ErrorCode::positionOutsideRoute,
         -100},
        {"signal 100 m before the end", "", "segnale, 16900" + sign, ErrorCode::none, 0},
        {"signal past it", "", "segnale, 16901" + sign, ErrorCode::positionOutsideRoute, 16901},
        {"mark before the start", "", "abbattimento, -100, 60\r\n", ErrorCode::positionOutsideRoute,
         -100},
        {"slowdown ending past the route", "", "rallentamento, 5000, 30, 100000, 1, 1, 0\r\n",
         ErrorCode::positionOutsideRoute, 5000},
        {"slowdown ending before the start", "", "rallentamento, 5000, 30, -6000, 1, 1, 0\r\n",
         ErrorCode::positionOutsideRoute, 5000},
        {"station 800 m before the end", "", station(16200), ErrorCode::none, 0},
        {"station past it", "", station(16250), ErrorCode::positionOutsideRoute, 16250},
        {"station area ending past the route", "",
         "stazione, 16200, 7, 2000, 1, 1, 0, 4,1,1, 2,1,1, 60, 9,0,0, S\r\n",
         ErrorCode::positionOutsideRoute, 16200},
        {"area-only station before the start", "",
         "stazione, -1000, 28, 100, 1, 1, 0, 4,1,1, 2,1,1, 60, 9,0,0, S\r\n", ErrorCode::none, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = compile(shortLine(c.line), train(c.train));
        EXPECT_EQ(r.model.error.errorCode, c.code);
        EXPECT_EQ(r.model.error.errorPosition, c.position);
        // Reading stops as at the end of the file: the train description is still read.
        EXPECT_TRUE(r.reading.trainConsumed);
    }
}

TEST(Limits, RecordsRepeatedAtOnePositionStayInsideTheRoute) {
    // Each gradient record fills at least the cell at the fill cursor: the first of these fills
    // cells 0 and 1, each further one the next cell, the 340th the last cell (340).
    EXPECT_EQ(
        compile(shortLine(repeated("pendenza, 100, 1\r\n", 340)), train()).model.error.errorCode,
        ErrorCode::none);
    const auto past = compile(shortLine(repeated("pendenza, 100, 1\r\n", 341)), train());
    EXPECT_EQ(past.model.error.errorCode, ErrorCode::positionOutsideRoute);
    EXPECT_EQ(past.model.error.errorPosition, 100);
    EXPECT_TRUE(past.reading.trainConsumed);

    // The adhesion cursor stops at the end of the route as the speed cursor does.
    const auto r = compile(shortLine(), train(repeated("aderenza, 100, 80\r\n", 400) +
                                              repeated("velocita, 100, 90\r\n", 400)));
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::none);
    EXPECT_EQ(r.model.routeTable[0].adhesion, 0);
    EXPECT_EQ(r.model.routeTable[300].adhesion, 80);
    EXPECT_EQ(r.model.routeTable[300].speedLimit, 18);
}

TEST(Limits, NumbersMustFitTheirFields) {
    struct Case {
        const char* name;
        std::string line;   // general records of the line, before its length
        std::string train;  // records of the train
        ErrorCode code;
    };
    const auto clock = [](const char* hours) {
        return "stazione, 1000, 28, 100, 1, 1, 0, 4,1,1, 2,1,1, 60, " + std::string(hours) +
               ",0,0, S\r\n";
    };
    const auto kind = [](const char* k) {
        return "stazione, 1000, " + std::string(k) +
               ", 100, 1, 1, 0, 4,1,1, 2,1,1, 60, 9,0,0, S\r\n";
    };
    const std::vector<Case> cases = {
        {"32-bit largest", "sfondo uno, 2147483647\r\n", "", ErrorCode::none},
        {"32-bit largest + 1", "sfondo uno, 2147483648\r\n", "", ErrorCode::readFailure},
        {"32-bit smallest", "sfondo uno, -2147483648\r\n", "", ErrorCode::none},
        {"32-bit smallest - 1", "sfondo uno, -2147483649\r\n", "", ErrorCode::readFailure},
        {"twenty digits", "sfondo uno, 99999999999999999999\r\n", "", ErrorCode::readFailure},
        {"progressives summing within 32 bits", "tre progressiva, 2147483600, 0, 0\r\n", "",
         ErrorCode::none},
        {"progressives summing past 32 bits",
         "tre progressiva, 2147483600, 0, 0\r\ndue progressiva, 50, 0, 0\r\n", "",
         ErrorCode::readFailure},
        {"16-bit largest", "", "sabbia, 32767\r\n", ErrorCode::none},
        {"16-bit largest + 1", "", "sabbia, 32768\r\n", ErrorCode::readFailure},
        {"16-bit smallest", "", "sabbia, -32768\r\n", ErrorCode::none},
        {"16-bit smallest - 1", "", "sabbia, -32769\r\n", ErrorCode::readFailure},
        {"8-bit largest", "", kind("255"), ErrorCode::none},
        {"8-bit largest + 1", "", kind("256"), ErrorCode::readFailure},
        {"8-bit below 0", "", kind("-1"), ErrorCode::readFailure},
        {"a fraction", "", "sabbia, 3.5\r\n", ErrorCode::readFailure},
        {"an exponent", "", "sabbia, 1e3\r\n", ErrorCode::readFailure},
        {"scheduled time within 32 bits", "", clock("596523"), ErrorCode::none},
        {"scheduled time past 32 bits", "", clock("596524"), ErrorCode::readFailure},
        {"speed of 255 units", "", "velocita, 0, 1277\r\n", ErrorCode::none},
        {"speed of 256 units", "", "velocita, 0, 1278\r\n", ErrorCode::readFailure},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r =
            compile("[generale]\r\n" + c.line + "lunghezza percorso, 10000\r\n[c]\r\n[f]\r\n",
                    train(c.train));
        EXPECT_EQ(r.model.error.errorCode, c.code);
        EXPECT_TRUE(r.reading.lineConsumed);
        EXPECT_TRUE(r.reading.trainConsumed);
        if (c.code == ErrorCode::none && c.line.starts_with("sfondo")) {
            EXPECT_EQ(r.model.lineTable[kLineGeneral].long1,
                      std::stoll(c.line.substr(c.line.find(',') + 1)));
        }
    }
}

TEST(Limits, EmptyDescriptions) {
    struct Case {
        const char* name;
        std::string line;
        std::string train;
        ErrorCode code;
        bool trainConsumed;
    };
    const std::vector<Case> cases = {
        // Reading the first field of an empty file is reading past its end.
        {"empty line description", "", train(), ErrorCode::readFailure, true},
        {"line description of line ends", "\r\n\r\n", train(), ErrorCode::generalHeaderMissing,
         false},
        {"line description of blanks", "   ", train(), ErrorCode::generalHeaderMissing, false},
        // A train description without fields has no header: nothing is interpreted.
        {"empty train description", shortLine(), "", ErrorCode::none, true},
        {"train description of its header", shortLine(), "[generale]\r\n", ErrorCode::none, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = compile(c.line, c.train);
        EXPECT_EQ(r.model.error.errorCode, c.code);
        EXPECT_TRUE(r.reading.lineConsumed);
        EXPECT_EQ(r.reading.trainConsumed, c.trainConsumed);
    }
}

TEST(Limits, HugeDescriptionsAreReadToTheirEnd) {
    // 16 MB each here, to keep the sanitized suite quick; docs/limits.md records the
    // 100 MB case measured on an optimised build.
    const std::size_t bytes = 16 << 20;
    const std::string lineFiller = "-- commento\r\ncurvas3, 100, 200\r\n[curve]\r\n";
    const std::string trainFiller = "velocita, 0, 100\r\nsabbia, 300\r\n[stazioni]\r\n";
    const std::string line =
        shortLine(repeated(lineFiller, bytes / lineFiller.size()) + "pendenza, 0, 7\r\n");
    const std::string trainText =
        train(repeated(trainFiller, bytes / trainFiller.size()) + "sabbia, 301\r\n");
    ASSERT_GE(line.size(), bytes - lineFiller.size());
    ASSERT_GE(trainText.size(), bytes - trainFiller.size());

    const auto r = compile(line, trainText);
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::none);
    // The records after the filler were read.
    EXPECT_EQ(r.model.routeTable[0].gradient, 107);
    EXPECT_EQ(r.model.lineTable[kRepetitionEntry].int1, 301);
    EXPECT_EQ(r.model.routeTable[100].speedLimit, 20);
}

}  // namespace
}  // namespace scenario
