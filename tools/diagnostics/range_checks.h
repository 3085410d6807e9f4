// The value-out-of-range warning: a value read outside the range, or the set, that the grammar
// documents for its field, told at the field itself with what the compiled files will hold
// instead where that differs from what was written. The values are those the compiler read, as
// its observer heard them, so that the check and the compiled bytes cannot disagree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/descriptions/record_trace.h"
#include "tools/diagnostics/diagnostic.h"

namespace tool {

inline constexpr std::string_view kValueOutOfRange = "value-out-of-range";

struct RangeCheckInput {
    std::string lineFile;  // as named on the command line
    std::string_view lineBytes;
    std::string trainFile;
    std::string_view trainBytes;
    bool trackPlan = true;
};

// Every value out of its documented range, for each description in the order read. A
// compilation that stops at a failure reads no record after it, so none is told there.
struct RangeWarnings {
    std::vector<Diagnostic> line;
    std::vector<Diagnostic> train;
};
RangeWarnings rangeWarnings(const RangeCheckInput& input, const RecordTrace& trace);

// The pair compiled in memory, with the trace the warnings read.
RecordTrace traceOf(const RangeCheckInput& input);

}  // namespace tool
