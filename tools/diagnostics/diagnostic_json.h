// A diagnostic as a JSON object, as `check --json` prints it and the live viewer's page reads it.
#pragma once

#include <nlohmann/json.hpp>

#include "tools/diagnostics/diagnostic.h"

namespace tool {

nlohmann::ordered_json diagnosticJson(const Diagnostic& d);

}  // namespace tool
