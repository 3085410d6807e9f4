// The steps of a compilation, which compile() (compilation.h) runs in order: clear the model,
// read both descriptions, post-process the route, then stamp the format marks and scenario
// codes.
#pragma once

#include <cstdint>
#include <optional>

#include "compiler/description_sources.h"
#include "compiler/error_codes.h"
#include "compiler/memorizza_dati.h"
#include "compiler/scenario_model.h"

namespace scenario {

inline constexpr std::int16_t kRouteStamp = 5121;
inline constexpr std::int16_t kTrainStamp = 610;

// Whether the track plan's points are stored once compiled, for readers of single points, or
// the plan is kept as its drawing only, for writing it.
enum class PlanPoints { stored, drawingOnly };

// Steps up to the post-processing: makeTrackPlan = j, no error code, the LineTable cleared,
// both descriptions read, the marks added. The result's site names the record behind the last
// recorded failure, or nothing when the mark pass recorded it.
ReadingResult compileRoute(ScenarioModel& model, std::int32_t j, const DescriptionSources& sources,
                           PlanPoints planPoints = PlanPoints::stored);

enum class StampResult {
    stamped,
    noRoute,  // the readers stopped before the route was made: there is nothing to write
    dataOverFormatStamps,   // a reader put data where the format stamps go
    dataOverScenarioCodes,  // a reader put data where the scenario codes go
};

// The code that stops the compilation for a stamp result, or nothing when it does not stop it.
constexpr std::optional<ErrorCode> stampFailure(StampResult result) {
    switch (result) {
        case StampResult::dataOverFormatStamps:
            return ErrorCode::dataOverFormatStamps;
        case StampResult::dataOverScenarioCodes:
            return ErrorCode::dataOverScenarioCodes;
        case StampResult::stamped:
        case StampResult::noRoute:
            break;
    }
    return std::nullopt;
}

// Stamps 610 and 5121, then the weighted and the plain scenario code.
StampResult stampScenario(ScenarioModel& model);

}  // namespace scenario
