// The compiler's driver: clear the model, read both descriptions, post-process the route,
// stamp the format marks and scenario codes. The shells then delete the consumed descriptions
// and write the compiled files (compiled_files.h).
#pragma once

#include <cstdint>

#include "compiler/description_sources.h"
#include "compiler/memorizza_dati.h"
#include "compiler/scenario_model.h"

namespace scenario {

inline constexpr std::int16_t kRouteStamp = 5121;
inline constexpr std::int16_t kTrainStamp = 610;

// Steps up to the post-processing: makeTrackPlan = j, errorCode = 0, the LineTable cleared,
// both descriptions read, the marks added. The result's site names the record behind the last
// recorded failure, or nothing when the mark pass recorded it.
ReadingResult compileRoute(ScenarioModel& model, std::int32_t j, const DescriptionSources& sources);

enum class StampResult {
    stamped,
    noRoute,    // the readers stopped before the route was made: there is nothing to write
    fatal1250,  // a reader put data where the format stamps go
    fatal1251,  // a reader put data where the scenario codes go
};

// Stamps 610 and 5121, then the weighted and the plain scenario code.
StampResult stampScenario(ScenarioModel& model);

}  // namespace scenario
