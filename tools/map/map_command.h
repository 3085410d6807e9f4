// `scenario-tool map`: the line drawn as an SVG picture from the compiled files, or from a
// pair of descriptions compiled in memory.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tool {

struct MapOptions {
    std::vector<std::string> files;   // compiled files
    std::optional<std::string> kind;  // "plan", "train" or "route" for every file
    std::string lineFile;             // with trainFile: descriptions to compile in memory
    std::string trainFile;
    std::optional<std::string> lineName;
    std::optional<std::string> trainName;
    std::string output;             // empty: stdout
    std::optional<std::string> km;  // "FROM-TO": draw only this stretch
};

inline constexpr int kMapWritten = 0;
inline constexpr int kMapFailureRecorded = 1;
inline constexpr int kMapNoInput = 2;
inline constexpr int kMapDamaged = 3;
inline constexpr int kMapNotWritten = 4;

int runMap(const MapOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tool
