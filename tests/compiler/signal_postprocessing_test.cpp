#include "compiler/signal_postprocessing.h"

#include "compile_support.h"

#include <gtest/gtest.h>

#include <map>

namespace scenario {
namespace {

// A route of `last` + 1 cells with the given kinds; a slowdown start holds its speed.
ScenarioModel route(int last, const std::map<int, std::uint8_t>& kinds, std::int16_t speed = 60) {
    ScenarioModel m;
    m.lastCell = last;
    m.routeTable.assign(static_cast<std::size_t>(last) + 1, RouteCell{});
    for (const auto& [cell, kind] : kinds) {
        m.routeTable[static_cast<std::size_t>(cell)].kind = kind;
        if (kind == CellKind::kSlowdownStart)
            m.routeTable[static_cast<std::size_t>(cell)].value1 = speed;
    }
    return m;
}

std::vector<int> marks(const ScenarioModel& m) {
    std::vector<int> cells;
    for (std::size_t c = 0; c < m.routeTable.size(); ++c) {
        if (m.routeTable[c].kind == CellKind::kMark) cells.push_back(static_cast<int>(c));
    }
    return cells;
}

constexpr std::uint8_t kSignal = CellKind::kSignal;
constexpr std::uint8_t kBoard = CellKind::kWarningBoard;
constexpr std::uint8_t kStart = CellKind::kSlowdownStart;
constexpr std::uint8_t kEnd = CellKind::kSlowdownEnd;
constexpr std::uint8_t kTaken = CellKind::kStationStop;

TEST(SignalPostprocessing, RouteWithoutSlowdownsIsUnchanged) {
    ScenarioModel m = route(100, {{10, kSignal}, {20, CellKind::kMountainMarker}, {30, 6}});
    const RouteTable before = m.routeTable;
    postProcessSignals(m);
    EXPECT_EQ(m.routeTable, before);
    EXPECT_EQ(m.error.errorCode, ErrorCode::none);
}

TEST(SignalPostprocessing, MarksBeforeSignalsAheadOfAWarningBoard) {
    // Signals 1 and 5 cells before the board get marks; one 21 cells before (cell 29) does not; one
    // in cell 2 is never treated.
    ScenarioModel m = route(100, {{29, kSignal}, {45, kSignal}, {49, kSignal}, {50, kBoard}});
    postProcessSignals(m);
    EXPECT_EQ(marks(m), (std::vector<int>{44, 48}));
    EXPECT_EQ(m.routeTable[44].value1, 180);
    ScenarioModel low = route(100, {{2, kSignal}, {10, kBoard}});
    postProcessSignals(low);
    EXPECT_TRUE(marks(low).empty());
}

TEST(SignalPostprocessing, TwoBoardsAfterOneSignal) {
    ScenarioModel m = route(100, {{40, kSignal}, {45, kBoard}, {50, kBoard}});
    postProcessSignals(m);
    EXPECT_EQ(marks(m), (std::vector<int>{38, 39}));
    // With d - 2 taken, the second board lowers the first mark's value (to at most 180).
    ScenarioModel t = route(100, {{38, kTaken}, {40, kSignal}, {45, kBoard}, {50, kBoard}});
    t.routeTable[39].kind = CellKind::kMark;
    t.routeTable[39].value1 = 250;
    postProcessSignals(t);
    EXPECT_EQ(t.routeTable[39].value1, 180);
    EXPECT_EQ(t.error.errorCode, ErrorCode::none);
    ScenarioModel f = route(100, {{38, kTaken}, {39, kTaken}, {40, kSignal}, {45, kBoard}});
    postProcessSignals(f);
    EXPECT_EQ(f.error.errorCode, ErrorCode::noCellForMarkBeforeSignalAheadOfBoard);
    EXPECT_EQ(f.error.errorPosition, 40 * 50);
}

TEST(SignalPostprocessing, MarksBeforeASlowdownStart) {
    ScenarioModel m = route(200, {{100, kStart}, {110, kEnd}}, 120);
    postProcessSignals(m);
    EXPECT_EQ(marks(m), (std::vector<int>{82, 89, 95}));
    // The first free cell of each group takes the mark.
    ScenarioModel busy = route(200, {{95, kTaken}, {96, kTaken}, {100, kStart}, {110, kEnd}}, 120);
    postProcessSignals(busy);
    EXPECT_EQ(marks(busy), (std::vector<int>{82, 89, 94}));
    ScenarioModel full =
        route(200, {{93, kTaken}, {94, kTaken}, {95, kTaken}, {100, kStart}, {110, kEnd}}, 120);
    postProcessSignals(full);
    EXPECT_EQ(full.error.errorCode, ErrorCode::noCellForMarkBeforeSlowdown);
    EXPECT_EQ(full.error.errorPosition, 100 * 50);
}

TEST(SignalPostprocessing, StartsNearTheLineStartGetFewerGroups) {
    struct Case {
        int start;
        std::size_t marks;
    };
    for (const Case c :
         {Case{7, 0}, Case{8, 1}, Case{13, 1}, Case{14, 2}, Case{20, 2}, Case{21, 3}}) {
        ScenarioModel m = route(100, {{c.start, kStart}, {c.start + 2, kEnd}}, 120);
        postProcessSignals(m);
        EXPECT_EQ(marks(m).size(), c.marks) << "start cell " << c.start;
    }
}

TEST(SignalPostprocessing, MarksInsideSlowSlowdownsOnly) {
    ScenarioModel fast = route(200, {{30, kStart}, {60, kEnd}}, 110);
    postProcessSignals(fast);
    EXPECT_EQ(marks(fast), (std::vector<int>{12, 19, 25}));
    ScenarioModel slow = route(200, {{30, kStart}, {60, kEnd}}, 109);
    postProcessSignals(slow);
    EXPECT_EQ(marks(slow), (std::vector<int>{12, 19, 25, 38, 46, 54}));
}

TEST(SignalPostprocessing, MarkInsideMovesAsideAndKeepsTheSpacing) {
    // Cell 38 is taken: the mark goes to 37 and the next is due 8 cells after it, at 45.
    ScenarioModel m = route(200, {{30, kStart}, {38, kTaken}, {60, kEnd}}, 60);
    postProcessSignals(m);
    EXPECT_EQ(marks(m), (std::vector<int>{12, 19, 25, 37, 45, 53}));
    // 37 taken too: 39, then 8 after it.
    ScenarioModel n = route(200, {{30, kStart}, {37, kTaken}, {38, kTaken}, {60, kEnd}}, 60);
    postProcessSignals(n);
    EXPECT_EQ(marks(n), (std::vector<int>{12, 19, 25, 39, 47, 55}));
}

TEST(SignalPostprocessing, FullSlowdownRecordsOneCode13) {
    std::map<int, std::uint8_t> kinds{{30, kStart}, {60, kEnd}};
    for (int c = 31; c < 60; ++c) kinds[c] = kTaken;
    ScenarioModel m = route(200, kinds, 60);
    postProcessSignals(m);
    EXPECT_EQ(m.error.errorCode, ErrorCode::noCellForMarkInsideSlowdown);
    EXPECT_EQ(m.error.errorPosition, 38 * 50);
    EXPECT_EQ(marks(m), (std::vector<int>{12, 19, 25}));
}

TEST(SignalPostprocessing, MarkDueAtTheEndCellGoesBesideIt) {
    ScenarioModel m = route(200, {{30, kStart}, {38, kEnd}}, 60);
    postProcessSignals(m);
    EXPECT_EQ(marks(m), (std::vector<int>{12, 19, 25, 37}));
    EXPECT_EQ(m.routeTable[38].kind, kEnd);
}

TEST(SignalPostprocessing, MarkBeforeTheFirstSignalAfterASlowSlowdown) {
    ScenarioModel m = route(200, {{30, kStart}, {35, kEnd}, {40, kSignal}, {44, kSignal}}, 60);
    postProcessSignals(m);
    EXPECT_EQ(marks(m), (std::vector<int>{12, 19, 25, 39}));
    ScenarioModel far = route(200, {{30, kStart}, {35, kEnd}, {48, kSignal}}, 60);
    postProcessSignals(far);
    EXPECT_EQ(marks(far), (std::vector<int>{12, 19, 25}));
    ScenarioModel fast = route(200, {{30, kStart}, {35, kEnd}, {40, kSignal}}, 110);
    postProcessSignals(fast);
    EXPECT_EQ(marks(fast), (std::vector<int>{12, 19, 25}));
    ScenarioModel blocked =
        route(200, {{30, kStart}, {35, kEnd}, {38, kTaken}, {39, kTaken}, {40, kSignal}}, 60);
    postProcessSignals(blocked);
    EXPECT_EQ(blocked.error.errorCode, ErrorCode::noCellForMarkInsideSlowdown);
    EXPECT_EQ(blocked.error.errorPosition, 35 * 50);
}

TEST(SignalPostprocessing, StaysInsideTheRoute) {
    // A start whose end is gone, and a slowdown ending in the last cells: the walk and the
    // look-ahead stop at the end of the table.
    ScenarioModel open = route(60, {{50, kStart}}, 60);
    postProcessSignals(open);
    EXPECT_EQ(marks(open), (std::vector<int>{32, 39, 45, 58}));
    ScenarioModel edge = route(60, {{52, kStart}, {60, kEnd}}, 60);
    postProcessSignals(edge);
    EXPECT_EQ(marks(edge), (std::vector<int>{34, 41, 47, 59}));
}

}  // namespace
}  // namespace scenario

namespace scenario {
namespace {

TEST(SignalPostprocessing, ACodeOfThePassPointsAtNoRecord) {
    // The train reader fails on a signal in the slowdown's start cell (its cell is taken, at that
    // record).
    const std::string slowdown =
        "rallentamento, 5000, 60, 300, 0, 0, 0\r\nsegnale, 5000, 1,1,1,1,0,1,1,1,1,0\r\n";
    const auto reader = testing::compile(testing::shortLine(), testing::train(slowdown));
    EXPECT_EQ(reader.model.error.errorCode, ErrorCode::signalCellTaken);
    EXPECT_EQ(reader.reading.site.file, Description::train);
    // With signals in cells 94 to 96 the pass then finds no cell for the mark 250 to 350 m
    // before the start (cell 101): its code replaces the reader's and names no record.
    const auto pass = testing::compile(
        testing::shortLine(),
        testing::train(
            "segnale, 4750, 1,1,1,1,0,1,1,1,1,0\r\nsegnale, 4700, 1,1,1,1,0,1,1,1,1,0\r\n"
            "segnale, 4650, 1,1,1,1,0,1,1,1,1,0\r\n" +
            slowdown));
    EXPECT_EQ(pass.model.error.errorCode, ErrorCode::noCellForMarkBeforeSlowdown);
    EXPECT_EQ(pass.model.error.errorPosition, 101 * 50);
    EXPECT_EQ(pass.reading.site.file, Description::none);
}

}  // namespace
}  // namespace scenario
