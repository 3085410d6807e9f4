// The one entry to the compiler: the compiler's half of memorizza_percorso. It makes a fresh
// model, reads both descriptions into it, post-processes the route and stamps the format marks
// and scenario codes; the compiled files it then gives are written by the shell, which also
// deletes the descriptions the reading consumed and tells a stamp failure its own way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/compiled_files.h"
#include "compiler/description_sources.h"
#include "compiler/memorizza_percorso.h"
#include "compiler/scenario_model.h"

namespace scenario {

class CompilationObserver;

// The names every compiled file's name and the scenario codes are made from.
struct ScenarioNames {
    std::string line;
    std::string train;
};

struct CompileOptions {
    // The argument j of memorizza_percorso: non-zero builds the track plan and gives the line
    // plan file among the compiled files.
    std::int32_t makeTrackPlan = 1;
    // Told each record read and each cell placed; only while the route is being made.
    CompilationObserver* observer = nullptr;
    // Whether the track plan's points are stored for readers of single points, or the plan is
    // kept as its drawing and its points computed only as the line plan file is written.
    PlanPoints planPoints = PlanPoints::stored;
};

struct Compilation {
    ScenarioModel model;
    ReadingResult reading;  // which descriptions were consumed, where the last failure arose
    StampResult stamp = StampResult::noRoute;

    // The compiled files in the order they are written; none unless the stamps were made.
    // The producers read `model` when they run: the compilation must stay where it is until
    // they have.
    std::vector<CompiledFile> files() const;
};

Compilation compile(const ScenarioNames& names, const DescriptionSources& sources,
                    const CompileOptions& options = {});

}  // namespace scenario
