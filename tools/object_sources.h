// Which record of the descriptions placed each object of a compiled route: the descriptions
// are compiled again in memory, and only when they give that very route are the positions of
// their signals, slowdowns, marks, stations, boards and mountain stretches matched to the cells
// those records fill.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "compiler/scenario_model.h"
#include "tools/inspection.h"

namespace tool {

struct DescriptionFile {
    std::string path;   // as shown in file:line
    std::string bytes;  // Windows-1252
};

// The descriptions beside a route file X_Y.dat: X_Y-.txt and X_linea.txt, where X is
// `lineName` when known (the train file's) or else the first part of the stem before a "_" for
// which X_linea.txt exists. Nothing unless both exist.
std::optional<std::pair<std::string, std::string>> descriptionsBeside(
    const std::string& routePath, const std::optional<std::string>& lineName);

// Gives the objects of `report` the file:line and written position of the record that placed
// them; `route` is what `report` was made from. Returns why it could not (the descriptions do
// not compile to this route), or nothing when it could.
std::optional<std::string> attributeSources(RouteReport& report, const scenario::RouteTable& route,
                                            const DescriptionFile& line,
                                            const DescriptionFile& train);

// The same for a report made from the route that `line` and `train` were just compiled into,
// with `table` the train table of that compilation: no second compilation to compare with.
void attributeCompiledSources(RouteReport& report, const scenario::LineTable& table,
                              const DescriptionFile& line, const DescriptionFile& train);

// The line of the record that gave each station entry of `table`, by entry (1 to the station
// count; index 0 unused), matched by the position written; 0 where no record gives it.
std::vector<int> stationRecordLines(const scenario::LineTable& table, const DescriptionFile& train);

}  // namespace tool
