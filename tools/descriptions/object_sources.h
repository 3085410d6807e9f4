// Which record of the descriptions placed each object of a compiled route, as the compilation
// that made the route traced it: the descriptions beside a compiled route are compiled again in
// memory, and only when they give that very route are its objects named by their records.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "compiler/scenario_model.h"
#include "tools/compiled_files/inspection.h"
#include "tools/descriptions/record_trace.h"

namespace tool {

struct DescriptionFile {
    std::string path;   // as shown in file:line
    std::string bytes;  // Windows-1252
};

// The trace of the compilation that made a route, with the paths that name its records.
struct TracedSources {
    const RecordTrace* trace = nullptr;
    std::string linePath;
    std::string trainPath;

    // "FILE:LINE" of the record.
    std::string sourceOf(const RecordTrace::Record& r) const {
        return recordSource(r, linePath, trainPath);
    }
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

// The same for a report made from the route of the compilation that `sources` traced: no second
// compilation to compare with. A speed mark that no record placed is one the compiler added.
void attributeCompiledSources(RouteReport& report, const TracedSources& sources);

// The line of the record that gave each station entry, by entry (1 to `stations`; index 0
// unused): the station records fill the entries in the order read. 0 where no record gives it.
std::vector<int> stationRecordLines(const RecordTrace& trace, int stations);

}  // namespace tool
