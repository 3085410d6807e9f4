// Every error the compiler records in a pair of descriptions, found by compiling them again
// and again in memory, each time with the record that failed left out (its line blanked), so
// that one failing record does not hide the ones after it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "compiler/compilation.h"
#include "compiler/scenario_model.h"
#include "tools/descriptions/record_trace.h"
#include "tools/diagnostics/diagnostic.h"

namespace tool {

struct CheckInputs {
    std::string lineFile;  // the descriptions as named on the command line
    std::string trainFile;
    std::string lineBytes;
    std::string trainBytes;
    std::string lineName;
    std::string trainName;
    bool trackPlan = true;
};

struct ErrorScan {
    std::vector<Diagnostic> errors;  // the first is the one a compilation of the inputs meets
    bool limitReached = false;       // more may follow the last one
    int compilations = 0;
    // What the compilation of the pair as given heard, when the scan made one: the warnings
    // read it rather than compile the pair again. None when the line description failed on
    // its own, as the pair is then compiled only with the line's failing records left out.
    std::shared_ptr<const RecordTrace> trace;
    // What that compilation made (the route, the line table and the plan as its drawing), when
    // it recorded no failure and was stamped; none otherwise.
    std::shared_ptr<const scenario::ScenarioModel> compiled;
};

// What `compilation` made, kept when it recorded no failure and was stamped (as the compiled
// files would be written); none otherwise. It no longer names the observer that heard it.
std::shared_ptr<const scenario::ScenarioModel> cleanModel(scenario::Compilation&& compilation);

// The line description is checked first on its own, so that its failures are not told as
// failures of the train records that meet their effect; then the train description with the
// line's failing records left out.
ErrorScan findErrors(const CheckInputs& inputs, std::size_t limit);

// How to mend a failure with compiler code `code`, in a sentence.
std::string errorHint(scenario::ErrorCode code);

// The name of the rule a failure with `code` breaks, as "error-16".
std::string errorRule(scenario::ErrorCode code);

}  // namespace tool
