// What changed between two compiled scenarios, told in the author's terms: signals, stations,
// slowdowns, boards and marks as objects; gradient, speed limit, adhesion, mountain stretches
// and curves as stretches of the line; the general data by field name.
#pragma once

#include <vector>

#include "compiler/scenario_model.h"
#include "tools/descriptions/object_sources.h"
#include "tools/diff/diff_change.h"

namespace tool {

struct ScenarioSide {
    const scenario::RouteTable* route = nullptr;
    const scenario::LineTable* train = nullptr;
    const scenario::TrackPlan* plan = nullptr;
    // The trace of the compilation that made the route, when it was compiled here: each change
    // then names the file:line of its record, and positions are those written.
    const TracedSources* sources = nullptr;
};

// One change a line, in the order: general data, stations, slowdowns, signals and other
// objects, track data, curves, then whatever no change explains, by cell. What follows from a
// changed signal, station or slowdown (its approach codes, a slowdown's warning board and
// countdown cells, the speed marks the compiler adds around it, station numbers that shift) is
// folded into that change. Anything else that differs is told by cell, so that sets that differ
// are never told as the same.
std::vector<Change> scenarioChanges(const ScenarioSide& a, const ScenarioSide& b);

}  // namespace tool
