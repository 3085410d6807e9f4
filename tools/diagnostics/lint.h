// Warnings about one description: what the readers accept without a failure but an author
// almost certainly did not mean. The description is looked at line by line, the way authors
// write it, with the readers' own keyword tests and field syntax.
#pragma once

#include <cstddef>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/diagnostics/diagnostic.h"

namespace tool {

struct LintInput {
    std::string fileName;  // as named on the command line
    std::string_view bytes;
    bool isLine = true;                          // the line description, else the train description
    bool trackPlan = true;                       // curve records are read only with the track plan
    std::span<const std::string> disabled = {};  // warnings turned off: neither kept nor counted
    // Warnings kept at most, the first in the description's order; the rest are only counted,
    // so that a description that warns on each of millions of lines costs no more memory than
    // that.
    std::size_t keep = std::numeric_limits<std::size_t>::max();
};

struct LintResult {
    std::vector<Diagnostic> first;  // by line, then column
    std::size_t count = 0;          // every warning, kept or not
};

LintResult lintDescription(const LintInput& input);

}  // namespace tool
