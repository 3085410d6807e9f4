#include "tools/diff/diff_command.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "tools/command_line/descriptions_in_memory.h"
#include "tools/command_line/terminal_text.h"
#include "tools/compiled_files/compiled_set.h"
#include "tools/diff/scenario_diff.h"

namespace tool {
namespace {

using json = nlohmann::ordered_json;

// One side of the comparison with what it was loaded or compiled from.
struct LoadedSide {
    std::vector<LoadedFile> files;
    std::optional<DescriptionsInMemory> compiled;
    std::optional<TracedSources> sources;
    std::optional<std::string> problem;
    ScenarioSide side;
};

// A folder stands for the route it holds (any .dat but a track plan); a file for itself. The
// train file and the plan are those inspect finds beside the route.
void loadCompiled(LoadedSide& loaded, const std::string& given) {
    std::string routePath = given;
    std::optional<std::string> planPath;
    std::error_code ec;
    if (!std::filesystem::exists(given, ec)) {
        loaded.problem = given + ": no such file or folder";
        return;
    }
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
                given + ": " +
                (routes.empty() ? "holds no compiled route (descriptions are compared as "
                                  "LINE_A TRAIN_A LINE_B TRAIN_B)"
                                : "holds more than one compiled route");
            return;
        }
        routePath = routes.front();
    }
    const std::optional<CompiledKind> kind = compiledKindFromName(routePath);
    if (!kind) {
        loaded.problem = given + ": not a compiled file by its name (.dat or .sim)";
        return;
    }
    loaded.files.push_back(loadCompiledFile(routePath, *kind));
    const LoadedFile& first = loaded.files.front();
    if (first.problem || first.fault) {
        loaded.problem =
            routePath + ": " +
            (first.problem ? *first.problem : "damaged: " + describeFault(*first.fault));
        return;
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
            return;
        }
    }
    for (const LoadedFile& f : loaded.files) {
        if (f.route()) loaded.side.route = f.route();
        if (f.train()) loaded.side.train = f.train();
        if (f.plan()) loaded.side.plan = f.plan();
    }
}

// Descriptions compiled in memory. A pair that records a failure is not compared: its route
// stops at the failing record, and what follows would be told as removed.
void loadDescriptions(LoadedSide& loaded, const std::string& line, const std::string& train,
                      const LoadedSide* namesFrom) {
    // Both pairs are compiled under A's names: the names are no part of the descriptions, and
    // files named otherwise would tell every name and code as changed.
    loaded.compiled =
        namesFrom && namesFrom->compiled
            ? compileDescriptionsInMemory(line, train, namesFrom->compiled->model.lineName,
                                          namesFrom->compiled->model.trainName)
            : compileDescriptionsInMemory(line, train);
    const DescriptionsInMemory& c = *loaded.compiled;
    if (c.problem) {
        loaded.problem = (c.problem->starts_with(line) || c.problem->starts_with(train))
                             ? *c.problem
                             : line + " and " + train + ": " + *c.problem;
        return;
    }
    if (c.failure) {
        loaded.problem = "the descriptions do not compile: " + formatFailure(*c.failure);
        return;
    }
    loaded.sources = TracedSources{&c.trace, line, train};
    loaded.side.route = &c.model.routeTable;
    loaded.side.train = &c.model.lineTable;
    loaded.side.plan = &c.model.trackPlan;
    loaded.side.sources = &*loaded.sources;
}

json optionalText(const std::optional<std::string>& s) {
    return s ? json(*s) : json(nullptr);
}

std::string toJson(int status, const std::vector<Change>& changes) {
    json out;
    out["status"] = status;
    out["problem"] = nullptr;
    json list = json::array();
    for (const Change& c : changes) {
        json item;
        item["kind"] = c.kind;
        item["what"] = c.what;
        item["field"] = c.field.empty() ? json(nullptr) : json(c.field);
        item["from"] = optionalText(c.from);
        item["to"] = optionalText(c.to);
        item["position"] = c.position ? json(*c.position) : json(nullptr);
        item["km"] = c.position ? json(kilometreText(*c.position)) : json(nullptr);
        item["text"] = c.text;
        item["sourceA"] = optionalText(c.sourceA);
        item["sourceB"] = optionalText(c.sourceB);
        list.push_back(std::move(item));
    }
    out["changes"] = std::move(list);
    return out.dump(-1, ' ', false, json::error_handler_t::replace);
}

// The file:line of the records behind a change, when the descriptions are known.
std::string sourcesText(const Change& c) {
    if (!c.sourceA && !c.sourceB) return "";
    if (c.sourceA && c.sourceB) return "  (A " + *c.sourceA + ", B " + *c.sourceB + ")";
    return c.sourceA ? "  (A " + *c.sourceA + ")" : "  (B " + *c.sourceB + ")";
}

}  // namespace

std::string diffProblemJson(int status, const std::string& problem) {
    json out;
    out["status"] = status;
    out["problem"] = problem;
    out["changes"] = json::array();
    return out.dump(-1, ' ', false, json::error_handler_t::replace);
}

int runDiff(const DiffOptions& options, std::ostream& out, std::ostream& err) {
    const std::vector<std::string>& in = options.inputs;
    LoadedSide sa;
    LoadedSide sb;
    if (in.size() == 2) {
        loadCompiled(sa, in[0]);
        loadCompiled(sb, in[1]);
    } else if (in.size() == 4) {
        loadDescriptions(sa, in[0], in[1], nullptr);
        if (!sa.problem) loadDescriptions(sb, in[2], in[3], &sa);
    } else {
        sa.problem =
            "diff takes two compiled sets (A B) or two pairs of descriptions "
            "(LINE_A TRAIN_A LINE_B TRAIN_B), not " +
            std::to_string(in.size()) + " inputs";
    }
    std::string problems;
    for (const LoadedSide* s : {&sa, &sb}) {
        if (!s->problem) continue;
        err << "scenario-tool: " << shownText(*s->problem) << '\n';
        problems += (problems.empty() ? "" : "; ") + *s->problem;
    }
    if (!problems.empty()) {
        if (options.json) out << diffProblemJson(kDiffUnreadable, problems) << '\n';
        return kDiffUnreadable;
    }
    const std::vector<Change> changes = scenarioChanges(sa.side, sb.side);
    const int status = changes.empty() ? kDiffSame : kDiffDiffer;
    if (options.json) {
        out << toJson(status, changes) << '\n';
    } else {
        for (const Change& c : changes) out << shownText(c.text + sourcesText(c)) << '\n';
    }
    return status;
}

}  // namespace tool
