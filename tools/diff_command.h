// `scenario-tool diff A B`: what changed between two compiled scenarios, in the author's terms.
#pragma once

#include <ostream>
#include <string>

namespace tool {

inline constexpr int kDiffSame = 0;
inline constexpr int kDiffDiffer = 1;
inline constexpr int kDiffUnreadable = 2;  // usage error, or a file cannot be read or is damaged

int runDiff(const std::string& a, const std::string& b, std::ostream& out, std::ostream& err);

}  // namespace tool
