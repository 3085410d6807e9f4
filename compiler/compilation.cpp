#include "compiler/compilation.h"

namespace scenario {

std::vector<CompiledFile> Compilation::files() const {
    if (stamp != StampResult::stamped) return {};
    return compiledFiles(model);
}

Compilation compile(const ScenarioNames& names, const DescriptionSources& sources,
                    const CompileOptions& options) {
    Compilation c;
    c.model.lineName = names.line;
    c.model.trainName = names.train;
    c.model.observer = options.observer;
    c.reading = compileRoute(c.model, options.makeTrackPlan, sources, options.planPoints);
    // The observer belongs to the caller; the model must not keep a pointer to it.
    c.model.observer = nullptr;
    c.stamp = stampScenario(c.model);
    return c;
}

}  // namespace scenario
