// Reading both descriptions into the model: the line phase, then the train phase.
#pragma once

#include "compiler/description_sources.h"
#include "compiler/scenario_model.h"

namespace scenario {

struct ReadingResult {
    bool lineConsumed = false;   // the line description is to be deleted
    bool trainConsumed = false;  // the train description is to be deleted
    FailureSite site;            // where the last recorded failure of the readers arose
};

// Reads the line description and then the train description into `model`, placing every
// object, and records failures in model.error. The LineTable must already be cleared.
ReadingResult memorizza_dati(ScenarioModel& model, const DescriptionSources& sources);

}  // namespace scenario
