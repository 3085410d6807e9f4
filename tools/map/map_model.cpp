#include "tools/map/map_model.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
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

std::optional<MapObject> objectOf(const RouteObject& o, const std::vector<RouteObject>& all,
                                  std::size_t index) {
    MapObject m;
    m.cell = o.cell;
    m.position = objectPosition(o);
    const std::string at = kilometreText(m.position);
    switch (o.raw.kind) {
        case kSignal: {
            m.kind = MapObjectKind::signal;
            const scenario::SignalSides sides = scenario::unpackSignalSides(o.raw.value4);
            m.signalSides = std::pair{static_cast<int>(sides.sx), static_cast<int>(sides.dx)};
            m.title = "signal " + at;
            return m;
        }
        case kSpeedIndicator:
            m.kind = MapObjectKind::speedBoard;
            m.label = speedBoardLabel(o);
            m.speedKmh = o.raw.value1 / 20;
            m.title = "speed board " + m.label + " km/h " + at;
            return m;
        case kLocationBoard:
            m.kind = MapObjectKind::locationBoard;
            m.label = o.text.value_or("board " + std::to_string(o.raw.value1));
            m.title = "location board " + m.label + " " + at;
            return m;
        case kWarningBoard:
            m.kind = MapObjectKind::slowdownWarning;
            m.speedKmh = o.raw.value1;
            m.label = std::to_string(o.raw.value1);
            m.title = "slowdown warning board " + speedText(o.raw.value1) + " " + at;
            return m;
        case kSlowdownStart: {
            m.kind = MapObjectKind::slowdownStart;
            m.speedKmh = o.raw.value1;
            m.label = std::to_string(o.raw.value1);
            m.title = "slowdown " + speedText(o.raw.value1) + " from " + at;
            for (std::size_t i = index + 1; i < all.size(); ++i) {
                if (all[i].raw.kind == kSlowdownStart) break;
                if (all[i].raw.kind == kSlowdownEnd) {
                    m.until = objectPosition(all[i]);
                    m.title += " to " + kilometreText(*m.until);
                    break;
                }
            }
            return m;
        }
        case kSlowdownEnd:
            m.kind = MapObjectKind::slowdownEnd;
            m.speedKmh = o.raw.value1;
            m.title = "slowdown end " + speedText(o.raw.value1) + " " + at;
            return m;
        case kMark:
            m.kind = MapObjectKind::mark;
            m.speedKmh = o.raw.value1;
            m.title = "speed-supervision mark " + speedText(o.raw.value1) + " " + at;
            return m;
        case kMarkWithoutSpeed:
            m.kind = MapObjectKind::mark;
            m.title = "speed-supervision mark " + at;
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
    auto within = [&model](std::int64_t m) { return m >= model.from && m <= model.to; };

    std::vector<MapObject> stations = stationsOf(s, report);
    model.stationCount = stations.size();
    for (MapObject& st : stations) {
        if (within(st.position)) model.objects.push_back(std::move(st));
    }
    std::vector<SpeedStep> slowdowns;
    for (std::size_t i = 0; i < report.objects.size(); ++i) {
        const RouteObject& o = report.objects[i];
        if (o.raw.kind == kSignal) ++model.signalCount;
        if (o.raw.kind == kSlowdownStart) {
            // In force to its end cell, or over its own cell when the end shares it.
            std::int64_t end = objectPosition(o) + 50;
            for (std::size_t j = i + 1; j < report.objects.size(); ++j) {
                if (report.objects[j].raw.kind == kSlowdownStart) break;
                if (report.objects[j].raw.kind == kSlowdownEnd) {
                    end = std::max(end, objectPosition(report.objects[j]));
                    break;
                }
            }
            slowdowns.push_back({objectPosition(o), end, o.raw.value1});
        }
        std::optional<MapObject> m = objectOf(o, report.objects, i);
        if (m && within(m->position)) model.objects.push_back(std::move(*m));
    }
    std::stable_sort(
        model.objects.begin(), model.objects.end(),
        [](const MapObject& a, const MapObject& b) { return a.position < b.position; });

    for (const TrackRun& run : report.runs) {
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
    model.trainSpeed = trainLimit(model.lineSpeed, slowdowns);
    for (const ApproachCode& a : report.approaches) {
        const std::int64_t at = cellStart(a.cell);
        if (within(at)) model.approaches.push_back({a.cell, at, a.code});
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

// ---- plan geometry ----

namespace {

using Point = std::pair<double, double>;

double cross(const Point& o, const Point& a, const Point& b) {
    return (a.first - o.first) * (b.second - o.second) -
           (a.second - o.second) * (b.first - o.first);
}

// The convex hull, so that trying many turns costs a few dozen points each, not the line's.
std::vector<Point> hull(std::vector<Point> points) {
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (points.size() < 3) return points;
    std::vector<Point> h(2 * points.size());
    std::size_t k = 0;
    for (const Point& p : points) {
        while (k >= 2 && cross(h[k - 2], h[k - 1], p) <= 0) --k;
        h[k++] = p;
    }
    for (std::size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
        while (k >= lower && cross(h[k - 2], h[k - 1], points[i]) <= 0) --k;
        h[k++] = points[i];
    }
    h.resize(k - 1);
    return h;
}

// Plan (x east, y north) to an unscaled picture turned `degrees` clockwise (y down).
Point turned(const Point& p, double c, double s) {
    const double x = p.first;
    const double y = -p.second;
    return {x * c - y * s, x * s + y * c};
}

}  // namespace

std::optional<PlanGeometry> PlanGeometry::fit(const scenario::TrackPlan& plan, std::int64_t from,
                                              std::int64_t to, double width, double height,
                                              double margin) {
    if (!plan.dimensioned()) return std::nullopt;
    PlanGeometry g;
    g.plan_ = &plan;
    // For each metre, the last drawn point at or before it (-1 for none), so that a plan with
    // long empty stretches costs one pass rather than one search per point drawn.
    const std::uint8_t* xs = plan.tags(0);
    const std::uint8_t* ys = plan.tags(1);
    g.drawnAtOrBefore_.resize(static_cast<std::size_t>(plan.points()));
    std::int64_t last = -1;
    for (std::int64_t m = 0; m < plan.points(); ++m) {
        if (xs[m] != static_cast<std::uint8_t>(scenario::PlanTag::empty) &&
            ys[m] != static_cast<std::uint8_t>(scenario::PlanTag::empty)) {
            last = m;
        }
        g.drawnAtOrBefore_[static_cast<std::size_t>(m)] = last;
    }
    from = std::clamp<std::int64_t>(from, 0, plan.points() - 1);
    to = std::clamp<std::int64_t>(to, from, plan.points() - 1);
    std::vector<Point> points;
    const std::int64_t step = std::max<std::int64_t>(1, (to - from) / 4000);
    for (std::int64_t m = from;; m += step) {
        const std::int64_t at = std::min(m, to);
        const std::int64_t drawn = g.drawnAtOrBefore_[static_cast<std::size_t>(at)];
        if (drawn >= 0) points.emplace_back(plan.real(drawn, 0), plan.real(drawn, 1));
        if (at >= to) break;
    }
    const std::vector<Point> outline = hull(points);
    if (outline.empty()) return std::nullopt;

    const double innerWidth = std::max(width - 2 * margin, 1.0);
    const double innerHeight = std::max(height - 2 * margin, 1.0);
    auto scaleAt = [&](double degrees, Point* low, Point* high) {
        const double r = degrees * std::numbers::pi / 180;
        const double c = std::cos(r);
        const double s = std::sin(r);
        Point lo{1e300, 1e300};
        Point hi{-1e300, -1e300};
        for (const Point& p : outline) {
            const Point q = turned(p, c, s);
            lo = {std::min(lo.first, q.first), std::min(lo.second, q.second)};
            hi = {std::max(hi.first, q.first), std::max(hi.second, q.second)};
        }
        if (low) *low = lo;
        if (high) *high = hi;
        const double spanX = std::max(hi.first - lo.first, 1.0);
        const double spanY = std::max(hi.second - lo.second, 1.0);
        return std::min(innerWidth / spanX, innerHeight / spanY);
    };
    double best = 0;
    for (int d = 0; d < 180; ++d) best = std::max(best, scaleAt(d, nullptr, nullptr));
    // Of the turns that fill the panel nearly as well, the one nearest north-up, so that a
    // line that fits as it lies is not turned for a sliver of scale.
    double chosen = 0;
    for (int d = 0; d <= 180; ++d) {
        for (const int sign : {1, -1}) {
            if (scaleAt(sign * d, nullptr, nullptr) >= best * 0.97) {
                chosen = sign * d;
                d = 181;
                break;
            }
        }
    }
    Point lo;
    Point hi;
    g.rotation_ = chosen == -180 ? 180 : chosen;
    g.scale_ = scaleAt(g.rotation_, &lo, &hi);
    const double r = g.rotation_ * std::numbers::pi / 180;
    g.cos_ = std::cos(r);
    g.sin_ = std::sin(r);
    g.offsetX_ = (width - (hi.first - lo.first) * g.scale_) / 2 - lo.first * g.scale_;
    g.offsetY_ = (height - (hi.second - lo.second) * g.scale_) / 2 - lo.second * g.scale_;
    return g;
}

std::optional<std::pair<double, double>> PlanGeometry::at(std::int64_t metres) const {
    if (drawnAtOrBefore_.empty()) return std::nullopt;
    metres = std::clamp<std::int64_t>(metres, 0, lastPoint());
    const std::int64_t drawn = drawnAtOrBefore_[static_cast<std::size_t>(metres)];
    if (drawn < 0) return std::nullopt;
    const Point q = turned({plan_->real(drawn, 0), plan_->real(drawn, 1)}, cos_, sin_);
    return Point{offsetX_ + q.first * scale_, offsetY_ + q.second * scale_};
}

std::pair<double, double> PlanGeometry::direction(std::int64_t metres) const {
    // Over a few picture units either side, so that a kink of a metre does not turn a tick.
    const std::int64_t reach = std::max<std::int64_t>(5, static_cast<std::int64_t>(4 / scale_));
    const auto a = at(metres - reach);
    const auto b = at(metres + reach);
    if (a && b) {
        const double dx = b->first - a->first;
        const double dy = b->second - a->second;
        const double length = std::hypot(dx, dy);
        if (length > 1e-9) return {dx / length, dy / length};
    }
    return {sin_, -cos_};  // north
}

std::int64_t PlanGeometry::lastPoint() const {
    return static_cast<std::int64_t>(drawnAtOrBefore_.size()) - 1;
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
