// What changed between two compiled scenarios, told object by object in the author's terms.
#pragma once

#include <string>
#include <vector>

#include "compiler/scenario_model.h"

namespace tool {

struct ScenarioSide {
    const scenario::RouteTable* route = nullptr;
    const scenario::LineTable* train = nullptr;
    const scenario::TrackPlan* plan = nullptr;
};

// One line a change. Objects are matched by kind and values; an object that disappears while
// one of the same kind and values appears within 1000 m is told as moved. Cell differences no
// object change explains are told cell by cell, so differing sets never give no line.
std::vector<std::string> scenarioChanges(const ScenarioSide& a, const ScenarioSide& b);

}  // namespace tool
