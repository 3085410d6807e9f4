// What one run of `compile` found, and its one-object JSON form for --json.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/error_codes.h"
#include "tools/diagnostic.h"
#include "tools/failure_report.h"

namespace tool {

struct CompileReport {
    scenario::ErrorCode errorCode = scenario::ErrorCode::none;  // the state after compiling
    std::int32_t errorPosition = 0;
    std::optional<scenario::ErrorCode> fatal;  // the stamps' places were taken: nothing written
    std::vector<std::string> files;            // names actually written, in order
    std::optional<RecordedFailure> failure;
    std::optional<std::string> problem;  // what kept the tool from writing every file
    std::vector<Diagnostic> warnings;    // the descriptions' likely mistakes
};

// {"errorCode", "errorPosition", "fatal", "files"} first, then "status", "problem" and the
// recorded failure's place and words ("file", "line", "column", "message", and "sourceLine",
// the description's line there, as UTF-8, cut around the column when it is long, with
// "sourceColumn", the column in it; null when unknown), and last "warnings", each
// {"rule", "file", "line", "column", "message", "hint"}.
std::string toJson(const CompileReport& report, int status);

}  // namespace tool
