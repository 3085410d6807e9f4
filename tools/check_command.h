// `scenario-tool check`: every problem of a pair of descriptions in one run, errors and
// warnings, as text, JSON or SARIF; nothing is written.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/diagnostic.h"

namespace tool {

inline constexpr std::size_t kErrorLimit = 50;

struct CheckOptions {
    std::string lineFile;
    std::string trainFile;
    bool trackPlan = true;
    std::optional<std::string> lineName;  // otherwise from the file names
    std::optional<std::string> trainName;
    bool json = false;
    bool sarif = false;
    bool werror = false;                // warnings count as errors
    std::vector<std::string> disabled;  // warnings turned off by -Wno-NAME
    std::size_t limit = kErrorLimit;    // errors told at most
};

// Exit status: 0 no error (warnings allowed), 1 errors (or warnings under --werror), 2 an
// input that cannot be read.
int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& err);

// The warnings of both descriptions, without those turned off.
std::vector<Diagnostic> descriptionWarnings(const std::string& lineFile, std::string_view line,
                                            const std::string& trainFile, std::string_view train,
                                            bool trackPlan,
                                            const std::vector<std::string>& disabled = {});

// In file order: the line description, then the train description, each by line and column.
void sortByPlace(std::vector<Diagnostic>& diagnostics, const std::string& lineFile,
                 const std::string& trainFile);

// One diagnostic as text: "FILE:LINE:COLUMN: error 16 at 2520 m: words [error-16]" or
// "...: warning: words [-Wname]", the source line with a caret, then its notes.
std::string formatDiagnostic(const Diagnostic& d);

}  // namespace tool
