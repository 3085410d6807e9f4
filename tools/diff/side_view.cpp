// Each side's route read as the author wrote it: the objects at one cell, the slowdowns with the
// cells that follow from them, and the stations with their records.
#include <algorithm>
#include <map>

#include "common/windows1252.h"
#include "tools/descriptions/written_records.h"
#include "tools/diff/diff_objects.h"

namespace tool::diff {
namespace {

using namespace scenario::CellKind;

std::string valuesKey(const std::vector<NamedValue>& values) {
    std::string key;
    for (const NamedValue& v : values) key += v.name + "=" + std::to_string(v.value) + " ";
    return key;
}

// The cells around a slowdown whose speed marks the compiler's pass over the route places
// from it: before the signals up to 20 cells before its warning board, 5 to 20 cells before
// its start, inside it, and before the first signal within 12 cells after its end.
void setReach(Slowdown& s) {
    const int warningCell = s.start - 24;
    s.reachFirst = s.warning ? std::min(warningCell - 22, s.start - 20) : s.start - 20;
    s.reachLast = s.end + 13;
}

// The slowdown that starts at `o`: its end, its warning board and countdown cells.
Slowdown slowdownAt(const RouteObject& o, const scenario::RouteTable& route) {
    Slowdown s;
    s.start = o.cell;
    s.end = o.cell;  // an end in the start's own cell is overwritten by the start
    for (std::size_t c = std::size_t(o.cell) + 1; c < route.size(); ++c) {
        if (route[c].kind == kSlowdownStart) break;
        if (route[c].kind == kSlowdownEnd) {
            s.end = int(c);
            break;
        }
    }
    s.parts = {s.start};
    if (s.end != s.start) s.parts.push_back(s.end);
    const int warningCell = s.start - 24;
    if (warningCell >= 0 && route[std::size_t(warningCell)].kind == kWarningBoard) {
        s.warning = true;
        s.parts.push_back(warningCell);
        for (int c = warningCell - 5; c < warningCell; ++c) {
            if (c >= 0 && route[std::size_t(c)].kind == kCountdown) {
                s.countdown = true;
                s.parts.push_back(c);
            }
        }
    }
    s.speed = o.raw.value1;
    s.dv = o.raw.value2;
    s.ftt = o.raw.value3;
    s.from = o.written.value_or(cellStart(s.start - 1));
    s.to = cellStart(s.end - 1);
    s.source = o.source;
    setReach(s);
    return s;
}

std::vector<Slowdown> slowdownsOf(const RouteReport& report, const scenario::RouteTable& route,
                                  const TracedSources* sources) {
    std::vector<Slowdown> found;
    for (const RouteObject& o : report.objects) {
        if (o.raw.kind == kSlowdownStart) found.push_back(slowdownAt(o, route));
    }
    if (!sources) return found;
    // With the descriptions, a slowdown ends where its record says, not where its end cell
    // stands for.
    for (Slowdown& s : found) {
        const RecordTrace::Record* r = sources->trace->placer(s.start);
        if (!r || r->kind != scenario::RecordKind::slowdown) continue;
        const std::optional<std::int32_t> length = sources->trace->number(*r, 2);
        if (length) s.to = *sources->trace->number(*r, 0) + std::int64_t{*length};
    }
    return found;
}

// The marks the compiler added rather than an author wrote.
std::set<int> compilerMarksOf(const SideView& v) {
    std::set<int> marks;
    for (const RouteObject& o : v.report.objects) {
        if (o.raw.kind != kMark) continue;
        bool added = o.addedByCompiler;
        if (!v.sources) {
            // Without the descriptions: a mark of the compiler's speed where its pass puts marks.
            added = o.raw.value1 == 180 &&
                    std::any_of(v.slowdowns.begin(), v.slowdowns.end(), [&](const Slowdown& s) {
                        return o.cell >= s.reachFirst && o.cell <= s.reachLast;
                    });
        }
        if (added) marks.insert(o.cell);
    }
    return marks;
}

bool isPointObject(const RouteObject& o, const std::set<int>& compilerMarks) {
    const std::uint8_t k = o.raw.kind;
    return k == kSignal || k == kSpeedIndicator || k == kLocationBoard || k == kMarkWithoutSpeed ||
           (k == kMark && !compilerMarks.count(o.cell));
}

PointObject pointOf(const RouteObject& o) {
    const std::uint8_t k = o.raw.kind;
    PointObject p;
    p.kind = k;
    p.cell = o.cell;
    p.position = o.written.value_or(cellStart(o.cell));
    p.source = o.source;
    p.text = o.text;
    if (k == kSignal || k == kSpeedIndicator) p.values = o.values;
    p.category = o.kindName;
    p.name = o.kindName;
    if (k == kLocationBoard) p.name += " " + o.text.value_or("?");
    if (k == kMark) p.name += " " + std::to_string(o.raw.value1) + " km/h";
    p.key = valuesKey(p.values) + (k == kLocationBoard ? o.text.value_or("") : "") +
            (k == kMark ? std::to_string(o.raw.value1) : "");
    return p;
}

std::vector<Station> stationsOf(const SideView& v, const scenario::LineTable& train) {
    const TrainLayout layout = trainLayout(train);
    std::map<int, const RouteObject*> stopByEntry;
    for (const RouteObject& o : v.report.objects) {
        if (o.raw.kind == kStationStop) stopByEntry.emplace(o.raw.value1, &o);
    }
    std::vector<Station> stations;
    for (int e = 1; e <= layout.stationCount; ++e) {
        Station s;
        s.entry = e;
        s.record = &train[std::size_t(e)];
        s.name = common::utf8FromWindows1252(s.record->text);
        if (const auto stop = stopByEntry.find(e); stop != stopByEntry.end()) {
            s.stop = stop->second->cell;
            s.source = stop->second->source;
        }
        // A station without a stop (an area only) is found by its name.
        if (!s.source && v.sources) {
            s.source = lastRecord(*v.sources, scenario::RecordKind::station, s.record->text);
        }
        stations.push_back(std::move(s));
    }
    return stations;
}

}  // namespace

SideView viewOf(const ScenarioSide& side) {
    SideView v;
    v.side = &side;
    v.report = routeReport(*side.route, side.train);
    if (side.sources) {
        attributeCompiledSources(v.report, *side.sources);
        v.sources = side.sources;
    }
    v.slowdowns = slowdownsOf(v.report, *side.route, v.sources);
    v.compilerMarks = compilerMarksOf(v);
    for (const RouteObject& o : v.report.objects) {
        if (isPointObject(o, v.compilerMarks)) v.points.push_back(pointOf(o));
    }
    if (side.train) v.stations = stationsOf(v, *side.train);
    return v;
}

}  // namespace tool::diff
