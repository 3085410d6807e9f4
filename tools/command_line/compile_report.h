// What one run of `compile` found, and its one-object JSON form for --json.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/error_codes.h"
#include "tools/diagnostics/diagnostic.h"
#include "tools/diagnostics/failure_report.h"

namespace tool {

struct CompileReport {
    scenario::ErrorCode errorCode = scenario::ErrorCode::none;  // the state after compiling
    std::int32_t errorPosition = 0;
    std::optional<scenario::ErrorCode> fatal;  // the stamps' places were taken: nothing written
    std::vector<std::string> files;            // names actually written, in order
    std::optional<RecordedFailure> failure;
    std::optional<std::string> problem;  // what kept the tool from writing every file
    std::vector<Diagnostic> warnings;    // the descriptions' likely mistakes, the first ones
    std::size_t warningsLeftOut = 0;     // those past the limit of warnings told
};

// {"errorCode", "errorPosition", "fatal", "files"} first, then "status", "problem" and the
// recorded failure's place and words ("file", "line", "column", "message", and "sourceLine",
// the description's line there, as UTF-8, cut around the column when it is long, with
// "sourceColumn", the column in it; null when unknown), then "warnings", each
// {"rule", "file", "line", "column", "message", "hint"}, and last "warningsLeftOut", how many
// warnings past the limit are not in the list.
std::string toJson(const CompileReport& report, int status);

}  // namespace tool
