// The plan's signs that tell kinds apart: a signal's mark drawn from its left and right kind,
// and the legend that names each kind a picture shows.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/map/svg_map_support.h"

namespace tool::svg {

// A signal at (x, y): a disc whose left half is filled by its left kind (sx) and right half by
// its right kind (dx), white for 0, pale for 1, full for 2; a kind outside 0 to 2 is drawn as
// a dark square, so that a value the format does not use stands out.
std::string signalMark(std::pair<int, int> sides, double x, double y);

// What the legend lists besides the signals' kinds.
struct LegendContent {
    std::vector<std::pair<int, int>> signalKinds;  // sorted, each once
    bool stations = false;
    bool areas = false;
    bool stopCells = false;
    bool approaches = false;
};

// The legend in the picture's bottom right corner, inside (width, height); `taken` gets its
// box. Empty when there is nothing to name.
std::string planLegend(const LegendContent& content, double width, double height, Box& taken);

}  // namespace tool::svg
