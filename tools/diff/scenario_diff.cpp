#include "tools/diff/scenario_diff.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "compiler/windows1252.h"
#include "tools/compiled_files/compiled_checks.h"
#include "tools/compiled_files/inspection.h"
#include "tools/descriptions/written_records.h"
#include "tools/diff/track_diff.h"

namespace tool {
namespace {

using namespace scenario::CellKind;
using scenario::LineRecord;
using scenario::RouteCell;

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
    const LineRecord* record = nullptr;
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

std::vector<Slowdown> slowdownsOf(const RouteReport& report, const scenario::RouteTable& route) {
    std::map<int, const RouteObject*> byCell;
    for (const RouteObject& o : report.objects) byCell[o.cell] = &o;
    std::vector<Slowdown> found;
    for (const RouteObject& o : report.objects) {
        if (o.raw.kind != kSlowdownStart) continue;
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
        found.push_back(std::move(s));
    }
    return found;
}

SideView viewOf(const ScenarioSide& side) {
    SideView v;
    v.side = &side;
    v.report = routeReport(*side.route, side.train);
    const bool sourced = side.sources != nullptr;
    if (sourced) {
        attributeCompiledSources(v.report, *side.sources);
        v.sources = side.sources;
    }
    v.slowdowns = slowdownsOf(v.report, *side.route);
    // With the descriptions, a slowdown ends where its record says, not where its end cell
    // stands for.
    for (Slowdown& s : v.slowdowns) {
        const RecordTrace::Record* r = sourced ? side.sources->trace->placer(s.start) : nullptr;
        if (!r || r->kind != scenario::RecordKind::slowdown) continue;
        const std::optional<std::int32_t> length = side.sources->trace->number(*r, 2);
        if (length) s.to = *side.sources->trace->number(*r, 0) + std::int64_t{*length};
    }
    for (const RouteObject& o : v.report.objects) {
        if (o.raw.kind != kMark) continue;
        bool added = o.addedByCompiler;
        if (!sourced) {
            // Without the descriptions: a mark of the compiler's speed where its pass puts marks.
            added = o.raw.value1 == 180 &&
                    std::any_of(v.slowdowns.begin(), v.slowdowns.end(), [&](const Slowdown& s) {
                        return o.cell >= s.reachFirst && o.cell <= s.reachLast;
                    });
        }
        if (added) v.compilerMarks.insert(o.cell);
    }
    for (const RouteObject& o : v.report.objects) {
        const std::uint8_t k = o.raw.kind;
        if (k != kSignal && k != kSpeedIndicator && k != kLocationBoard && k != kMarkWithoutSpeed &&
            !(k == kMark && !v.compilerMarks.count(o.cell))) {
            continue;
        }
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
        v.points.push_back(std::move(p));
    }
    if (side.train) {
        const TrainLayout layout = trainLayout(*side.train);
        std::map<int, const RouteObject*> stopByEntry;
        for (const RouteObject& o : v.report.objects) {
            if (o.raw.kind == kStationStop) stopByEntry.emplace(o.raw.value1, &o);
        }
        for (int e = 1; e <= layout.stationCount; ++e) {
            Station s;
            s.entry = e;
            s.record = &(*side.train)[std::size_t(e)];
            s.name = scenario::utf8FromWindows1252(s.record->text);
            if (const auto stop = stopByEntry.find(e); stop != stopByEntry.end()) {
                s.stop = stop->second->cell;
                s.source = stop->second->source;
            }
            // A station without a stop (an area only) is found by its name.
            if (!s.source && v.sources) {
                s.source = lastRecord(*v.sources, scenario::RecordKind::station, s.record->text);
            }
            v.stations.push_back(std::move(s));
        }
    }
    return v;
}

// What the told changes account for, cell by cell.
struct Folding {
    std::set<int> objectCells;    // cells whose object follows from a told change
    std::set<int> approachCells;  // cells whose approach code does
    std::set<int> changedCells;   // cells of changed objects, which may move the compiler's marks
    std::vector<std::pair<int, int>> markReach;  // cells whose compiler marks follow
    std::set<int> mountainCells;

    void object(int cell) {
        objectCells.insert(cell);
        changedCells.insert(cell);
    }
    void point(const PointObject& p) {
        object(p.cell);
        // A signal's approach codes stand 2, 4, 6 and 8 cells before it.
        for (int k = 1; p.kind == kSignal && k <= 4; ++k) approachCells.insert(p.cell - 2 * k);
    }
    void station(const Station& s) {
        if (!s.stop) return;
        object(*s.stop);
        // A station's stand in the four cells before its stop.
        for (int k = 1; k <= 4; ++k) approachCells.insert(*s.stop - k);
    }
    void slowdown(const Slowdown& s) {
        for (int c : s.parts) object(c);
        markReach.emplace_back(s.reachFirst, s.reachLast);
    }
    bool inMarkReach(int cell) const {
        return std::any_of(markReach.begin(), markReach.end(),
                           [cell](const auto& r) { return cell >= r.first && cell <= r.second; });
    }
};

Change change(std::string kind, std::string what, std::int64_t position, std::string text) {
    Change c;
    c.kind = std::move(kind);
    c.what = std::move(what);
    c.position = position;
    c.text = std::move(text);
    return c;
}

std::string km(std::int64_t metres) {
    return kilometreText(metres);
}

void comparePoints(const SideView& a, const SideView& b, std::vector<Change>& out, Folding& fold) {
    std::vector<bool> usedA(a.points.size(), false);
    std::vector<bool> usedB(b.points.size(), false);
    const auto pass = [&](auto&& matches, auto&& tell) {
        for (std::size_t i = 0; i < a.points.size(); ++i) {
            if (usedA[i]) continue;
            std::optional<std::size_t> best;
            for (std::size_t j = 0; j < b.points.size(); ++j) {
                if (usedB[j] || a.points[i].kind != b.points[j].kind) continue;
                if (!matches(a.points[i], b.points[j])) continue;
                const auto distance = [&](std::size_t k) {
                    return std::llabs(b.points[k].position - a.points[i].position);
                };
                if (!best || distance(j) < distance(*best)) best = j;
            }
            if (!best) continue;
            usedA[i] = true;
            usedB[*best] = true;
            tell(a.points[i], b.points[*best]);
        }
    };
    // The same object in the same cell.
    pass([](const PointObject& x,
            const PointObject& y) { return x.cell == y.cell && x.key == y.key; },
         [](const PointObject&, const PointObject&) {});
    // Another object in the same cell: its values changed.
    pass([](const PointObject& x, const PointObject& y) { return x.cell == y.cell; },
         [&](const PointObject& x, const PointObject& y) {
             fold.point(x);
             fold.point(y);
             const std::string at = x.name + " at " + km(x.position);
             for (std::size_t k = 0; k < x.values.size() && k < y.values.size(); ++k) {
                 if (x.values[k].value == y.values[k].value) continue;
                 Change c =
                     change(x.category, "changed", x.position,
                            at + ": " + x.values[k].name + " " + std::to_string(x.values[k].value) +
                                " to " + std::to_string(y.values[k].value));
                 c.field = x.values[k].name;
                 c.from = std::to_string(x.values[k].value);
                 c.to = std::to_string(y.values[k].value);
                 c.sourceA = x.source;
                 c.sourceB = y.source;
                 out.push_back(std::move(c));
             }
             if (x.name != y.name) {
                 Change c = change(x.category, "changed", x.position, at + " is now " + y.name);
                 c.from = x.name;
                 c.to = y.name;
                 c.sourceA = x.source;
                 c.sourceB = y.source;
                 out.push_back(std::move(c));
             }
         });
    // The same object within 1000 m: moved.
    pass(
        [](const PointObject& x, const PointObject& y) {
            return x.key == y.key && std::llabs(x.position - y.position) <= 1000;
        },
        [&](const PointObject& x, const PointObject& y) {
            fold.point(x);
            fold.point(y);
            Change c = change(x.category, "moved", x.position,
                              x.name + " at " + km(x.position) + " moved to " + km(y.position));
            c.field = "position";
            c.from = km(x.position);
            c.to = km(y.position);
            c.sourceA = x.source;
            c.sourceB = y.source;
            out.push_back(std::move(c));
        });
    for (std::size_t i = 0; i < a.points.size(); ++i) {
        if (usedA[i]) continue;
        const PointObject& x = a.points[i];
        fold.point(x);
        Change c = change(x.category, "removed", x.position,
                          x.name + " at " + km(x.position) + " removed");
        c.from = km(x.position);
        c.sourceA = x.source;
        out.push_back(std::move(c));
    }
    for (std::size_t j = 0; j < b.points.size(); ++j) {
        if (usedB[j]) continue;
        const PointObject& y = b.points[j];
        fold.point(y);
        Change c = change(y.category, "added", y.position, y.name + " added at " + km(y.position));
        c.to = km(y.position);
        c.sourceB = y.source;
        out.push_back(std::move(c));
    }
}

std::string slowdownName(const Slowdown& s) {
    return "slowdown " + std::to_string(s.speed) + " km/h";
}

std::string slowdownSpan(const Slowdown& s) {
    return "from " + km(s.from) + " to " + km(s.to);
}

void compareSlowdowns(const SideView& a, const SideView& b, std::vector<Change>& out,
                      Folding& fold) {
    std::vector<bool> usedA(a.slowdowns.size(), false);
    std::vector<bool> usedB(b.slowdowns.size(), false);
    const auto tellFields = [&](const Slowdown& x, const Slowdown& y) {
        const std::string name = slowdownName(x) + " " + slowdownSpan(x);
        std::vector<Change> said;
        const auto field = [&](const char* f, const std::string& words, const std::string& from,
                               const std::string& to) {
            Change c = change("slowdown", "changed", x.from, name + ": " + words);
            c.field = f;
            c.from = from;
            c.to = to;
            said.push_back(std::move(c));
        };
        if (x.start != y.start)
            field("position", "now starts at " + km(y.from), km(x.from), km(y.from));
        if (x.end != y.end) field("length", "now ends at " + km(y.to), km(x.to), km(y.to));
        if (x.speed != y.speed) {
            field("speed",
                  "speed " + std::to_string(x.speed) + " to " + std::to_string(y.speed) + " km/h",
                  std::to_string(x.speed), std::to_string(y.speed));
        }
        if (x.dv != y.dv) {
            field("d_v", "d_v " + std::to_string(x.dv) + " to " + std::to_string(y.dv),
                  std::to_string(x.dv), std::to_string(y.dv));
        }
        if (x.ftt != y.ftt) {
            field("f_tt", "f_tt " + std::to_string(x.ftt) + " to " + std::to_string(y.ftt),
                  std::to_string(x.ftt), std::to_string(y.ftt));
        }
        if (x.countdown != y.countdown) {
            field("f_ta", y.countdown ? "countdown added" : "countdown removed",
                  x.countdown ? "1" : "0", y.countdown ? "1" : "0");
        }
        if (said.empty()) return;
        fold.slowdown(x);
        fold.slowdown(y);
        for (Change& c : said) {
            c.sourceA = x.source;
            c.sourceB = y.source;
            out.push_back(std::move(c));
        }
    };
    // The same stretch first, then one that keeps its start or its end.
    for (const bool sameStretch : {true, false}) {
        for (std::size_t i = 0; i < a.slowdowns.size(); ++i) {
            const Slowdown& x = a.slowdowns[i];
            for (std::size_t j = 0; j < b.slowdowns.size() && !usedA[i]; ++j) {
                const Slowdown& y = b.slowdowns[j];
                if (usedB[j]) continue;
                const bool fits = sameStretch ? x.start == y.start && x.end == y.end
                                              : x.start == y.start || x.end == y.end;
                if (!fits) continue;
                usedA[i] = usedB[j] = true;
                tellFields(x, y);
            }
        }
    }
    // Then the same slowdown, as long and with the same values, within 1000 m: moved.
    for (std::size_t i = 0; i < a.slowdowns.size(); ++i) {
        const Slowdown& x = a.slowdowns[i];
        for (std::size_t j = 0; j < b.slowdowns.size() && !usedA[i]; ++j) {
            const Slowdown& y = b.slowdowns[j];
            if (usedB[j] || std::llabs(y.from - x.from) > 1000 || y.to - y.from != x.to - x.from ||
                y.speed != x.speed || y.dv != x.dv || y.ftt != x.ftt ||
                y.countdown != x.countdown) {
                continue;
            }
            usedA[i] = usedB[j] = true;
            fold.slowdown(x);
            fold.slowdown(y);
            Change c = change("slowdown", "moved", x.from,
                              slowdownName(x) + " " + slowdownSpan(x) + " moved to " + km(y.from) +
                                  " to " + km(y.to));
            c.field = "position";
            c.from = slowdownSpan(x);
            c.to = slowdownSpan(y);
            c.sourceA = x.source;
            c.sourceB = y.source;
            out.push_back(std::move(c));
        }
    }
    for (std::size_t i = 0; i < a.slowdowns.size(); ++i) {
        if (usedA[i]) continue;
        const Slowdown& x = a.slowdowns[i];
        fold.slowdown(x);
        Change c = change("slowdown", "removed", x.from,
                          slowdownName(x) + " " + slowdownSpan(x) + " removed");
        c.from = slowdownSpan(x);
        c.sourceA = x.source;
        out.push_back(std::move(c));
    }
    for (std::size_t j = 0; j < b.slowdowns.size(); ++j) {
        if (usedB[j]) continue;
        const Slowdown& y = b.slowdowns[j];
        fold.slowdown(y);
        Change c =
            change("slowdown", "added", y.from, slowdownName(y) + " added " + slowdownSpan(y));
        c.to = slowdownSpan(y);
        c.sourceB = y.source;
        out.push_back(std::move(c));
    }
}

// The station's length as its record wrote it, from the area its kind gives it.
std::int64_t stationLength(const LineRecord& r) {
    const std::int64_t p = r.long3;
    switch (r.kind) {
        case 5:
        case 6:
        case 7:
        case 8:
            return p - r.long1;
        default:
            return std::int64_t{r.long2} - r.long1 - (r.byte3 != 0 ? 50 : 0);
    }
}

void compareStationFields(const Station& x, const Station& y, std::vector<Change>& out,
                          Folding& fold) {
    const LineRecord& ra = *x.record;
    const LineRecord& rb = *y.record;
    std::vector<Change> said;
    const std::string name = "station " + x.name;
    const auto field = [&](const char* f, const std::string& what, const std::string& words,
                           const std::string& from, const std::string& to) {
        Change c = change("station", what, ra.long3, name + words);
        c.field = f;
        c.from = from;
        c.to = to;
        said.push_back(std::move(c));
    };
    if (x.name != y.name) field("name", "changed", " renamed " + y.name, x.name, y.name);
    if (ra.long3 != rb.long3) {
        field("position", "moved", " at " + km(ra.long3) + " moved to " + km(rb.long3),
              km(ra.long3), km(rb.long3));
    }
    const auto number = [&](const char* f, const std::string& words, std::int64_t va,
                            std::int64_t vb, const char* unit) {
        if (va == vb) return;
        field(f, "changed",
              ": " + words + " " + std::to_string(va) + " to " + std::to_string(vb) + unit,
              std::to_string(va), std::to_string(vb));
    };
    number("station_kind", "station kind", ra.kind, rb.kind, "");
    number("length", "length", stationLength(ra), stationLength(rb), " m");
    number("code_4", "code_4", ra.flag, rb.flag, "");
    number("code_5", "code_5", ra.byte4, rb.byte4, "");
    number("code_6", "code_6", ra.byte3, rb.byte3, "");
    number("code_7", "code_7", ra.int1, rb.int1, "");
    number("code_8", "code_8", ra.int2, rb.int2, "");
    number("code_9", "code_9", ra.byte1, rb.byte1, "");
    number("code_10", "code_10", ra.int3, rb.int3, "");
    number("code_11", "code_11", ra.int4, rb.int4, "");
    number("code_12", "code_12", ra.int5, rb.int5, "");
    number("code_13", "code_13", ra.byte2, rb.byte2, "");
    if (ra.long4 != rb.long4) {
        // The one scheduled time is the departure, and a terminus's arrival.
        const bool terminus = rb.kind == 5 || rb.kind == 6;
        const std::int64_t later = std::int64_t{rb.long4} - ra.long4;
        field("scheduled_time", "changed",
              std::string(": ") + (terminus ? "arrival " : "departure ") +
                  std::to_string(std::llabs(later)) + " s " + (later > 0 ? "later" : "earlier"),
              clockText(ra.long4), clockText(rb.long4));
    }
    if (said.empty()) return;
    fold.station(x);
    fold.station(y);
    for (Change& c : said) {
        c.sourceA = x.source;
        c.sourceB = y.source;
        out.push_back(std::move(c));
    }
}

void compareStations(const SideView& a, const SideView& b, std::vector<Change>& out,
                     Folding& fold) {
    std::vector<bool> usedA(a.stations.size(), false);
    std::vector<bool> usedB(b.stations.size(), false);
    // By name, the one at the same position first; then a renamed one at the same position.
    const auto pass = [&](auto&& matches) {
        for (std::size_t i = 0; i < a.stations.size(); ++i) {
            if (usedA[i]) continue;
            for (std::size_t j = 0; j < b.stations.size(); ++j) {
                if (usedB[j] || !matches(a.stations[i], b.stations[j])) continue;
                usedA[i] = usedB[j] = true;
                compareStationFields(a.stations[i], b.stations[j], out, fold);
                break;
            }
        }
    };
    pass([](const Station& x, const Station& y) {
        return x.name == y.name && x.record->long3 == y.record->long3;
    });
    pass([](const Station& x, const Station& y) { return x.name == y.name; });
    pass([](const Station& x, const Station& y) { return x.record->long3 == y.record->long3; });
    for (std::size_t i = 0; i < a.stations.size(); ++i) {
        if (usedA[i]) continue;
        const Station& x = a.stations[i];
        fold.station(x);
        Change c = change("station", "removed", x.record->long3,
                          "station " + x.name + " at " + km(x.record->long3) + " removed");
        c.from = x.name;
        c.sourceA = x.source;
        out.push_back(std::move(c));
    }
    for (std::size_t j = 0; j < b.stations.size(); ++j) {
        if (usedB[j]) continue;
        const Station& y = b.stations[j];
        fold.station(y);
        Change c = change("station", "added", y.record->long3,
                          "station " + y.name + " added at " + km(y.record->long3));
        c.to = y.name;
        c.sourceB = y.source;
        out.push_back(std::move(c));
    }
}

// The name of the station or the text of the board a cell names, on its side.
std::optional<std::string> namedEntry(const RouteCell& c, const scenario::LineTable* train) {
    if (!train || c.value1 < 0 || c.value1 >= scenario::kLineTableEntries) return std::nullopt;
    return (*train)[std::size_t(c.value1)].text;
}

bool sameObject(const RouteCell& x, const RouteCell& y) {
    return x.kind == y.kind && x.value1 == y.value1 && x.value2 == y.value2 &&
           x.value3 == y.value3 && x.value4 == y.value4 && x.timing == y.timing;
}

bool freeOrMark(const RouteCell& c, bool compilerMark) {
    return c.kind == kNothing || c.kind == kMountainMarker || compilerMark;
}

// Cell differences no told change explains.
void leftoverCells(const SideView& a, const SideView& b, const Folding& fold,
                   std::vector<Change>& out) {
    const scenario::RouteTable& ra = *a.side->route;
    const scenario::RouteTable& rb = *b.side->route;
    const std::size_t n = std::min(ra.size(), rb.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int cell = int(i);
        RouteCell x = ra[i];
        RouteCell y = rb[i];
        if (i == 1 && a.side->train && b.side->train) {  // the stamps, told with the general data
            x.value1 = y.value1 = x.value2 = y.value2 = 0;
        }
        const std::string where = "cell " + std::to_string(i) + " (" + km(cellStart(cell)) + ")";
        if (!sameObject(x, y)) {
            const bool markA = a.compilerMarks.count(cell) > 0;
            const bool markB = b.compilerMarks.count(cell) > 0;
            bool explained = fold.objectCells.count(cell) > 0;
            // Station numbers and board entries shift when one is added before them.
            if (x.kind == y.kind && (x.kind == kStationStop || x.kind == kLocationBoard) &&
                sameObject(RouteCell{x.kind, 0, x.value2, x.value3, x.value4, x.timing},
                           RouteCell{y.kind, 0, y.value2, y.value3, y.value4, y.timing})) {
                const auto na = namedEntry(x, a.side->train);
                explained = explained || (na && na == namedEntry(y, b.side->train));
            }
            if ((markA || markB) && freeOrMark(x, markA) && freeOrMark(y, markB) &&
                fold.inMarkReach(cell)) {
                explained = true;
            }
            if (freeOrMark(x, false) && freeOrMark(y, false) && fold.mountainCells.count(cell)) {
                explained = true;
            }
            if (!explained) {
                const std::string ka(
                    cellKindName(x.kind).value_or("kind " + std::to_string(x.kind)));
                const std::string kb(
                    cellKindName(y.kind).value_or("kind " + std::to_string(y.kind)));
                Change c =
                    change("cell", "changed", cellStart(cell),
                           where + ": " + (ka == kb ? ka + " values changed" : ka + " to " + kb));
                c.field = "kind";
                c.from = ka;
                c.to = kb;
                out.push_back(std::move(c));
            }
        }
        if (x.approach != y.approach && !fold.approachCells.count(cell)) {
            Change c = change("cell", "changed", cellStart(cell),
                              where + ": approach code " + std::to_string(x.approach) + " to " +
                                  std::to_string(y.approach));
            c.field = "approach";
            c.from = std::to_string(x.approach);
            c.to = std::to_string(y.approach);
            out.push_back(std::move(c));
        }
    }
}

// The record behind a change of the track or of the general data, on one side.
std::optional<std::string> recordOf(const Change& c, const TracedSources* sources, bool inB) {
    using scenario::RecordKind;
    if (!sources) return std::nullopt;
    const std::int64_t at = inB && c.positionInB ? *c.positionInB : c.position.value_or(0);
    if (c.kind == "gradient") return recordInForce(*sources, RecordKind::gradient, at / 50);
    if (c.kind == "speed limit") return recordInForce(*sources, RecordKind::speed, at / 50);
    if (c.kind == "adhesion") return recordInForce(*sources, RecordKind::adhesion, at / 50);
    if (c.kind == "mountain stretch") return recordCovering(*sources, RecordKind::mountain, at);
    if (c.kind == "curve") return recordCovering(*sources, RecordKind::curve, at);
    if (c.kind != "train" && c.kind != "line") return std::nullopt;
    static const std::pair<const char*, RecordKind> kRecords[] = {
        {"braked_mass_percent", RecordKind::brakedMass},
        {"cars", RecordKind::cars},
        {"clock", RecordKind::clock},
        {"sand", RecordKind::sand},
        {"line_length", RecordKind::lineLength},
        {"repetition_first", RecordKind::signalRepetition},
        {"repetition_second", RecordKind::signalRepetition},
        {"repetition_code", RecordKind::signalRepetition},
        {"background_uno", RecordKind::backgroundUno},
        {"background_due", RecordKind::backgroundDue},
        {"background_tre", RecordKind::backgroundTre},
    };
    for (const auto& [field, kind] : kRecords) {
        if (c.field == field) return lastRecord(*sources, kind);
    }
    return std::nullopt;
}

void sortByPosition(std::vector<Change>& changes, std::size_t from) {
    std::stable_sort(changes.begin() + std::ptrdiff_t(from), changes.end(),
                     [](const Change& x, const Change& y) {
                         return x.position.value_or(-1) < y.position.value_or(-1);
                     });
}

}  // namespace

std::vector<Change> scenarioChanges(const ScenarioSide& a, const ScenarioSide& b) {
    std::vector<Change> out;
    if (a.train && b.train) compareGeneralData(*a.train, *b.train, a.route, b.route, out);
    if (a.route && b.route) {
        const SideView va = viewOf(a);
        const SideView vb = viewOf(b);
        Folding fold;
        std::size_t from = out.size();
        compareStations(va, vb, out, fold);
        sortByPosition(out, from);
        from = out.size();
        compareSlowdowns(va, vb, out, fold);
        sortByPosition(out, from);
        from = out.size();
        comparePoints(va, vb, out, fold);
        sortByPosition(out, from);
        compareTrackData(*a.route, *b.route, out, fold.mountainCells);
        // The compiler's marks follow wherever a changed object stands in a slowdown's reach.
        for (const SideView* v : {&va, &vb}) {
            for (const Slowdown& s : v->slowdowns) {
                const auto first = fold.changedCells.lower_bound(s.reachFirst);
                if (first != fold.changedCells.end() && *first <= s.reachLast) {
                    fold.markReach.emplace_back(s.reachFirst, s.reachLast);
                }
            }
        }
        if (a.plan && b.plan) compareCurves(*a.plan, *b.plan, out);
        if (a.route->size() != b.route->size() && !(a.train && b.train)) {
            Change c = change("route", "changed", 0,
                              "route: " + std::to_string(a.route->size()) + " to " +
                                  std::to_string(b.route->size()) + " cells");
            out.push_back(std::move(c));
        }
        from = out.size();
        leftoverCells(va, vb, fold, out);
        for (Change& c : out) {
            if (!c.sourceA) c.sourceA = recordOf(c, va.sources, false);
            if (!c.sourceB) c.sourceB = recordOf(c, vb.sources, true);
        }
    } else if (a.route || b.route) {
        out.push_back(change("route", a.route ? "removed" : "added", 0,
                             a.route ? "route removed" : "route added"));
    }
    return out;
}

}  // namespace tool
