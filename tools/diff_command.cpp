#include "tools/diff_command.h"

#include <filesystem>
#include <optional>
#include <vector>

#include "tools/compiled_set.h"
#include "tools/scenario_diff.h"
#include "tools/terminal_text.h"

namespace tool {
namespace {

struct LoadedSide {
    std::vector<LoadedFile> files;
    std::optional<std::string> problem;
    ScenarioSide side;
};

// A folder stands for the route it holds (any .dat but a track plan); a file for itself. The
// train file and the plan are those inspect finds beside the route.
LoadedSide loadSide(const std::string& given) {
    LoadedSide loaded;
    std::string routePath = given;
    std::optional<std::string> planPath;
    std::error_code ec;
    if (std::filesystem::is_directory(given, ec)) {
        std::vector<std::string> routes;
        for (const auto& entry : std::filesystem::directory_iterator(given, ec)) {
            const std::string path = entry.path().string();
            const std::optional<CompiledKind> kind = compiledKindFromName(path);
            if (kind == CompiledKind::route) routes.push_back(path);
            if (kind == CompiledKind::plan) planPath = path;
        }
        if (routes.size() != 1) {
            loaded.problem =
                routes.empty() ? "holds no compiled route" : "holds more than one compiled route";
            return loaded;
        }
        routePath = routes.front();
    }
    const std::optional<CompiledKind> kind = compiledKindFromName(routePath);
    if (!kind) {
        loaded.problem = "not a compiled file by its name (.dat or .sim)";
        return loaded;
    }
    loaded.files.push_back(loadCompiledFile(routePath, *kind));
    const LoadedFile& first = loaded.files.front();
    if (first.problem || first.fault) {
        loaded.problem = first.problem ? *first.problem : "damaged: " + describeFault(*first.fault);
        return loaded;
    }
    if (*kind == CompiledKind::route) {
        if (auto train = findCompanion(first, CompiledKind::train, {})) {
            loaded.files.push_back(std::move(*train));
        }
    }
    // The track plan is compared when a folder holds one.
    if (planPath) {
        loaded.files.push_back(loadCompiledFile(*planPath, CompiledKind::plan));
        const LoadedFile& plan = loaded.files.back();
        if (plan.problem || plan.fault) {
            loaded.problem =
                *planPath + ": " +
                (plan.problem ? *plan.problem : "damaged: " + describeFault(*plan.fault));
            return loaded;
        }
    }
    for (const LoadedFile& f : loaded.files) {
        if (f.route()) loaded.side.route = f.route();
        if (f.train()) loaded.side.train = f.train();
        if (f.plan()) loaded.side.plan = f.plan();
    }
    return loaded;
}

}  // namespace

int runDiff(const std::string& a, const std::string& b, std::ostream& out, std::ostream& err) {
    const LoadedSide sa = loadSide(a);
    const LoadedSide sb = loadSide(b);
    bool failed = false;
    for (const auto* s : {&sa, &sb}) {
        if (s->problem) {
            err << "scenario-tool: " << shownText(s == &sa ? a : b) << ": "
                << shownText(*s->problem) << '\n';
            failed = true;
        }
    }
    if (failed) return kDiffUnreadable;
    const std::vector<std::string> changes = scenarioChanges(sa.side, sb.side);
    for (const std::string& change : changes) out << shownText(change) << '\n';
    return changes.empty() ? kDiffSame : kDiffDiffer;
}

}  // namespace tool
