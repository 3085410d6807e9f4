// The in-memory form of one compiled scenario: the route in 50-metre cells, the table of
// stations, boards and general data, the per-metre track plan, the mountain stretches and the
// compiler's error state. Field widths and field order are those the compiled files carry.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "compiler/error_codes.h"
#include "compiler/track_plan.h"

namespace scenario {

class CompilationObserver;

// One 50-metre cell of the route. The compiled route file stores these fields in this order,
// 15 bytes per cell with no alignment byte.
struct RouteCell {
    std::uint8_t kind = 0;  // object in the cell, see CellKind; 0 = nothing
    std::int16_t value1 = 0;
    std::int16_t value2 = 0;
    std::int16_t value3 = 0;
    std::int16_t value4 = 0;
    std::uint8_t timing = 0;      // signal timing value
    std::uint8_t approach = 0;    // approach code of a following signal or station
    std::uint8_t zone = 0;        // mountain stretch type
    std::uint8_t speedLimit = 0;  // line speed limit in units of 5 km/h
    std::uint8_t gradient = 0;    // per mille + 100
    std::uint8_t adhesion = 0;

    friend bool operator==(const RouteCell&, const RouteCell&) = default;
};

// Object kinds held in RouteCell::kind.
namespace CellKind {
inline constexpr std::uint8_t kNothing = 0;
inline constexpr std::uint8_t kSignal = 1;
inline constexpr std::uint8_t kSlowdownEnd = 2;
inline constexpr std::uint8_t kSlowdownStart = 3;
inline constexpr std::uint8_t kWarningBoard = 4;
inline constexpr std::uint8_t kCountdown = 5;
inline constexpr std::uint8_t kSpeedIndicator = 6;
inline constexpr std::uint8_t kStationStop = 10;
inline constexpr std::uint8_t kMountainMarker = 11;
inline constexpr std::uint8_t kMark = 12;
inline constexpr std::uint8_t kMarkWithoutSpeed = 13;
inline constexpr std::uint8_t kLocationBoard = 14;
}  // namespace CellKind

// A cell may take a new object when it holds nothing or only a mountain marker.
inline bool isFree(const RouteCell& cell) {
    return cell.kind == CellKind::kNothing || cell.kind == CellKind::kMountainMarker;
}

// One entry of the LineTable: a station, a board text, or general line and train data.
// `text` holds Windows-1252 bytes exactly as they are written to the train file.
struct LineRecord {
    std::uint8_t kind = 0;
    std::int32_t long1 = 0;
    std::int32_t long2 = 0;
    std::int32_t long3 = 0;
    std::uint8_t flag = 0;
    std::string text;
    std::int16_t int1 = 0;
    std::int16_t int2 = 0;
    std::int16_t int3 = 0;
    std::int16_t int4 = 0;
    std::int16_t int5 = 0;
    std::uint8_t byte1 = 0;
    std::uint8_t byte2 = 0;
    std::uint8_t byte3 = 0;
    std::uint8_t byte4 = 0;
    std::int32_t long4 = 0;

    friend bool operator==(const LineRecord&, const LineRecord&) = default;
};

inline constexpr int kLineTableEntries = 87;  // entries 0 to 86
inline constexpr int kFirstBoardEntry = 80;   // board texts are stored from entry 80 downward
inline constexpr int kProgressiveTre = 81;
inline constexpr int kProgressiveDue = 82;
inline constexpr int kProgressiveUno = 83;
inline constexpr int kTrainGeneral = 84;
inline constexpr int kLineGeneral = 85;
inline constexpr int kRepetitionEntry = 86;

using RouteTable = std::vector<RouteCell>;  // cells 0 to lastCell
using LineTable = std::array<LineRecord, kLineTableEntries>;

struct ErrorState {
    ErrorCode errorCode = ErrorCode::none;
    std::int32_t errorPosition = 0;
};

inline constexpr int kMountainEntries = 81;  // entries 0 to 80; 1 to 80 are usable

// The whole model of one run. The installer's window owns one of these for the run.
struct ScenarioModel {
    TrackPlan trackPlan;
    RouteTable routeTable;
    LineTable lineTable;
    // Where each mountain stretch ends: a stretch that starts soon after the previous one
    // continues it.
    std::array<std::int32_t, kMountainEntries> mountainEnd{};
    std::int32_t mountainCount = 0;
    std::int32_t makeTrackPlan = 0;
    std::string trainName;
    std::string lineName;
    std::int32_t planLength = 0;
    std::int32_t lastCell = 0;
    ErrorState error;
    // Set by tools that follow what the compilation reads and places (compilation_observer.h).
    CompilationObserver* observer = nullptr;

    bool routeDimensioned() const { return !routeTable.empty(); }
};

}  // namespace scenario
