// The pass over the route that adds speed-supervision marks around slowdowns: before signals
// that precede a warning board, before slowdown starts, inside slow slowdowns and before the
// first signal after them.
#pragma once

#include <cstdint>

#include "compiler/scenario_model.h"

namespace scenario {

inline constexpr std::int16_t kMarkSpeed = 180;

// The smaller of x and y (x on equality).
std::int16_t minimo(std::int16_t x, std::int16_t y);

// Runs the pass over model.routeTable; records in model.error the marks it finds no free cell
// for (ErrorCode::noCellForMark...). Returns whether it recorded any.
bool postProcessSignals(ScenarioModel& model);

}  // namespace scenario
