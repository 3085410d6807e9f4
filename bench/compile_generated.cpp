#include "bench/compile_generated.h"

#include <string>
#include <string_view>

#include "compiler/compilation.h"

namespace bench {

CompileOutcome compileGenerated(const GeneratedScenario& generated) {
    // As the installer does: the plan's points are computed as they are encoded.
    const scenario::Compilation compilation =
        scenario::compile({"LINEA_GENERATA", "T1"},
                          {scenario::inMemory(generated.line), scenario::inMemory(generated.train)},
                          {.planPoints = scenario::PlanPoints::drawingOnly});
    const scenario::ScenarioModel& model = compilation.model;

    CompileOutcome outcome;
    outcome.errorCode = model.error.errorCode;
    outcome.planLength = model.planLength;
    outcome.lastCell = model.lastCell;
    for (int entry = 1; entry < scenario::kFirstBoardEntry; ++entry) {
        if (!model.lineTable[entry].text.empty()) ++outcome.stations;
    }
    for (const scenario::RouteCell& cell : model.routeTable) {
        outcome.signalCells += cell.kind == scenario::CellKind::kSignal;
        outcome.speedIndicatorCells += cell.kind == scenario::CellKind::kSpeedIndicator;
        outcome.stationStopCells += cell.kind == scenario::CellKind::kStationStop;
    }
    outcome.stamped = compilation.stamp == scenario::StampResult::stamped;

    const std::string planName = scenario::linePlanFileName(model.lineName);
    const std::string trainName = scenario::trainFileName(model.lineName, model.trainName);
    for (const scenario::CompiledFile& file : compilation.files()) {
        std::size_t bytes = 0;
        file.produce([&bytes](std::string_view piece) { bytes += piece.size(); });
        if (file.name == planName) {
            outcome.planBytes = bytes;
        } else if (file.name == trainName) {
            outcome.trainBytes = bytes;
        } else {
            outcome.routeBytes = bytes;
        }
    }
    return outcome;
}

std::string checkOutcome(const GeneratedScenario& generated, const CompileOutcome& outcome) {
    const std::int64_t planLength = generated.metres + 7000;
    // A generated line is whole kilometres long, so planLength / 50 has no half to round.
    const std::int64_t cells = planLength / 50 + 1;
    auto differs = [](const char* what, std::int64_t got, std::int64_t want) {
        return std::string(what) + " " + std::to_string(got) + ", expected " + std::to_string(want);
    };
    if (!outcome.stamped) return "the compilation was not stamped";
    if (outcome.errorCode != scenario::ErrorCode::none) {
        return differs("error code",
                       outcome.errorCode ? scenario::codeNumber(*outcome.errorCode) : -1,
                       scenario::codeNumber(scenario::ErrorCode::none));
    }
    if (outcome.stations != generated.stations) {
        return differs("stations stored", outcome.stations, generated.stations);
    }
    if (outcome.signalCells != generated.signals) {
        return differs("signal cells", outcome.signalCells, generated.signals);
    }
    if (outcome.speedIndicatorCells != generated.speedIndicators) {
        return differs("speed indicator cells", outcome.speedIndicatorCells,
                       generated.speedIndicators);
    }
    if (outcome.stationStopCells != generated.stations) {
        return differs("station stop cells", outcome.stationStopCells, generated.stations);
    }
    if (outcome.planLength != planLength) {
        return differs("planLength", outcome.planLength, planLength);
    }
    if (static_cast<std::int64_t>(outcome.planBytes) != 20 * planLength - 36) {
        return differs("plan bytes", static_cast<std::int64_t>(outcome.planBytes),
                       20 * planLength - 36);
    }
    if (static_cast<std::int64_t>(outcome.routeBytes) != 15 * cells) {
        return differs("route bytes", static_cast<std::int64_t>(outcome.routeBytes), 15 * cells);
    }
    return {};
}

}  // namespace bench
