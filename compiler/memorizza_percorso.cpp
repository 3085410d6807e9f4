#include "compiler/memorizza_percorso.h"

#include "compiler/scenario_codes.h"
#include "compiler/signal_postprocessing.h"

namespace scenario {

ReadingResult compileRoute(ScenarioModel& model, std::int32_t j, const DescriptionSources& sources,
                           PlanPoints planPoints) {
    model.makeTrackPlan = j;
    model.error.errorCode = ErrorCode::none;
    // Nothing of an earlier compilation may reach this one's files.
    model.routeTable.clear();
    model.trackPlan.clear();
    model.planLength = 0;
    model.lastCell = 0;
    model.mountainCount = 0;
    for (LineRecord& entry : model.lineTable) entry = LineRecord{};
    ReadingResult result = memorizza_dati(model, sources);
    // A code of the pass replaces the readers' last one, and it stems from no single record.
    if (postProcessSignals(model)) result.site = FailureSite{};
    if (planPoints == PlanPoints::stored) model.trackPlan.storeDrawnPoints();
    return result;
}

StampResult stampScenario(ScenarioModel& model) {
    if (model.routeTable.size() < 2) return StampResult::noRoute;
    LineRecord& general = model.lineTable[kLineGeneral];
    RouteCell& first = model.routeTable[1];
    if (general.int1 != 0 || first.value1 != 0) return StampResult::dataOverFormatStamps;
    general.int1 = kTrainStamp;
    first.value1 = kRouteStamp;
    if (general.long4 != 0 || first.value2 != 0) return StampResult::dataOverScenarioCodes;
    general.long4 = codice_gara_st(model);
    first.value2 = codice_gara_og(model);
    return StampResult::stamped;
}

}  // namespace scenario
