// The author's picture of a compiled scenario as plain SVG 1.1: the track plan to scale with
// its objects, and under it the profile against distance.
#pragma once

#include <string>

#include "compiler/scenario_model.h"

namespace tool {

struct MapSources {
    const scenario::RouteTable* route = nullptr;  // required
    const scenario::LineTable* train = nullptr;   // names of stations and boards, line length
    const scenario::TrackPlan* plan = nullptr;    // without it, the profile alone
};

std::string renderMapSvg(const MapSources& sources);

}  // namespace tool

