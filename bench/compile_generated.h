// Compiling a generated scenario in memory, as the installer compiles the carried one, and
// encoding its three compiled files without writing them anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "bench/generated_scenario.h"
#include "compiler/error_codes.h"

namespace bench {

struct CompileOutcome {
    std::optional<scenario::ErrorCode> errorCode;  // nothing before the compilation
    std::int32_t planLength = 0;
    std::int32_t lastCell = 0;
    int stations = 0;  // LineTable entries that received a station
    // Cells holding each kind of object once the route is complete: a stop cell laid over a
    // signal or a board would take it away without any failure being recorded.
    int signalCells = 0;
    int speedIndicatorCells = 0;
    int stationStopCells = 0;
    std::size_t planBytes = 0;
    std::size_t trainBytes = 0;
    std::size_t routeBytes = 0;
    bool stamped = false;
};

// Reads both descriptions from memory, post-processes, stamps, and encodes the line plan,
// train and route files into a sink that only counts their bytes.
CompileOutcome compileGenerated(const GeneratedScenario& generated);

// Empty when `outcome` is what the generated scenario must compile to: no recorded failure,
// every station stored, every signal, board and stop in a cell of its own, and files of the sizes
// the formats give for its length (20 x planLength - 36 bytes of plan, 15 bytes a cell of route).
// Otherwise what differs.
std::string checkOutcome(const GeneratedScenario& generated, const CompileOutcome& outcome);

}  // namespace bench
