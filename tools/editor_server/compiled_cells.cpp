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

bool CompiledPair::madeFrom(const CheckOrder& order) const {
    return order.kind == DescriptionKind::train && order.line && order.target.text == train &&
           order.line->text == line && order.line->path == linePath;
}

CompiledPair pairOf(const CheckOrder& order) {
    CompiledPair pair;
    pair.train = order.target.text;
    if (order.line) {
        pair.line = order.line->text;
        pair.linePath = order.line->path;
    }
    return pair;
}

std::shared_ptr<const CompiledPair> compilePair(const CheckOrder& order) {
    if (order.kind != DescriptionKind::train || !order.line) return nullptr;
    auto pair = std::make_shared<CompiledPair>(pairOf(order));
    const Loaded train = load(order.target);
    const Loaded lineDescription = load(*order.line);
    if (train.problem || lineDescription.problem) return pair;
    const CheckInputs inputs = inputsOf(train, &lineDescription);
    auto trace = std::make_shared<RecordTrace>();
    scenario::Compilation compilation = scenario::compile(
        {inputs.lineName, inputs.trainName},
        {scenario::inMemory(inputs.lineBytes), scenario::inMemory(inputs.trainBytes)},
        {.observer = trace.get(), .planPoints = scenario::PlanPoints::drawingOnly});
    pair->trace = std::move(trace);
    // A pair the compiler fails on writes nothing: its cells are no answer.
    pair->compiled = cleanModel(std::move(compilation));
    return pair;
}

std::optional<std::string> compiledCellsOf(const CompiledPair& pair, int line) {
    if (!pair.trace || !pair.compiled) return std::nullopt;
    const RecordTrace::Record* record = trainRecordOn(*pair.trace, line);
    if (!record) return std::nullopt;
    const scenario::RouteTable& route = pair.compiled->routeTable;
    const scenario::LineTable* table = &pair.compiled->lineTable;
    std::string text;
    for (const std::int64_t cell : pair.trace->cellsPlacedBy(*record)) {
        if (cell < 0 || static_cast<std::size_t>(cell) >= route.size()) continue;
        const auto& c = route[static_cast<std::size_t>(cell)];
        if (c.kind == scenario::CellKind::kNothing) continue;
        text += (text.empty() ? "" : "\n") + cellText(routeObject(c, int(cell), table));
    }
    if (text.empty()) return std::nullopt;
    return text;
}

}  // namespace tool::editor
