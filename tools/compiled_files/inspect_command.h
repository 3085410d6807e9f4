// `scenario-tool inspect`: the compiled files told in words (or as one JSON document), with
// every value the simulator will read and the checks of stamps and scenario codes.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace tool {

struct InspectOptions {
    std::vector<std::string> files;
    std::optional<std::string> kind;  // "plan", "train" or "route" for every file
    bool json = false;
    std::optional<std::string> only;  // --only KINDS
    std::optional<std::string> km;    // --km FROM-TO
    // --sources LINE TRAIN: the descriptions the route was compiled from.
    std::optional<std::pair<std::string, std::string>> sources;
};

// Exit statuses of inspect; several files give the highest that applies.
inline constexpr int kInspectClean = 0;
inline constexpr int kInspectMismatch = 1;  // a stamp or code differs, or route and train disagree
inline constexpr int kInspectUnreadable = 2;  // usage error, or a file cannot be read
inline constexpr int kInspectDamaged = 3;     // a file does not hold what its layout says
// An internal error, no memory, or standard output could not be written.
inline constexpr int kInspectFailed = 4;

int runInspect(const InspectOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tool
