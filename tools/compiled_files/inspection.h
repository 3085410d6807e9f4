// What `inspect` and `map` tell about compiled files: the route's objects with their values
// unpacked the way they were packed, the track data in runs, the train file's stations, boards
// and general data, the plan's size and shape, and the stamps and scenario codes checked
// against the names the files carry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "compiler/scenario_model.h"
#include "tools/compiled_files/compiled_checks.h"

namespace tool {

// "35+200" for 35200 m; "-0+450" for -450 m.
std::string kilometreText(std::int64_t metres);
// "09:08:00" for 32880 s; hours may pass 23, and a negative time gets a "-".
std::string clockText(std::int64_t seconds);

// A cell covers 50 m from its start.
inline std::int64_t cellStart(std::int64_t cell) {
    return cell * 50;
}

struct NamedValue {
    std::string name;
    std::int64_t value = 0;
};

// One cell that holds an object.
struct RouteObject {
    int cell = 0;
    scenario::RouteCell raw;
    std::string kindName;
    std::vector<NamedValue> values;   // as the description wrote them, unpacked where packed
    std::vector<NamedValue> stored;   // the stored values, as the object's view names them
    std::optional<std::string> text;  // UTF-8 name of the station or text of the board
    // The position written in the record that placed the object, when one did and it can be
    // told: exact from the train file or the descriptions, else the one the cell stands for,
    // which the record may miss by up to 25 m.
    std::optional<std::int64_t> written;
    bool writtenExact = false;
    std::optional<std::string> source;  // "FILE:LINE" of that record, with the descriptions
    bool addedByCompiler = false;       // a mark no record wrote, as the descriptions tell
};

// The position a record written at the cell's middle would have, for the kinds placed at
// their record's own position: p / 50 + 1 for most, p / 50 for a mark; a warning board stands
// 1200 m before its slowdown. Nothing for objects no record places by its position.
std::optional<std::int64_t> nominalWrittenPosition(int cell, std::uint8_t kind);

// Consecutive cells with the same track data.
struct TrackRun {
    int firstCell = 0;
    int lastCell = 0;
    int speedKmh = 0;  // speedLimit × 5
    int gradient = 0;  // per mille
    int adhesion = 0;
    int mountainType = 0;
};

struct ApproachCode {
    int cell = 0;
    int code = 0;
};

// A stored value against the one the names or the format give.
struct ValueCheck {
    std::string what;
    std::int64_t found = 0;
    std::optional<std::int64_t> expected;  // nothing when it cannot be told
    bool ok() const { return !expected || found == *expected; }
};

// The scenario codes that the names in a train file give.
struct ExpectedCodes {
    std::string text;  // the 25 characters they are computed from, Windows-1252
    std::int64_t plain = 0;
    std::int64_t weighted = 0;
};
ExpectedCodes expectedCodes(const scenario::LineTable& train);

// The descriptions that placed the route's objects, when given or found beside it.
struct SourcesNote {
    std::string line;
    std::string train;
    std::optional<std::string> problem;  // why no object names its record
};

struct RouteReport {
    std::size_t cells = 0;
    std::optional<SourcesNote> sources;
    std::vector<RouteObject> objects;
    std::vector<TrackRun> runs;
    std::vector<ApproachCode> approaches;
    std::vector<ValueCheck> checks;
    std::vector<std::string> mismatches;  // cells that name train entries holding something else
};
RouteReport routeReport(const scenario::RouteTable& route, const scenario::LineTable* train);
// The object in one cell, as routeReport lists it; `train` names its station or board text.
RouteObject routeObject(const scenario::RouteCell& c, int cell, const scenario::LineTable* train);

struct TrainReport {
    TrainLayout layout;
    ExpectedCodes codes;
    std::vector<ValueCheck> checks;
};
TrainReport trainReport(const scenario::LineTable& train, const scenario::RouteTable* route);

struct PlanReport {
    std::int64_t points = 0;       // planLength + 1
    std::int64_t drawnPoints = 0;  // points with both coordinates stored
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    double length = 0;  // sum of the distances between consecutive drawn points
    // Heading at each whole kilometre, degrees from +y toward +x, 0 to 360.
    std::vector<std::pair<int, double>> headings;
};
PlanReport planReport(const scenario::TrackPlan& plan);

// Whether both coordinates of a plan point are stored.
bool pointDrawn(const scenario::TrackPlan& plan, std::int64_t point);

}  // namespace tool
