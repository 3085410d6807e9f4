// What changed in the track (gradient, speed limit, adhesion, mountain stretches, curves) and in
// the general data of the line and the train, between two compiled scenarios.
#pragma once

#include <set>
#include <vector>

#include "compiler/scenario_model.h"
#include "tools/diff/diff_change.h"

namespace tool {

// Stretches of cells where one kind of track data differs, each told once with where it
// starts and ends. `mountainCells` receives the cells of the mountain stretches that changed,
// on either side, whose markers follow from that change.
void compareTrackData(const scenario::RouteTable& a, const scenario::RouteTable& b,
                      std::vector<Change>& out, std::set<int>& mountainCells);

// Curves, told as stretches where the track turns differently (from the plan's points).
void compareCurves(const scenario::TrackPlan& a, const scenario::TrackPlan& b,
                   std::vector<Change>& out);

// Entries 81 to 86 by field name, and the stamps of route cell 1 when both routes are given.
// A scenario code that differs only because the names do (each as its names give it) is
// folded into the change of name.
void compareGeneralData(const scenario::LineTable& a, const scenario::LineTable& b,
                        const scenario::RouteTable* routeA, const scenario::RouteTable* routeB,
                        std::vector<Change>& out);

}  // namespace tool
