// `scenario-tool diff`: what changed between two compiled scenarios, or between two pairs of
// descriptions compiled in memory, in the author's terms.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tool {

inline constexpr int kDiffSame = 0;
inline constexpr int kDiffDiffer = 1;
inline constexpr int kDiffUnreadable = 2;  // usage error, or an input cannot be read or used

struct DiffOptions {
    // Two folders or compiled routes (A B), or two pairs of descriptions
    // (LINE_A TRAIN_A LINE_B TRAIN_B).
    std::vector<std::string> inputs;
    bool json = false;
};

int runDiff(const DiffOptions& options, std::ostream& out, std::ostream& err);

// The one JSON object of a run that compared nothing.
std::string diffProblemJson(int status, const std::string& problem);

}  // namespace tool
