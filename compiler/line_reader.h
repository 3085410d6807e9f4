// The line phase of reading: the line description file into the route, the track plan and the
// general entries of the LineTable.
#pragma once

#include "compiler/scenario_model.h"

namespace scenario {

// Puts the three kilometre progressives of LineTable entries 81 to 83 in order.
void progressive_ordina(ScenarioModel& model);

}  // namespace scenario
