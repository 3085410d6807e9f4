// The objects two scenarios are compared by: each side's route read as the author wrote it
// (signals, boards and marks at one cell, slowdowns, stations), and what the changes told so far
// account for, so that what follows from them is not told again cell by cell.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tools/compiled_files/inspection.h"
#include "tools/diff/diff_change.h"
#include "tools/diff/scenario_diff.h"

namespace tool::diff {

// An object that stands at one cell: a signal, a board, or a mark an author wrote.
struct PointObject {
    std::string category;  // the kind's name: "signal", "location board", "mark"
    std::string name;      // "signal", "location board (CAVALCAVIA)", "mark 80 km/h"
    std::uint8_t kind = 0;
    int cell = 0;
    std::int64_t position = 0;
    std::string key;  // what tells it from another of its kind
    std::vector<NamedValue> values;
    std::optional<std::string> text;
    std::optional<std::string> source;
};

// A slowdown: its start and end cells, the warning board 1200 m before it and the countdown
// cells before that, and the cells where the compiler's speed marks around it may fall.
struct Slowdown {
    int start = 0;
    int end = 0;
    std::vector<int> parts;  // start, end, warning board, countdown cells
    bool warning = false;
    bool countdown = false;
    std::int64_t from = 0;  // metres
    std::int64_t to = 0;
    int speed = 0;
    int dv = 0;
    int ftt = 0;
    int reachFirst = 0;  // the cells whose marks follow from it
    int reachLast = 0;
    std::optional<std::string> source;
};

struct Station {
    int entry = 0;
    std::string name;
    const scenario::LineRecord* record = nullptr;
    std::optional<int> stop;
    std::optional<std::string> source;
};

struct SideView {
    const ScenarioSide* side = nullptr;
    RouteReport report;
    std::vector<PointObject> points;
    std::vector<Slowdown> slowdowns;
    std::vector<Station> stations;
    std::set<int> compilerMarks;
    const TracedSources* sources = nullptr;  // the records of both descriptions, when known
};

SideView viewOf(const ScenarioSide& side);

// What the told changes account for, cell by cell.
struct Folding {
    std::set<int> objectCells;    // cells whose object follows from a told change
    std::set<int> approachCells;  // cells whose approach code does
    std::set<int> changedCells;   // cells of changed objects, which may move the compiler's marks
    std::vector<std::pair<int, int>> markReach;  // cells whose compiler marks follow
    std::set<int> mountainCells;

    void object(int cell);
    void point(const PointObject& p);
    void station(const Station& s);
    void slowdown(const Slowdown& s);
    bool inMarkReach(int cell) const;
};

Change change(std::string kind, std::string what, std::int64_t position, std::string text);

void comparePoints(const SideView& a, const SideView& b, std::vector<Change>& out, Folding& fold);
void compareSlowdowns(const SideView& a, const SideView& b, std::vector<Change>& out,
                      Folding& fold);
void compareStations(const SideView& a, const SideView& b, std::vector<Change>& out, Folding& fold);

}  // namespace tool::diff
