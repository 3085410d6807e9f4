// `scenario-tool compile`: compiles a line description and a train description into the
// compiled files, the way the installer does, without deleting or changing the descriptions.
#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tool {

struct CompileOptions {
    std::string lineFile;
    std::string trainFile;
    std::string outDir = ".";
    bool trackPlan = true;                 // false compiles without the line plan file
    std::optional<std::string> lineName;   // otherwise taken from lineFile's name
    std::optional<std::string> trainName;  // otherwise taken from trainFile's name
    bool json = false;
    // With a recorded failure, write the compiled files all the same, as the installer does.
    bool writeOnError = false;
    bool showWarnings = true;  // the author's likely mistakes, on `err` (lint_rules.h)
    // Warnings that would keep the files unwritten (refusingWarnings()) but are let pass, by
    // -Wno-error=NAME.
    std::vector<std::string> relaxed;
};

// The warnings that mean the compiled files would not hold what the descriptions say: a record
// dropped, a record whose fields are shifted, a value stored as another. Unless relaxed or
// --write-on-error is given, any of them keeps `compile` from writing.
std::span<const std::string_view> refusingWarnings();

// Runs one compilation. Messages go to `err`; `out` carries the written paths, one a line, or
// with options.json exactly one JSON object. Returns the exit status
// (tools/command_line/exit_status.h).
int runCompile(const CompileOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tool
