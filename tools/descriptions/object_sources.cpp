#include "tools/descriptions/object_sources.h"

#include <filesystem>
#include <vector>

#include "compiler/compilation.h"

namespace tool {
namespace {

namespace fs = std::filesystem;

// The first cell where two routes differ, leaving out the stamps of cell 1 (the names given
// to the compilation are not those of the compiled files).
std::optional<std::size_t> firstDifference(const scenario::RouteTable& a,
                                           const scenario::RouteTable& b) {
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i >= a.size() || i >= b.size()) return i;
        scenario::RouteCell x = a[i];
        scenario::RouteCell y = b[i];
        if (i == 1) {
            x.value1 = y.value1 = 0;
            x.value2 = y.value2 = 0;
        }
        if (!(x == y)) return i;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::pair<std::string, std::string>> descriptionsBeside(
    const std::string& routePath, const std::optional<std::string>& lineName) {
    const fs::path route(routePath);
    const std::string stem = route.stem().string();
    const fs::path dir = route.parent_path();
    std::error_code ec;
    const fs::path train = dir / (stem + "-.txt");
    if (!fs::is_regular_file(train, ec)) return std::nullopt;
    std::vector<std::string> lines;
    if (lineName) lines.push_back(*lineName);
    for (std::size_t i = stem.find('_'); i != std::string::npos; i = stem.find('_', i + 1)) {
        lines.push_back(stem.substr(0, i));
    }
    for (const std::string& x : lines) {
        if (x.empty() || stem.rfind(x + "_", 0) != 0) continue;
        const fs::path line = dir / (x + "_linea.txt");
        if (fs::is_regular_file(line, ec)) return std::pair{line.string(), train.string()};
    }
    return std::nullopt;
}

std::optional<std::string> attributeSources(RouteReport& report, const scenario::RouteTable& route,
                                            const DescriptionFile& line,
                                            const DescriptionFile& train) {
    // The names reach only the scenario codes in cell 1, which the comparison leaves out; only
    // the route is compared, so the plan's points are not computed.
    RecordTrace trace;
    const scenario::Compilation compilation =
        scenario::compile({}, {scenario::inMemory(line.bytes), scenario::inMemory(train.bytes)},
                          {.observer = &trace, .planPoints = scenario::PlanPoints::drawingOnly});
    if (const auto cell = firstDifference(compilation.model.routeTable, route)) {
        return "they do not compile to this route (cell " + std::to_string(*cell) + " differs)";
    }
    attributeCompiledSources(report, {&trace, line.path, train.path});
    return std::nullopt;
}

void attributeCompiledSources(RouteReport& report, const TracedSources& sources) {
    for (RouteObject& o : report.objects) {
        if (const RecordTrace::Record* r = sources.trace->placer(o.cell)) {
            o.source = sources.sourceOf(*r);
            o.written = sources.trace->number(*r, 0);
            o.writtenExact = true;
        } else if (o.raw.kind == scenario::CellKind::kMark) {
            // The compiler adds speed marks around slowdowns and before signals.
            o.addedByCompiler = true;
            o.written = std::nullopt;
        }
    }
}

std::vector<int> stationRecordLines(const RecordTrace& trace, int stations) {
    std::vector<int> lines(static_cast<std::size_t>(stations) + 1, 0);
    std::size_t entry = 0;
    for (const RecordTrace::Record& r : trace.records()) {
        if (r.kind != scenario::RecordKind::station) continue;
        if (++entry >= lines.size()) break;
        lines[entry] = r.place.line;
    }
    return lines;
}

}  // namespace tool
