// The two scenario codes stamped into the compiled files, computed from the train's and the
// line's names.
#pragma once

#include <cstdint>
#include <string>

#include "compiler/scenario_model.h"

namespace scenario {

// The first 25 characters of the lower-cased train name, line name and the padding
// "aabbccddeeffgghhiillmmnnoo".
std::string scenarioCodeText(const ScenarioModel& model);

std::int16_t codice_gara_og(const ScenarioModel& model);  // the plain sum of the character codes
std::int32_t codice_gara_st(const ScenarioModel& model);  // the sum weighted by position

}  // namespace scenario
