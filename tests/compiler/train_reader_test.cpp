#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compile_support.h"

namespace scenario {
namespace {

using testing::compile;
using testing::shortLine;
using testing::train;

// The carried line's length: lastCell 3520.
std::string longLine(const std::string& records = "") {
    return "[generale]\r\nlunghezza percorso, 169000\r\n[curve]\r\n" + records + "[fine]\r\n";
}

TEST(TrainReader, StoresTheStationsWithTheirAreasAndCells) {
    const auto r = compile(
        longLine(),
        train("stazione,       0,  2,  900,  1, 0, 0,  4,1,1,  2,1,1,    1,   9, 8, 0, GENOVA "
              "BRIGNOLE\r\n"
              "stazione,    1000, 28,  200,  0, 0, 0,  0,0,0,  0,0,0,    0,   0, 0, 0, PB 15\r\n"
              "stazione,   20000,  7,  400,  0, 0, 1,  0,0,0,  0,0,0,    0,   0, 0, 0, SETTE\r\n"
              "stazione,   30000, 12,  500,  0, 1, 1,  0,0,0,  0,0,0,    0,   0, 0, 0, CORTA\r\n"
              "stazione,  169000,  6,  700,  1, 1, 0,  1,1,0,  2,1,1,    0,  10,52, 0, TORINO "
              "PORTA NUOVA\r\n"));
    ASSERT_EQ(r.model.error.errorCode, ErrorCode::none);
    const LineTable& t = r.model.lineTable;
    const RouteTable& c = r.model.routeTable;

    const LineRecord& first = t[1];
    EXPECT_EQ(first.kind, 2);
    EXPECT_EQ(first.long1, -450);
    EXPECT_EQ(first.long2, 450);
    EXPECT_EQ(first.long3, 0);
    EXPECT_EQ(first.flag, 1);
    EXPECT_EQ(first.text, "GENOVA BRIGNOLE");
    EXPECT_EQ(first.int1, 4);
    EXPECT_EQ(first.int2, 1);
    EXPECT_EQ(first.byte1, 1);
    EXPECT_EQ(first.int3, 2);
    EXPECT_EQ(first.int4, 1);
    EXPECT_EQ(first.int5, 1);
    EXPECT_EQ(first.byte2, 1);
    EXPECT_EQ(first.byte3, 0);
    EXPECT_EQ(first.byte4, 0);
    EXPECT_EQ(first.long4, (9 * 60 + 8) * 60);
    EXPECT_EQ(c[8].kind, 10);
    EXPECT_EQ(c[8].value1, 1);
    EXPECT_EQ(c[7].approach, 81);
    EXPECT_EQ(c[6].approach, 82);
    EXPECT_EQ(c[5].approach, 83);
    EXPECT_EQ(c[4].approach, 84);

    // Kind 28: an area and nothing in the cells.
    EXPECT_EQ(t[2].long1, 900);
    EXPECT_EQ(t[2].long2, 1100);
    EXPECT_EQ(c[21].kind, 0);
    EXPECT_EQ(c[19].approach, 0);

    // Kind 7: the area reaches the length on both sides whatever field 6 says.
    EXPECT_EQ(t[3].long1, 19600);
    EXPECT_EQ(t[3].long2, 20400);
    EXPECT_EQ(t[3].byte3, 0);
    EXPECT_EQ(c[407].kind, 10);
    EXPECT_EQ(c[407].value1, 3);
    EXPECT_EQ(c[406].approach, 81);
    EXPECT_EQ(c[403].approach, 84);

    // An ordinary station lengthened by 50 m; shorter than 600 m, so field 5 is cleared.
    EXPECT_EQ(t[4].long1, 29750);
    EXPECT_EQ(t[4].long2, 30300);
    EXPECT_EQ(t[4].byte3, 1);
    EXPECT_EQ(t[4].byte4, 0);
    EXPECT_EQ(c[605].kind, 10);

    // A terminus of kind 6: no approach cells.
    EXPECT_EQ(t[5].long1, 168300);
    EXPECT_EQ(t[5].long2, 169150);
    EXPECT_EQ(c[3382].kind, 10);
    EXPECT_EQ(c[3382].value1, 5);
    EXPECT_EQ(c[3381].approach, 0);
    EXPECT_EQ(t[5].long4, (10 * 60 + 52) * 60);
}

struct CodeCase {
    const char* name;
    std::string line;
    std::string train;
    ErrorCode code;
    std::int32_t position;
    bool filled;  // the end-of-file fills ran
};

TEST(TrainReader, RecordsEachFailureWithItsPosition) {
    const std::string speed = "velocita, 0, 70\r\n";
    std::string manyStations;
    for (int i = 0; i < 79; ++i) {
        manyStations += "stazione, " + std::to_string(1000 + i * 500) +
                        ", 28, 100, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, S\r\n";
    }
    const std::vector<CodeCase> cases = {
        {"station position", longLine(),
         speed + "stazione, 125, 2, 200, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, X\r\n",
         ErrorCode::stationPositionNotMultipleOf50, 125, false},
        {"station length", longLine(),
         speed + "stazione, 1000, 2, 450, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, X\r\n",
         ErrorCode::stationLengthNotMultipleOf100, 1000, false},
        {"station area ending at 100 m", longLine(),
         speed + "stazione, 50, 2, 100, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, X\r\n",
         ErrorCode::stationAreaEndsTooEarly, 0, false},
        {"stations out of order", longLine(),
         speed + "stazione, 5000, 2, 200, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, A\r\n"
                 "stazione, 5400, 2, 200, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, B\r\n",
         ErrorCode::stationAreaTooClose, 5400, false},
        {"the 79th station", longLine(), speed + manyStations, ErrorCode::tooManyStations, 0,
         false},
        {"station past the route", longLine(),
         speed + "stazione, 175250, 2, 200, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, X\r\n",
         ErrorCode::positionOutsideRoute, 175250, true},
        {"signal past the route", shortLine(), speed + "segnale, 16901, 1,1,1,1,0,1,1,1,1,0\r\n",
         ErrorCode::positionOutsideRoute, 16901, true},
        {"signal on a taken cell", shortLine(),
         speed + "segnale, 1000, 1,1,1,1,0,1,1,1,1,0\r\nsegnale, 990, 1,1,1,1,0,1,1,1,1,0\r\n",
         ErrorCode::signalCellTaken, 990, false},
        {"signal before the start of the line", shortLine(),
         speed + "segnale, -100, 1,1,1,1,0,1,1,1,1,0\r\n", ErrorCode::positionOutsideRoute, -100,
         true},
        {"slowdown ending past the route", shortLine(),
         speed + "rallentamento, 5000, 60, 20000, 0, 0, 0\r\n", ErrorCode::positionOutsideRoute,
         5000, true},
        {"mark on a taken cell", shortLine(),
         speed + "segnale, 1000, 1,1,1,1,0,1,1,1,1,0\r\nabbattimento, 1050, 100\r\n",
         ErrorCode::abbattimentoCellTaken, 1050, false},
        {"mark before the start of the line", shortLine(), speed + "abbattimento, -30, 100\r\n",
         ErrorCode::positionOutsideRoute, -30, true},
        {"speed not fitting a cell", shortLine(), "velocita, 0, 1280\r\nvelocita, 100, 70\r\n",
         ErrorCode::readFailure, 0, false},
        {"sand past 16 bits", shortLine(), "sabbia, 40000\r\n", ErrorCode::readFailure, 0, false},
        {"values missing at the end", shortLine(), speed + "segnale, 1000, 1, 1\r\n",
         ErrorCode::readFailure, 0, false},
        {"progressive not a multiple of 50",
         "[generale]\r\nlunghezza percorso, 10000\r\nprogressiva tre, 120, 0, 0\r\n[c]\r\nx\r\n",
         speed, ErrorCode::progressiveNotMultipleOf50, 0, true},
        {"a position outside the route in the line ends the reading at the first signal",
         shortLine("pendenza, 16901, 1\r\n"),
         speed + "segnale, 1000, 1,1,1,1,0,1,1,1,1,0\r\nsabbia, 3\r\n",
         ErrorCode::positionOutsideRoute, 1000, false},
    };
    for (const CodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = compile(c.line, train(c.train));
        EXPECT_EQ(r.model.error.errorCode, c.code);
        EXPECT_EQ(r.model.error.errorPosition, c.position);
        EXPECT_TRUE(r.reading.trainConsumed);
        EXPECT_EQ(r.model.routeTable[100].speedLimit, c.filled ? 14 : 0);
    }
}

TEST(TrainReader, ReadFailureNamesTheTrainFileAndPlace) {
    const auto r = compile(shortLine(), train("sabbia, 300\r\n  orologio, 9 7 x\r\n"));
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::readFailure);
    EXPECT_EQ(r.reading.site.file, Description::train);
    EXPECT_EQ(r.reading.site.place, (SourcePlace{3, 17}));
    EXPECT_TRUE(r.reading.lineConsumed);
    EXPECT_EQ(r.model.lineTable[86].int1, 300);  // what was read before stays
}

// A speed that fits no cell fails only when a later record, or the end of the file, writes it
// into cells; the failure names the speed's own field and record, with the code unchanged.
TEST(TrainReader, ASpeedThatFitsNoCellFailsAtItsOwnField) {
    for (const std::string after : {"velocita, 2000, 100\r\nvelocita, 3000, 100\r\n", ""}) {
        SCOPED_TRACE(after);
        const auto r =
            compile(shortLine(), train("velocita, 0, 80\r\nvelocita,  1000,  1500\r\n" + after));
        EXPECT_EQ(r.model.error.errorCode, ErrorCode::readFailure);
        EXPECT_EQ(r.reading.site.file, Description::train);
        EXPECT_EQ(r.reading.site.place, (SourcePlace{3, 19}));  // the 1 of 1500
        EXPECT_EQ(r.reading.site.record, (SourcePlace{3, 1}));
        EXPECT_EQ(r.reading.site.detail, "the speed 1500 km/h does not fit in a cell");
    }
}

TEST(TrainReader, StationValuesPast32BitsFailAtTheRecord) {
    struct Case {
        std::string record;
        const char* detail;
        const char* name;  // the scheduled time fails before the name is read, an area after
    };
    const std::string fields = ", 1,0,0, 0,0,0, 0,0,0,0, ";
    const std::vector<Case> cases = {
        {"stazione, 1000, 28, 100" + fields + "596524,0,0, S\r\n",
         "the station's scheduled time does not fit in 32 bits", ""},
        {"stazione, -2000000000, 2, 2000000000" + fields + "0,0,0, S\r\n",
         "the station's area start does not fit in 32 bits", "S"},
        {"stazione, 1000, 7, 2147483600" + fields + "0,0,0, S\r\n",
         "the station's area end does not fit in 32 bits", "S"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        const auto r = compile(shortLine(), train("sabbia, 3\r\n" + c.record));
        EXPECT_EQ(r.model.error.errorCode, ErrorCode::readFailure);
        EXPECT_EQ(r.reading.site.file, Description::train);
        EXPECT_EQ(r.reading.site.place, (SourcePlace{3, 1}));
        EXPECT_EQ(r.reading.site.detail, c.detail);
        EXPECT_EQ(r.model.lineTable[1].text, c.name);
    }
}

TEST(TrainReader, MissingTrainFileIsAReadFailure) {
    const auto r = compile(shortLine(), std::nullopt);
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::readFailure);
    EXPECT_TRUE(r.reading.lineConsumed);
}

TEST(TrainReader, SeventyEightStationsFit) {
    std::string stations;
    for (int i = 0; i < 78; ++i) {
        stations += "stazione, " + std::to_string(1000 + i * 500) +
                    ", 28, 100, 0,0,0, 0,0,0, 0,0,0, 0, 0,0,0, S\r\n";
    }
    EXPECT_EQ(compile(longLine(), train(stations)).model.error.errorCode, ErrorCode::none);
    // Each location board takes one station's entry.
    const auto boarded = compile(longLine("cartello_indicatore, 150000, (B)\r\n"), train(stations));
    EXPECT_EQ(boarded.model.error.errorCode, ErrorCode::tooManyStations);
}

TEST(TrainReader, SpeedAndAdhesionStretches) {
    const auto r = compile(shortLine(), train("velocita,       0,    70\r\n"
                                              "velocita,    4200,   100\r\n"
                                              "velocita,    4200,   73\r\n"  // cursor already there
                                              "aderenza,   0,    300\r\n"
                                              "aderenza,   1000,    50\r\n"));
    const RouteTable& t = r.model.routeTable;
    ASSERT_EQ(r.model.error.errorCode, ErrorCode::none);
    for (int c = 0; c <= 83; ++c) EXPECT_EQ(t[c].speedLimit, 14) << c;
    EXPECT_EQ(t[84].speedLimit, 20);  // one cell with the previous limit
    EXPECT_EQ(t[85].speedLimit, 15);  // 73 / 5 = 14.6
    EXPECT_EQ(t[337].speedLimit, 15);
    EXPECT_EQ(t[338].speedLimit, 0);
    EXPECT_EQ(t[340].speedLimit, 0);
    EXPECT_EQ(t[19].adhesion, 44);  // low 8 bits of 300
    EXPECT_EQ(t[20].adhesion, 50);
    EXPECT_EQ(t[337].adhesion, 50);
    EXPECT_EQ(t[338].adhesion, 0);
}

// A speed that fills no cell before the next one takes over is never stored, so it cannot fail
// to fit; one that fills a cell can.
TEST(TrainReader, OnlyASpeedThatFillsACellMustFitIt) {
    const auto replaced = compile(shortLine(), train("velocita, 0, 1280\r\nvelocita, 0, 70\r\n"));
    EXPECT_EQ(replaced.model.error.errorCode, ErrorCode::none);
    EXPECT_EQ(replaced.model.routeTable[0].speedLimit, 14);
    const auto stored = compile(shortLine(), train("velocita, 0, 1280\r\nvelocita, 50, 70\r\n"));
    EXPECT_EQ(stored.model.error.errorCode, ErrorCode::readFailure);
}

TEST(TrainReader, AdhesionCursorStaysInsideTheRoute) {
    std::string records = "aderenza, 0, 1\r\n";
    for (int i = 0; i < 400; ++i) records += "aderenza, 16800, 2\r\n";
    const auto r = compile(shortLine(), train(records));
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::none);
    EXPECT_EQ(r.model.routeTable[339].adhesion, 2);
}

TEST(TrainReader, GeneralValuesAndKeywordRules) {
    const auto r = compile(shortLine(), train("numero VETTURE,    12\r\n"
                                              "percentuale massa frenata,    125\r\n"
                                              "- commento, -sabbia, sabbia,    300\r\n"
                                              "orologio,    9               7             0 \r\n"));
    const LineTable& t = r.model.lineTable;
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::none);
    EXPECT_EQ(t[84].long3, 12);
    EXPECT_EQ(t[84].long1, 125);
    EXPECT_EQ(t[86].int1, 300);
    EXPECT_EQ(t[86].int3, 9);
    EXPECT_EQ(t[86].int4, 7);
    EXPECT_EQ(t[86].int5, 0);
}

TEST(TrainReader, ThirdCommentInARowIsInterpreted) {
    const auto r = compile(shortLine(), train("-a, -b, -sabbia, 300\r\n"));
    EXPECT_EQ(r.model.lineTable[86].int1, 300);
}

TEST(TrainReader, WithoutHeaderNothingIsInterpreted) {
    const auto r = compile(shortLine(), "sabbia, 300\r\nvelocita, 0, 70\r\n");
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::none);
    EXPECT_EQ(r.model.lineTable[86].int1, 0);
    EXPECT_EQ(r.model.routeTable[0].speedLimit, 0);
    EXPECT_TRUE(r.reading.trainConsumed);
}

TEST(Placements, Signals) {
    const auto r = compile(
        "[generale]\r\nlunghezza percorso, 169000\r\n[c]\r\n"
        "montagna, 35000, 36000, 11\r\n"
        "cartello_indicatore, 40000, (X)\r\n[fine]\r\n",
        train("segnale,   35150,   2, 3, 1,  0, 0,    2,  2,1,0, 0\r\n"
              "segnale,   36000,   2, 1, 1,  1, 7,    1,  1,1,1, 30\r\n"
              "segnale,   37000,   2, 1, 1,  1, 0,    1,  1,1,1, 150\r\n"
              "segnale,   38000,   1, 1, 1,  1, 0,    1,  1,1,1, 30\r\n"
              "segnale,     200,   1, 1, 1,  1, 0,    1,  1,1,1, 0\r\n"
              "segnale,   39990,   1, 1, 1,  1, 0,    1,  1,1,1, 0\r\n"));
    const RouteTable& c = r.model.routeTable;
    const RouteCell& example = c[704];
    EXPECT_EQ(example.kind, 1);
    EXPECT_EQ(example.value1, 32);
    EXPECT_EQ(example.value2, 11);
    EXPECT_EQ(example.value3, 0);
    EXPECT_EQ(example.value4, 8);
    EXPECT_EQ(example.timing, 0);
    EXPECT_EQ(c[702].approach, 81);
    EXPECT_EQ(c[700].approach, 82);
    EXPECT_EQ(c[698].approach, 83);
    EXPECT_EQ(c[696].approach, 84);
    EXPECT_EQ(example.zone, 1);     // a mountain marker's cell (704 is the 4th of the stretch)
    EXPECT_EQ(c[721].value4, 77);   // rapp 7, sx 2, dx 1
    EXPECT_EQ(c[721].timing, 101);  // 30 raised to 101
    EXPECT_EQ(c[741].timing, 150);
    EXPECT_EQ(c[761].timing, 0);  // sx 1: no timing
    EXPECT_EQ(c[5].kind, 1);      // under 325 m: the approach cells before the line are left out
    EXPECT_EQ(c[3].approach, 41);
    EXPECT_EQ(c[1].approach, 42);
    // A location board's cell is taken.
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::signalCellTaken);
    EXPECT_EQ(r.model.error.errorPosition, 39990);
}

TEST(Placements, SlowdownsAtTheWarningLimit) {
    const auto at1500 = compile(shortLine(), train("rallentamento, 1500, 60, 500, 3, 1, 0\r\n"));
    const RouteTable& a = at1500.model.routeTable;
    EXPECT_EQ(a[31].kind, 3);
    EXPECT_EQ(a[31].value1, 60);
    EXPECT_EQ(a[31].value3, 3);
    EXPECT_EQ(a[41].kind, 2);
    EXPECT_EQ(a[7].kind, 0);
    EXPECT_EQ(a[6].kind, 0);

    const auto at1550 = compile(shortLine(), train("rallentamento, 1550, 60, 500, 3, 1, 9\r\n"));
    const RouteTable& b = at1550.model.routeTable;
    EXPECT_EQ(b[8].kind, 4);
    EXPECT_EQ(b[8].value1, 60);
    EXPECT_EQ(b[8].value2, 9);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b[7 - i].kind, 5);
        EXPECT_EQ(b[7 - i].value1, i + 1);
        EXPECT_EQ(b[7 - i].value2, i + 1);
    }
    EXPECT_EQ(b[32].kind, 3);
    EXPECT_EQ(b[32].value2, 9);
    EXPECT_EQ(b[42].kind, 2);
}

TEST(Placements, SlowdownEndInTheStartCellLeavesTheStart) {
    const auto r = compile(shortLine(), train("rallentamento, 2000, 60, 10, 0, 0, 0\r\n"));
    EXPECT_EQ(r.model.routeTable[41].kind, 3);
}

TEST(Placements, SlowdownCodes) {
    struct Case {
        const char* name;
        const char* blocker;  // a signal in the way
        ErrorCode code;
        int kind[3];  // what the start, end and warning cells hold afterwards
    };
    // Slowdown at 5000 m, 1000 m long: warning cell 77, start 101, end 121, countdown 76 to 73.
    const std::vector<Case> cases = {
        {"warning",
         "segnale, 3790, 1,1,1,1,0,1,1,1,1,0\r\n",
         ErrorCode::slowdownWarningBoardCellTaken,
         {0, 0, 1}},
        {"start",
         "segnale, 4990, 1,1,1,1,0,1,1,1,1,0\r\n",
         ErrorCode::slowdownStartCellTaken,
         {1, 0, 0}},
        {"end",
         "segnale, 5990, 1,1,1,1,0,1,1,1,1,0\r\n",
         ErrorCode::slowdownEndCellTaken,
         {0, 1, 0}},
        {"countdown",
         "segnale, 3690, 1,1,1,1,0,1,1,1,1,0\r\n",
         ErrorCode::slowdownCountdownCellTaken,
         {3, 2, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = compile(shortLine(), train(std::string("velocita, 0, 70\r\n") + c.blocker +
                                                  "rallentamento, 5000, 60, 1000, 1, 1, 0\r\n"));
        const RouteTable& t = r.model.routeTable;
        EXPECT_EQ(r.model.error.errorCode, c.code);
        EXPECT_EQ(r.model.error.errorPosition, 5000);
        EXPECT_EQ(t[101].kind, c.kind[0]);
        EXPECT_EQ(t[121].kind, c.kind[1]);
        EXPECT_EQ(t[77].kind, c.kind[2]);
    }
}

TEST(Placements, AbbattimentoMarks) {
    const auto r = compile(shortLine("montagna, 1000, 3000, 11\r\n"),
                           train("abbattimento, 2000, 150\r\n"
                                 "abbattimento, 2500, 0\r\n"
                                 "abbattimento, 2700, -5\r\n"
                                 "abbattimento, 1150, 90\r\n"));  // a marker cell is free
    const RouteTable& t = r.model.routeTable;
    EXPECT_EQ(r.model.error.errorCode, ErrorCode::none);
    EXPECT_EQ(t[40].kind, 12);
    EXPECT_EQ(t[40].value1, 150);
    EXPECT_EQ(t[50].kind, 13);
    EXPECT_EQ(t[50].value1, 0);
    EXPECT_EQ(t[54].kind, 13);
    EXPECT_EQ(t[23].kind, 12);
}

}  // namespace
}  // namespace scenario
