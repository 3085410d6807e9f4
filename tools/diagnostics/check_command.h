// `scenario-tool check`: every problem of a pair of descriptions in one run, errors and
// warnings, as text, JSON or SARIF; nothing is written.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/descriptions/record_trace.h"
#include "tools/diagnostics/diagnostic.h"

namespace tool {

inline constexpr std::size_t kErrorLimit = 50;
// Warnings told at most, in every form: a description that warns on each of its lines gets
// the first ones and the count of the rest, as errors stop at kErrorLimit.
inline constexpr std::size_t kWarningLimit = 50;

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
    std::size_t warningLimit = kWarningLimit;
};

// Exit status: 0 no error (warnings allowed), 1 errors (or warnings under --werror), 2 an
// input that cannot be read or is above the description limit.
int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& err);

// The warnings of both descriptions, without those turned off: every one counted, the first
// `keep` in file order (the line description's first) kept. Those about what was read are
// taken from `trace`, the compilation of the pair as given, or from a compilation of their own
// when there is none.
struct Warnings {
    std::vector<Diagnostic> first;
    std::size_t count = 0;
};
Warnings descriptionWarnings(const std::string& lineFile, std::string_view line,
                             const std::string& trainFile, std::string_view train, bool trackPlan,
                             const std::vector<std::string>& disabled = {},
                             std::size_t keep = kWarningLimit, const RecordTrace* trace = nullptr);

// In file order: the line description, then the train description, each by line and column;
// a diagnostic that follows from another comes right after it.
void sortByPlace(std::vector<Diagnostic>& diagnostics, const std::string& lineFile,
                 const std::string& trainFile);

// What a run tells of diagnostics, in file order: the errors and the warnings kept, each that
// follows from another right after it, and how many warnings were left out.
struct ToldDiagnostics {
    std::vector<Diagnostic> told;
    std::size_t warningsLeftOut = 0;
    std::size_t folded = 0;  // warnings told by an error at their very field, not again
};
ToldDiagnostics toldDiagnostics(const std::vector<Diagnostic>& errors, Warnings warnings,
                                const std::string& lineFile, const std::string& trainFile);

// The line told after warnings were left out, with its line end: "199950 more warnings not
// shown (the first 50 are)".
std::string warningsLeftOutLine(std::size_t leftOut, std::size_t limit);

// One diagnostic as text: "FILE:LINE:COLUMN: error 16 at 2520 m: words [error-16]" or
// "...: warning: words [-Wname]", the source line with a caret, then its notes. Control
// characters, in the path as anywhere else, are shown escaped.
std::string formatDiagnostic(const Diagnostic& d);

}  // namespace tool
