// Warnings about one description: what the readers accept without a failure but an author
// almost certainly did not mean. The description is looked at line by line, the way authors
// write it, with the readers' own keyword tests and field syntax.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/diagnostic.h"

namespace tool {

struct LintInput {
    std::string fileName;  // as named on the command line
    std::string_view bytes;
    bool isLine = true;     // the line description, else the train description
    bool trackPlan = true;  // curve records are read only with the track plan
};

std::vector<Diagnostic> lintDescription(const LintInput& input);

}  // namespace tool
