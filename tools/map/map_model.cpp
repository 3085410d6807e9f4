#include "tools/map/map_model.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "common/windows1252.h"
#include "compiler/cell_values.h"
#include "tools/compiled_files/compiled_checks.h"
#include "tools/compiled_files/inspection.h"

namespace tool {
namespace {

using namespace scenario::CellKind;

// The shortest stretch drawn: a plan or a profile of a few metres would show nothing.
constexpr std::int64_t kShortestStretch = 200;

std::string speedText(int kmh) {
    return std::to_string(kmh) + " km/h";
}

// Where an object is drawn: its record's position, as the cell's placement computes it back
// (a slowdown's end cell: the slowdown's start plus its length).
std::int64_t objectPosition(const RouteObject& o) {
    // A warning board stands for its slowdown's start, but is drawn where it stands.
    if (o.raw.kind == kSlowdownEnd || o.raw.kind == kWarningBoard) return cellStart(o.cell - 1);
    if (o.written) return *o.written;
    return cellStart(o.cell);
}

// The speed boards give three pairs of speeds (left and right of a stroke); the author wrote
// the left ones, and the right ones only where they differ from nothing.
std::string speedBoardLabel(const RouteObject& o) {
    std::vector<std::string> parts;
    for (const NamedValue& v : o.values) {
        if (v.name.starts_with("speed_") && v.name.ends_with("_left")) {
            std::string part = std::to_string(v.value);
            for (const NamedValue& right : o.values) {
                if (right.name == v.name.substr(0, v.name.size() - 5) + "_right" &&
                    right.value != 0) {
                    part += "/" + std::to_string(right.value);
                }
            }
            parts.push_back(part);
        }
    }
    // "60" when the three agree, else "60 50 40".
    if (std::all_of(parts.begin(), parts.end(),
                    [&parts](const std::string& p) { return p == parts.front(); })) {
        parts.resize(std::min<std::size_t>(parts.size(), 1));
    }
    std::string label;
    for (const std::string& p : parts) label += (label.empty() ? "" : " ") + p;
    return label;
}

// The position of the end cell of the slowdown that starts at `all[start]`, when its end comes
// before the next slowdown's start.
std::optional<std::int64_t> slowdownEndAfter(const std::vector<RouteObject>& all,
                                             std::size_t start) {
    for (std::size_t i = start + 1; i < all.size(); ++i) {
        if (all[i].raw.kind == kSlowdownStart) break;
        if (all[i].raw.kind == kSlowdownEnd) return objectPosition(all[i]);
    }
    return std::nullopt;
}

MapObject signalObject(MapObject m, const RouteObject& o) {
    m.kind = MapObjectKind::signal;
    const scenario::SignalSides sides = scenario::unpackSignalSides(o.raw.value4);
    m.signalSides = std::pair{static_cast<int>(sides.sx), static_cast<int>(sides.dx)};
    m.title = "signal " + kilometreText(m.position);
    return m;
}

MapObject speedBoardObject(MapObject m, const RouteObject& o) {
    m.kind = MapObjectKind::speedBoard;
    m.label = speedBoardLabel(o);
    m.speedKmh = o.raw.value1 / 20;
    m.title = "speed board " + m.label + " km/h " + kilometreText(m.position);
    return m;
}

MapObject locationBoardObject(MapObject m, const RouteObject& o) {
    m.kind = MapObjectKind::locationBoard;
    m.label = o.text.value_or("board " + std::to_string(o.raw.value1));
    m.title = "location board " + m.label + " " + kilometreText(m.position);
    return m;
}

// A slowdown from its start, to its end when one follows.
MapObject slowdownObject(MapObject m, const RouteObject& o, std::optional<std::int64_t> until) {
    m.kind = MapObjectKind::slowdownStart;
    m.speedKmh = o.raw.value1;
    m.label = std::to_string(o.raw.value1);
    m.title = "slowdown " + speedText(o.raw.value1) + " from " + kilometreText(m.position);
    if (until) {
        m.until = until;
        m.title += " to " + kilometreText(*until);
    }
    return m;
}

// An object that stands for the speed it stores, titled by what it is, that speed and where
// it stands.
MapObject speedObject(MapObject m, const RouteObject& o, MapObjectKind kind,
                      const std::string& what) {
    m.kind = kind;
    m.speedKmh = o.raw.value1;
    m.title = what + " " + speedText(o.raw.value1) + " " + kilometreText(m.position);
    return m;
}

std::optional<MapObject> objectOf(const RouteObject& o, const std::vector<RouteObject>& all,
                                  std::size_t index) {
    MapObject m;
    m.cell = o.cell;
    m.position = objectPosition(o);
    switch (o.raw.kind) {
        case kSignal:
            return signalObject(std::move(m), o);
        case kSpeedIndicator:
            return speedBoardObject(std::move(m), o);
        case kLocationBoard:
            return locationBoardObject(std::move(m), o);
        case kWarningBoard:
            m.label = std::to_string(o.raw.value1);
            return speedObject(std::move(m), o, MapObjectKind::slowdownWarning,
                               "slowdown warning board");
        case kSlowdownStart:
            return slowdownObject(std::move(m), o, slowdownEndAfter(all, index));
        case kSlowdownEnd:
            return speedObject(std::move(m), o, MapObjectKind::slowdownEnd, "slowdown end");
        case kMark:
            return speedObject(std::move(m), o, MapObjectKind::mark, "speed-supervision mark");
        case kMarkWithoutSpeed:
            m.kind = MapObjectKind::mark;
            m.title = "speed-supervision mark " + kilometreText(m.position);
            return m;
        default:
            return std::nullopt;  // stations come from the train file; countdown cells and
                                  // mountain markers follow from what they stand for
    }
}

std::vector<MapObject> stationsOf(const MapSources& s, const RouteReport& report) {
    std::map<int, int> stopCell;  // train entry -> its stop cell
    for (const RouteObject& o : report.objects) {
        if (o.raw.kind == kStationStop) stopCell.emplace(o.raw.value1, o.cell);
    }
    std::vector<MapObject> stations;
    if (s.train) {
        const TrainLayout layout = trainLayout(*s.train);
        for (int i = 1; i <= layout.stationCount; ++i) {
            const auto& e = (*s.train)[static_cast<std::size_t>(i)];
            MapObject m;
            m.kind = MapObjectKind::station;
            m.station = i;
            m.position = e.long3;
            // A station that marks an area only has no stop cell: the cell its position is in.
            const auto cell = stopCell.find(i);
            m.cell = cell != stopCell.end()
                         ? cell->second
                         : static_cast<int>(std::max<std::int64_t>(0, m.position / 50));
            if (cell != stopCell.end()) m.stopCell = cell->second;
            m.area = MapStretch{e.long1, e.long2};
            m.label = common::utf8FromWindows1252(e.text);
            m.title = "station " + m.label + " " + kilometreText(m.position);
            stations.push_back(std::move(m));
        }
        return stations;
    }
    for (const RouteObject& o : report.objects) {
        if (o.raw.kind != kStationStop) continue;
        MapObject m;
        m.kind = MapObjectKind::station;
        m.station = o.raw.value1;
        m.cell = o.cell;
        m.stopCell = o.cell;
        m.position = cellStart(o.cell);
        m.label = "station " + std::to_string(o.raw.value1);
        m.title = m.label + " " + kilometreText(m.position);
        stations.push_back(std::move(m));
    }
    return stations;
}

// Steps clipped to [from, to].
template <typename Step>
std::vector<Step> clipped(std::vector<Step> steps, std::int64_t from, std::int64_t to) {
    std::vector<Step> kept;
    for (Step s : steps) {
        if (s.to <= from || s.from > to) continue;
        s.from = std::max(s.from, from);
        s.to = std::min(s.to, to);
        if (s.to > s.from) kept.push_back(s);
    }
    return kept;
}

// The line's limit lowered by every slowdown over its stretch: a sweep over the points where
// either changes, keeping the slowdowns in force.
std::vector<SpeedStep> trainLimit(const std::vector<SpeedStep>& line,
                                  const std::vector<SpeedStep>& slowdowns) {
    std::vector<std::int64_t> cuts;
    for (const SpeedStep& s : line) {
        cuts.push_back(s.from);
        cuts.push_back(s.to);
    }
    std::vector<std::pair<std::int64_t, int>> events;  // position, +index+1 starts, -(i+1) ends
    for (std::size_t i = 0; i < slowdowns.size(); ++i) {
        cuts.push_back(slowdowns[i].from);
        cuts.push_back(slowdowns[i].to);
        events.emplace_back(slowdowns[i].from, static_cast<int>(i) + 1);
        events.emplace_back(slowdowns[i].to, -static_cast<int>(i) - 1);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    std::sort(events.begin(), events.end());
    std::multiset<int> active;
    std::vector<SpeedStep> steps;
    std::size_t event = 0;
    std::size_t lineStep = 0;
    for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
        const std::int64_t from = cuts[c];
        const std::int64_t to = cuts[c + 1];
        while (event < events.size() && events[event].first <= from) {
            const int e = events[event++].second;
            const int kmh = slowdowns[static_cast<std::size_t>(std::abs(e) - 1)].kmh;
            if (e > 0) {
                active.insert(kmh);
            } else if (auto it = active.find(kmh); it != active.end()) {
                active.erase(it);
            }
        }
        while (lineStep < line.size() && line[lineStep].to <= from) ++lineStep;
        if (lineStep >= line.size() || line[lineStep].from > from) continue;
        int kmh = line[lineStep].kmh;
        if (!active.empty()) kmh = std::min(kmh, *active.begin());
        if (!steps.empty() && steps.back().to == from && steps.back().kmh == kmh) {
            steps.back().to = to;
        } else {
            steps.push_back({from, to, kmh});
        }
    }
    return steps;
}

bool within(const MapModel& model, std::int64_t metres) {
    return metres >= model.from && metres <= model.to;
}

// The stations and the route's objects within the model's stretch, in order of position, and
// the count of each kind the model tells.
void addObjects(MapModel& model, const MapSources& s, const RouteReport& report) {
    std::vector<MapObject> stations = stationsOf(s, report);
    model.stationCount = stations.size();
    for (MapObject& st : stations) {
        if (within(model, st.position)) model.objects.push_back(std::move(st));
    }
    for (std::size_t i = 0; i < report.objects.size(); ++i) {
        const RouteObject& o = report.objects[i];
        if (o.raw.kind == kSignal) ++model.signalCount;
        std::optional<MapObject> m = objectOf(o, report.objects, i);
        if (m && within(model, m->position)) model.objects.push_back(std::move(*m));
    }
    std::stable_sort(
        model.objects.begin(), model.objects.end(),
        [](const MapObject& a, const MapObject& b) { return a.position < b.position; });
}

// Each slowdown's stretch and speed: in force to its end cell, or over its own cell when the
// end shares it.
std::vector<SpeedStep> slowdownsOf(const std::vector<RouteObject>& objects) {
    std::vector<SpeedStep> slowdowns;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const RouteObject& o = objects[i];
        if (o.raw.kind != kSlowdownStart) continue;
        std::int64_t end = objectPosition(o) + 50;
        if (const auto until = slowdownEndAfter(objects, i)) end = std::max(end, *until);
        slowdowns.push_back({objectPosition(o), end, o.raw.value1});
    }
    return slowdowns;
}

// The line's limit, its gradients and its mountain stretches from the runs of alike cells,
// each a step joined to the one before where they agree.
void addTrackRuns(MapModel& model, const std::vector<TrackRun>& runs) {
    for (const TrackRun& run : runs) {
        const std::int64_t from = cellStart(run.firstCell);
        const std::int64_t to = cellStart(run.lastCell + 1);
        if (!model.lineSpeed.empty() && model.lineSpeed.back().kmh == run.speedKmh) {
            model.lineSpeed.back().to = to;
        } else {
            model.lineSpeed.push_back({from, to, run.speedKmh});
        }
        if (!model.gradients.empty() && model.gradients.back().perMille == run.gradient) {
            model.gradients.back().to = to;
        } else {
            model.gradients.push_back({from, to, run.gradient});
        }
        if (run.mountainType == 0) continue;
        if (!model.mountains.empty() && model.mountains.back().second == from) {
            model.mountains.back().second = to;
        } else {
            model.mountains.emplace_back(from, to);
        }
    }
}

}  // namespace

std::string_view mapObjectWord(MapObjectKind kind) {
    switch (kind) {
        case MapObjectKind::station:
            return "station";
        case MapObjectKind::signal:
            return "signal";
        case MapObjectKind::speedBoard:
            return "speed board";
        case MapObjectKind::locationBoard:
            return "location board";
        case MapObjectKind::slowdownWarning:
            return "slowdown warning";
        case MapObjectKind::slowdownStart:
            return "slowdown";
        case MapObjectKind::slowdownEnd:
            return "slowdown end";
        case MapObjectKind::mark:
            return "mark";
    }
    return "object";
}

std::int64_t drawnLineEnd(const scenario::RouteTable& route, const scenario::LineTable* train) {
    const std::int64_t routeEnd = cellStart(static_cast<std::int64_t>(route.size()));
    if (train && (*train)[scenario::kTrainGeneral].long2 > 0) {
        return std::min<std::int64_t>((*train)[scenario::kTrainGeneral].long2, routeEnd);
    }
    return routeEnd;
}

MapModel wholeLineMap(const MapSources& s) {
    MapModel model;
    const RouteReport report = routeReport(*s.route, s.train);
    model.lineEnd = drawnLineEnd(*s.route, s.train);
    model.name = "Compiled route";
    if (s.train) {
        model.name = common::utf8FromWindows1252((*s.train)[scenario::kLineGeneral].text) +
                     " \xE2\x80\x93 " +
                     common::utf8FromWindows1252((*s.train)[scenario::kRepetitionEntry].text);
    }
    model.from = 0;
    model.to = model.lineEnd;
    addObjects(model, s, report);
    addTrackRuns(model, report.runs);
    model.trainSpeed = trainLimit(model.lineSpeed, slowdownsOf(report.objects));
    for (const ApproachCode& a : report.approaches) {
        const std::int64_t at = cellStart(a.cell);
        if (within(model, at)) model.approaches.push_back({a.cell, at, a.code});
    }
    return stretchOf(model, {});
}

MapModel stretchOf(const MapModel& whole, const MapView& view) {
    MapModel model;
    model.name = whole.name;
    model.lineEnd = whole.lineEnd;
    model.stationCount = whole.stationCount;
    model.signalCount = whole.signalCount;
    model.from = 0;
    model.to = model.lineEnd;
    if (view.stretch) {
        model.from = std::clamp<std::int64_t>(view.stretch->from, 0, model.lineEnd);
        model.to = std::clamp<std::int64_t>(view.stretch->to, model.from, model.lineEnd);
        if (model.to - model.from < kShortestStretch) {
            const std::int64_t middle = (model.from + model.to) / 2;
            model.from = std::max<std::int64_t>(0, middle - kShortestStretch / 2);
            model.to = std::min(model.lineEnd, model.from + kShortestStretch);
            model.from = std::max<std::int64_t>(0, model.to - kShortestStretch);
        }
    }
    // The objects are in order of position: the stretch's are one run of them.
    const auto first =
        std::lower_bound(whole.objects.begin(), whole.objects.end(), model.from,
                         [](const MapObject& o, std::int64_t m) { return o.position < m; });
    const auto last =
        std::upper_bound(first, whole.objects.end(), model.to,
                         [](std::int64_t m, const MapObject& o) { return m < o.position; });
    model.objects.assign(first, last);
    model.trainSpeed = clipped(whole.trainSpeed, model.from, model.to);
    model.lineSpeed = clipped(whole.lineSpeed, model.from, model.to);
    model.gradients = clipped(whole.gradients, model.from, model.to);
    for (auto [from, to] : whole.mountains) {
        if (to <= model.from || from > model.to) continue;
        model.mountains.emplace_back(std::max(from, model.from), std::min(to, model.to));
    }
    const auto firstCode =
        std::lower_bound(whole.approaches.begin(), whole.approaches.end(), model.from,
                         [](const MapApproachCode& a, std::int64_t m) { return a.position < m; });
    const auto lastCode =
        std::upper_bound(firstCode, whole.approaches.end(), model.to,
                         [](std::int64_t m, const MapApproachCode& a) { return m < a.position; });
    model.approaches.assign(firstCode, lastCode);
    return model;
}

MapModel buildMapModel(const MapSources& sources, const MapView& view) {
    return stretchOf(wholeLineMap(sources), view);
}

double labelWidth(std::string_view text, double fontSize, bool bold) {
    double ems = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // One character of several bytes: no glyph of the font is wider than 1.5 em.
            while (i + 1 < text.size() &&
                   (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
                ++i;
            }
            ems += 1.5;
        } else if (std::string_view(" .,:;'|ijlIJ").find(static_cast<char>(c)) !=
                   std::string_view::npos) {
            ems += 0.35;
        } else if (std::string_view("-()[]/").find(static_cast<char>(c)) !=
                   std::string_view::npos) {
            ems += 0.4;
        } else if (c == 'M' || c == 'W' || c == 'm' || c == 'w') {
            ems += 1.0;
        } else if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')) {
            ems += 0.64;
        } else if (c >= 'A' && c <= 'Z') {
            ems += 0.79;
        } else {
            ems += 1.0;
        }
    }
    return ems * fontSize * (bold ? 1.15 : 1.0);
}

}  // namespace tool
