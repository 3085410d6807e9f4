#include "tools/editor_server/compiled_cells.h"

#include "compiler/compilation.h"
#include "tools/compiled_files/inspection.h"
#include "tools/descriptions/record_trace.h"
#include "tools/editor_server/loaded_description.h"

namespace tool::editor {
namespace {

const RecordTrace::Record* trainRecordOn(const RecordTrace& trace, int line) {
    for (const RecordTrace::Record& r : trace.records()) {
        if (r.file == scenario::Description::train && r.place.line == line + 1) return &r;
    }
    return nullptr;
}

std::string cellText(const RouteObject& o) {
    std::string text = "cell " + std::to_string(o.cell) + ": " + o.kindName;
    if (o.text) text += " " + *o.text;
    std::string values;
    for (const NamedValue& v : o.stored) {
        values += (values.empty() ? "" : ", ") + v.name + " " + std::to_string(v.value);
    }
    if (!values.empty()) text += " (" + values + ")";
    if (o.raw.approach != 0) text += ", approach code " + std::to_string(o.raw.approach);
    return text;
}

}  // namespace

std::optional<std::string> compiledCellsOf(const CheckOrder& order, int line) {
    if (order.kind != DescriptionKind::train || !order.line) return std::nullopt;
    const Loaded train = load(order.target);
    const Loaded lineDescription = load(*order.line);
    if (train.problem || lineDescription.problem) return std::nullopt;
    const CheckInputs inputs = inputsOf(train, &lineDescription);
    RecordTrace trace;
    const scenario::Compilation compilation = scenario::compile(
        {inputs.lineName, inputs.trainName},
        {scenario::inMemory(inputs.lineBytes), scenario::inMemory(inputs.trainBytes)},
        {.observer = &trace, .planPoints = scenario::PlanPoints::drawingOnly});
    // A pair the compiler fails on writes nothing: its cells are no answer.
    if (compilation.stamp != scenario::StampResult::stamped ||
        compilation.model.error.errorCode != scenario::ErrorCode::none) {
        return std::nullopt;
    }
    const RecordTrace::Record* record = trainRecordOn(trace, line);
    if (!record) return std::nullopt;
    const scenario::RouteTable& route = compilation.model.routeTable;
    const scenario::LineTable* table = &compilation.model.lineTable;
    std::string text;
    for (const std::int64_t cell : trace.cellsPlacedBy(*record)) {
        if (cell < 0 || static_cast<std::size_t>(cell) >= route.size()) continue;
        const auto& c = route[static_cast<std::size_t>(cell)];
        if (c.kind == scenario::CellKind::kNothing) continue;
        text += (text.empty() ? "" : "\n") + cellText(routeObject(c, int(cell), table));
    }
    if (text.empty()) return std::nullopt;
    return text;
}

}  // namespace tool::editor
