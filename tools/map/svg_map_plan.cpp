// The track plan: turned and scaled to fill its panel, with km ticks along the track, the
// objects of the stretch drawn, and their names where they fit.
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "tools/compiled_files/inspection.h"
#include "tools/map/svg_map.h"
#include "tools/map/svg_map_parts.h"
#include "tools/map/svg_map_signs.h"
#include "tools/map/svg_map_support.h"

namespace tool {
namespace {

using namespace svg;

constexpr double kPlanMargin = 56;  // room for names beside the track at the panel's edge
constexpr double kTickHalf = 5;
constexpr double kSpeedValuesFrom = 20;  // picture units per km
// On-screen lengths, in picture units at the drawn scale, a detail needs to be told apart: a
// station's area longer than its ring, a stop cell clear of the ring, approach codes clear of
// each other. The page shows a detail at the zooms where it fits.
constexpr double kAreaFits = 14;
constexpr double kStopCellFits = 10;
constexpr double kApproachFits = 16;
constexpr double kNeverFits = 1e6;
constexpr const char* kDetailColour = "#0b6e99";

// The zoom (1: as drawn) from which something `length` picture units long gets `needed`.
double zoomToFit(double needed, double length) {
    return length > needed / kNeverFits ? std::max(needed / length, 0.0) : kNeverFits;
}

// A detail's zoom, and hidden in the picture as drawn when it does not fit there yet.
std::string fitAttributes(double minZoom) {
    return " data-min-zoom=\"" + num(minZoom) + "\"" +
           (minZoom > 1 ? " visibility=\"hidden\"" : "");
}

struct Drawn {
    const MapObject* object = nullptr;
    double x = 0, y = 0;
    std::string mark;
    std::string label;  // a placed <text>, or empty
};

std::string markOf(const MapObject& o, double x, double y) {
    switch (o.kind) {
        case MapObjectKind::station:
            return "<circle cx=\"" + num(x) + "\" cy=\"" + num(y) +
                   "\" r=\"4.5\" fill=\"#ffffff\" stroke=\"" + kStationColour +
                   "\" stroke-width=\"2\"/>";
        case MapObjectKind::signal:
            if (o.signalSides) return signalMark(*o.signalSides, x, y);
            return "<circle cx=\"" + num(x) + "\" cy=\"" + num(y) + "\" r=\"2.6\" fill=\"" +
                   kSignalColour + "\"/>";
        case MapObjectKind::speedBoard:
            return "<rect x=\"" + num(x - 3) + "\" y=\"" + num(y - 3) +
                   "\" width=\"6\" height=\"6\" fill=\"" + kSpeedBoardColour + "\"/>";
        case MapObjectKind::locationBoard:
            return "<path d=\"M" + num(x) + " " + num(y - 5) + " L" + num(x + 5) + " " + num(y) +
                   " L" + num(x) + " " + num(y + 5) + " L" + num(x - 5) + " " + num(y) +
                   " Z\" fill=\"" + kLocationBoardColour + "\"/>";
        case MapObjectKind::slowdownWarning:
            return "<path d=\"M" + num(x) + " " + num(y - 5) + " L" + num(x + 4.5) + " " +
                   num(y + 3.5) + " L" + num(x - 4.5) + " " + num(y + 3.5) + " Z\" fill=\"" +
                   kSlowdownColour + "\"/>";
        case MapObjectKind::slowdownStart:
        case MapObjectKind::slowdownEnd:
            return "<rect x=\"" + num(x - 3.5) + "\" y=\"" + num(y - 3.5) +
                   "\" width=\"7\" height=\"7\" fill=\"#ffffff\" stroke=\"" + kSlowdownColour +
                   "\" stroke-width=\"2\"/>";
        case MapObjectKind::mark:
            return "<rect x=\"" + num(x - 2) + "\" y=\"" + num(y - 2) +
                   "\" width=\"4\" height=\"4\" fill=\"" + kMarkColour + "\"/>";
    }
    return {};
}

double markRadius(MapObjectKind kind) {
    switch (kind) {
        case MapObjectKind::station:
        case MapObjectKind::locationBoard:
        case MapObjectKind::slowdownWarning:
            return 5.5;
        case MapObjectKind::slowdownStart:
        case MapObjectKind::slowdownEnd:
            return 4.5;
        case MapObjectKind::signal:
            return 4;
        default:
            return 3;
    }
}

// Which objects are named on the plan, in the order their names claim room.
int labelRank(MapObjectKind kind) {
    switch (kind) {
        case MapObjectKind::station:
            return 0;
        case MapObjectKind::locationBoard:
            return 1;
        case MapObjectKind::slowdownStart:
            return 2;
        case MapObjectKind::speedBoard:
            return 4;
        default:
            return -1;
    }
}

// Drawing order: the small marks under the larger ones, stations on top.
int layer(MapObjectKind kind) {
    switch (kind) {
        case MapObjectKind::mark:
            return 0;
        case MapObjectKind::signal:
            return 1;
        case MapObjectKind::speedBoard:
            return 2;
        case MapObjectKind::slowdownWarning:
        case MapObjectKind::slowdownStart:
        case MapObjectKind::slowdownEnd:
            return 3;
        case MapObjectKind::locationBoard:
            return 4;
        case MapObjectKind::station:
            return 5;
    }
    return 0;
}

class PlanPicture {
  public:
    PlanPicture(const MapModel& model, const PlanGeometry& geometry, const MapView& view)
        : m_(model), g_(geometry), width_(view.planWidth), height_(view.planHeight) {}

    // The least zoom at which an approach code fits, once render has placed them; nothing
    // when there is none.
    std::optional<double> approachCodesFrom() const { return codesFrom_; }

    // Only the approach codes' group: the rest of the plan is drawn by another request.
    std::string renderApproachCodesOnly() { return approachCodes(MapView::ApproachCodes::only); }

    std::string render(MapView::ApproachCodes codes) {
        std::string body = "<rect x=\"0\" y=\"0\" width=\"" + num(width_) + "\" height=\"" +
                           num(height_) + "\" fill=\"#f7f7f2\" stroke=\"#cccccc\"/>\n";
        // Names stay inside the panel, and clear of what stands at its edges.
        space_.keepWithin({2, 2, width_ - 2, height_ - 2});
        sampleTrack();
        const std::string edges = furniture();
        body += stationAreas();
        body += track();
        body += stopCells() + approachCodes(codes);
        std::vector<Drawn> drawn = marks();
        body += names(drawn);
        std::stable_sort(drawn.begin(), drawn.end(), [](const Drawn& a, const Drawn& b) {
            return layer(a.object->kind) < layer(b.object->kind);
        });
        for (const Drawn& d : drawn) {
            body += objectOpen(*d.object, d.x, d.y) + d.mark + d.label + "</g>\n";
        }
        return body + edges;
    }

  private:
    // The mountain stretches, the rest of the line or the plan beyond its end, and the track.
    std::string track() {
        std::string out;
        const std::int64_t step = pathStep();
        for (const auto& [from, to] : m_.mountains) {
            out += "<path class=\"mountain\" d=\"" + path(from, to, step) +
                   "\" fill=\"none\" stroke=\"" + kMountainColour +
                   "\" stroke-opacity=\"0.55\" stroke-width=\"10\" stroke-linecap=\"butt\"/>\n";
        }
        const bool wholeLine = m_.from == 0 && m_.to == m_.lineEnd;
        if (!wholeLine) {
            // The rest of the line, faint, for where the stretch lies; the panel clips it.
            out += "<path class=\"context\" d=\"" + path(0, g_.lastPoint(), step) +
                   "\" fill=\"none\" stroke=\"#b8b8b8\" stroke-width=\"1.5\"/>\n";
        }
        out += "<path class=\"track\" d=\"" + path(m_.from, m_.to, step) +
               "\" fill=\"none\" stroke=\"" + kTrackColour +
               "\" stroke-width=\"2\" stroke-linejoin=\"round\"/>\n";
        if (wholeLine && m_.lineEnd < g_.lastPoint()) {
            // The plan's margin beyond the line's end.
            out += "<path class=\"beyond\" d=\"" + path(m_.lineEnd, g_.lastPoint(), step) +
                   "\" fill=\"none\" stroke=\"#9a9a9a\" stroke-width=\"1.5\" "
                   "stroke-dasharray=\"4 3\"/>\n";
        }
        // Names keep clear of the track where they can: small boxes along it.
        for (const auto& [x, y] : samples_) space_.takeSoft({x - 3, y - 3, x + 3, y + 3});
        return out;
    }

    // The metres between the points of a path along the track: about three quarters of a
    // picture unit, so that a drawn path follows every turn the eye can see.
    std::int64_t pathStep() const {
        return std::max<std::int64_t>(1,
                                      static_cast<std::int64_t>(0.75 / std::max(g_.scale(), 1e-9)));
    }

    // Each station's area as a band along the track, under it.
    std::string stationAreas() {
        std::string out;
        const std::int64_t step = pathStep();
        for (const MapObject& o : m_.objects) {
            if (!o.area || !o.station) continue;
            // Its ends on the track's own points, so that the band lies along the track drawn.
            const std::int64_t from = std::max(o.area->from / step * step, m_.from);
            const std::int64_t to = std::min((o.area->to + step - 1) / step * step, m_.to);
            if (to <= from) continue;
            const std::string d = path(from, to, step);
            if (d.empty()) continue;
            out += "<path class=\"station-area\" data-area-of=\"" + std::to_string(*o.station) +
                   "\"" + fitAttributes(zoomToFit(kAreaFits, (to - from) * g_.scale())) + " d=\"" +
                   d + "\" fill=\"none\" stroke=\"" + kStationColour +
                   "\" stroke-opacity=\"0.22\" stroke-width=\"9\" stroke-linecap=\"butt\"/>\n";
        }
        return out;
    }

    // A bar across the track at each station's stop cell, once it stands clear of the ring.
    std::string stopCells() {
        std::string out;
        for (const MapObject& o : m_.objects) {
            if (!o.stopCell || !o.station) continue;
            const std::int64_t at = cellStart(*o.stopCell) + 25;
            const auto p = g_.at(at);
            const auto ring = g_.at(o.position);
            if (!p || !ring || at < m_.from || at > m_.to) continue;
            const auto [dx, dy] = g_.direction(at);
            const double apart = std::hypot(p->first - ring->first, p->second - ring->second);
            const double area =
                o.area ? static_cast<double>(o.area->to - o.area->from) * g_.scale() : 0;
            const double zoom =
                std::max(zoomToFit(kStopCellFits, apart), zoomToFit(kAreaFits, area));
            out += "<g class=\"stop-cell\" data-stop-of=\"" + std::to_string(*o.station) +
                   "\" data-anchor=\"" + num(p->first) + " " + num(p->second) + "\"" +
                   fitAttributes(zoom) + "><line x1=\"" + num(p->first + dy * 6) + "\" y1=\"" +
                   num(p->second - dx * 6) + "\" x2=\"" + num(p->first - dy * 6) + "\" y2=\"" +
                   num(p->second + dx * 6) + "\" stroke=\"" + kDetailColour +
                   "\" stroke-width=\"2.5\"/></g>\n";
        }
        return out;
    }

    // Each approach code beside its cell, on the side away from the names' first choice,
    // where it stands clear of its neighbours.
    std::string approachCodes(MapView::ApproachCodes codes) {
        struct Point {
            const MapApproachCode* code;
            double x, y;
        };
        std::vector<Point> points;
        for (const MapApproachCode& a : m_.approaches) {
            if (const auto p = g_.at(a.position + 25)) points.push_back({&a, p->first, p->second});
        }
        if (points.empty()) return {};
        const auto gap = [&points](std::size_t i, std::size_t j) {
            return std::hypot(points[i].x - points[j].x, points[i].y - points[j].y);
        };
        // What every code shares is said once, on the group that holds them: a long line has
        // thousands. Each text keeps its size and anchor, so that it reads alone as a label.
        TextStyle style;
        style.size = 8;
        style.anchor = Anchor::middle;
        std::string out = "<g class=\"approach-codes\" stroke-width=\"1\" fill=\"" +
                          std::string(kDetailColour) + "\">\n";
        for (std::size_t i = 0; i < points.size(); ++i) {
            double nearest = std::numeric_limits<double>::infinity();
            if (i > 0) nearest = gap(i, i - 1);
            if (i + 1 < points.size()) nearest = std::min(nearest, gap(i, i + 1));
            const double zoom = std::isinf(nearest) ? 0 : zoomToFit(kApproachFits, nearest);
            codesFrom_ = std::min(codesFrom_.value_or(zoom), zoom);
            if (codes == MapView::ApproachCodes::apart) continue;
            const Point& p = points[i];
            const auto [dx, dy] = g_.direction(p.code->position + 25);
            const std::string code = std::to_string(p.code->code);
            out += "<g class=\"approach\" data-code=\"" + code + "\" data-anchor=\"" + num(p.x) +
                   " " + num(p.y) + "\"" + fitAttributes(zoom) + "><line x1=\"" + num(p.x) +
                   "\" y1=\"" + num(p.y) + "\" x2=\"" + num(p.x + dy * 4) + "\" y2=\"" +
                   num(p.y - dx * 4) + "\" stroke=\"" + kDetailColour + "\"/>" +
                   textElement(p.x + dy * 10, p.y - dx * 10 + style.size * 0.35, code, style) +
                   "</g>\n";
        }
        return out + "</g>\n";
    }

    // Each object's mark where the plan draws it. A station's mark no name may cover; the
    // others' a name avoids where it can.
    std::vector<Drawn> marks() {
        std::vector<Drawn> drawn;
        for (const MapObject& o : m_.objects) {
            const auto at = g_.at(o.position);
            if (!at) continue;
            Drawn d{&o, at->first, at->second, markOf(o, at->first, at->second), {}};
            const double r = markRadius(o.kind);
            const Box box{d.x - r, d.y - r, d.x + r, d.y + r};
            if (o.kind == MapObjectKind::station) {
                space_.takeHard(box);
            } else {
                space_.takeSoft(box);
            }
            drawn.push_back(std::move(d));
        }
        return drawn;
    }

    // Names claim room by rank: the line's two ends, the other stations, location boards,
    // then the km numbers, slowdowns and speed boards. Gives the km ticks.
    std::string names(std::vector<Drawn>& drawn) {
        int firstStation = std::numeric_limits<int>::max();
        int lastStation = std::numeric_limits<int>::min();
        for (const MapObject& o : m_.objects) {
            if (o.kind != MapObjectKind::station || !o.station) continue;
            firstStation = std::min(firstStation, *o.station);
            lastStation = std::max(lastStation, *o.station);
        }
        const auto end = [&](const Drawn* d) {
            return d->object->station &&
                   (*d->object->station == firstStation || *d->object->station == lastStation);
        };
        std::vector<Drawn*> ranked;
        for (Drawn& d : drawn) {
            if (labelRank(d.object->kind) >= 0) ranked.push_back(&d);
        }
        std::stable_sort(ranked.begin(), ranked.end(), [&end](const Drawn* a, const Drawn* b) {
            const int ra = labelRank(a->object->kind);
            const int rb = labelRank(b->object->kind);
            if (ra != rb) return ra < rb;
            return end(a) && !end(b);
        });
        std::optional<std::string> ticks;
        for (Drawn* d : ranked) {
            if (!ticks && labelRank(d->object->kind) > 1) ticks = kmTicks();
            label(*d);
        }
        return ticks ? *ticks : kmTicks();
    }

    // The track from `from` to `to` as path data, a point every `step` metres. Only what
    // passes near the panel is written: the rest of a long line drawn around a short stretch
    // would fill the picture with points no one sees.
    std::string path(std::int64_t from, std::int64_t to, std::int64_t step) const {
        std::string d;
        auto near = [this](const std::pair<double, double>& p) {
            return p.first > -width_ && p.first < 2 * width_ && p.second > -height_ &&
                   p.second < 2 * height_;
        };
        std::optional<std::pair<double, double>> previous;
        bool penDown = false;
        // The points between the ends stand on one grid of `step` for every path, so that a
        // station's area lies on the track however far the plan is zoomed.
        for (std::int64_t m = from;; m = (m / step + 1) * step) {
            const std::int64_t at = std::min(m, to);
            if (const auto p = g_.at(at)) {
                if (near(*p) || (previous && near(*previous))) {
                    if (!penDown && previous) {
                        d += (d.empty() ? "M" : " M") + num(previous->first) + " " +
                             num(previous->second);
                    }
                    d += (d.empty() ? "M" : " L") + num(p->first) + " " + num(p->second);
                    penDown = true;
                } else {
                    penDown = false;
                }
                previous = p;
            }
            if (at >= to) break;
        }
        return d;
    }

    // Points of the track every few picture units.
    void sampleTrack() {
        const std::int64_t every =
            std::max<std::int64_t>(1, static_cast<std::int64_t>(6 / std::max(g_.scale(), 1e-9)));
        for (std::int64_t m = m_.from; m <= m_.to; m += every) {
            if (const auto p = g_.at(m)) samples_.push_back(*p);
        }
    }

    void label(Drawn& d) {
        const MapObject& o = *d.object;
        if (o.label.empty()) return;
        // Speed boards stand every few km; their values would crowd a whole line's plan, and
        // the speed chart gives them. They are named on a plan drawn large.
        if (o.kind == MapObjectKind::speedBoard && 1000 * g_.scale() < kSpeedValuesFrom) return;
        TextStyle style;
        style.size = 11;
        if (o.kind == MapObjectKind::locationBoard) {
            style.size = 10;
            style.italic = true;
            style.fill = kLocationBoardColour;
        } else if (o.kind == MapObjectKind::speedBoard) {
            style.size = 9;
            style.fill = kSpeedBoardColour;
        } else if (o.kind == MapObjectKind::slowdownStart) {
            style.size = 9;
            style.fill = kSlowdownColour;
        }
        // Names may stand further out than values, with a line to their mark.
        const bool name =
            o.kind == MapObjectKind::station || o.kind == MapObjectKind::locationBoard;
        const double r = markRadius(o.kind);
        auto placed =
            space_.place(o.label, style, placesAround(d.x, d.y, r, style.size, name ? 3 : 2));
        if (!placed) return;
        d.label = placed->element;
        const Box& b = placed->box;
        const double nearX = std::clamp(d.x, b.x0, b.x1);
        const double nearY = std::clamp(d.y, b.y0 + 0.2 * style.size, b.y1);
        if (std::hypot(nearX - d.x, nearY - d.y) > r + 1.5 * style.size) {
            const double length = std::hypot(nearX - d.x, nearY - d.y);
            const double sx = d.x + (nearX - d.x) / length * r;
            const double sy = d.y + (nearY - d.y) / length * r;
            d.label = "<line x1=\"" + num(sx) + "\" y1=\"" + num(sy) + "\" x2=\"" + num(nearX) +
                      "\" y2=\"" + num(nearY) + "\" stroke=\"#888888\" stroke-width=\"0.7\"/>" +
                      d.label;
        }
    }

    // A tick across the track at every whole km (or every 2, 5, 10... when they would crowd),
    // with its number beside it where it fits.
    std::string kmTicks() {
        const double pixelsPerKm = 1000 * g_.scale();
        double every = 1;
        for (const double candidate : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0, 200.0, 500.0}) {
            every = candidate;
            if (candidate * pixelsPerKm >= 32) break;
        }
        const auto stepKm = static_cast<std::int64_t>(every);
        std::string out;
        const std::int64_t firstKm = (m_.from + 999) / 1000;
        for (std::int64_t km = (firstKm + stepKm - 1) / stepKm * stepKm; km * 1000 <= m_.to;
             km += stepKm) {
            const auto p = g_.at(km * 1000);
            if (!p) continue;
            const auto [dx, dy] = g_.direction(km * 1000);
            const double nx = -dy;  // across the track
            const double ny = dx;
            out += "<g class=\"km-tick\" data-km=\"" + std::to_string(km) + "\" data-anchor=\"" +
                   num(p->first) + " " + num(p->second) + "\"><line x1=\"" +
                   num(p->first - nx * kTickHalf) + "\" y1=\"" + num(p->second - ny * kTickHalf) +
                   "\" x2=\"" + num(p->first + nx * kTickHalf) + "\" y2=\"" +
                   num(p->second + ny * kTickHalf) + "\" stroke=\"#2060a0\" stroke-width=\"1.4\"/>";
            TextStyle style;
            style.size = 9;
            style.fill = "#2060a0";
            const std::string text = std::to_string(km);
            std::vector<LabelSpace::Place> places;
            for (const double side : {1.0, -1.0}) {
                const double cx = p->first + side * nx * (kTickHalf + 8);
                const double cy = p->second + side * ny * (kTickHalf + 8);
                places.push_back({cx, cy + style.size * 0.35, Anchor::middle});
            }
            if (auto t = space_.place(text, style, places)) out += t->element;
            out += "</g>\n";
        }
        return out;
    }

    // The heading, the north arrow, the legend and the scale bar, each kept clear of names.
    std::string furniture() {
        std::string out;
        TextStyle heading;
        heading.size = 13;
        heading.bold = true;
        std::string title = "Track plan";
        if (m_.from != 0 || m_.to != m_.lineEnd) {
            title += " " + kilometreText(m_.from) + " to " + kilometreText(m_.to);
        }
        out += textElement(10, 20, title, heading) + "\n";
        space_.takeHard(textBox(10, 20, title, heading));
        out += northArrow();
        out += legend();
        return out + scaleBar();
    }

    // North arrow, turned as the plan is, in the top corner the track leaves freer, so that it
    // does not hide an end of the line.
    std::string northArrow() {
        auto crowd = [this](double x, double y) {
            return std::count_if(samples_.begin(), samples_.end(), [&](const auto& p) {
                return std::abs(p.first - x) < 60 && std::abs(p.second - y) < 60;
            });
        };
        const bool left = crowd(40, 70) < crowd(width_ - 40, 44);
        const double cx = left ? 40 : width_ - 40;
        const double cy = left ? 70 : 44;
        const double r = g_.rotation() * 3.14159265358979323846 / 180;
        const double ux = std::sin(r);
        const double uy = -std::cos(r);
        auto pt = [&](double along, double across) {
            return num(cx + ux * along - uy * across) + " " + num(cy + uy * along + ux * across);
        };
        std::string out =
            "<g class=\"north-arrow\"><title>north (the plan is turned " + num(g_.rotation()) +
            "\xC2\xB0 clockwise)</title><circle cx=\"" + num(cx) + "\" cy=\"" + num(cy) +
            "\" r=\"20\" fill=\"#ffffff\" stroke=\"#999999\"/><path d=\"M" + pt(17, 0) + " L" +
            pt(-10, 7) + " L" + pt(-4, 0) + " L" + pt(-10, -7) + " Z\" fill=\"#333333\"/>";
        TextStyle n;
        n.size = 11;
        n.bold = true;
        n.anchor = Anchor::middle;
        const double nx = cx + ux * 29;
        const double ny = cy + uy * 29 + 4;
        out += textElement(nx, ny, "N", n) + "</g>\n";
        space_.takeHard({cx - 22, cy - 22, cx + 22, cy + 22});
        space_.takeHard(textBox(nx, ny, "N", n));
        return out;
    }

    // The legend at the bottom right.
    std::string legend() {
        Box legendBox;
        const std::string legendText = planLegend(legendContent(), width_, height_, legendBox);
        if (!legendText.empty()) space_.takeHard(legendBox);
        return legendText;
    }

    // The scale bar at the bottom left.
    std::string scaleBar() {
        const double target = 140 / std::max(g_.scale(), 1e-9);
        double metres = niceStepAbove(target / 2);
        if (metres * g_.scale() > 200) metres /= 2;
        const double x0 = 20;
        const double x1 = x0 + metres * g_.scale();
        const double y = height_ - 16;
        std::string out = "<path class=\"scale-bar\" d=\"M" + num(x0) + " " + num(y - 5) + " L" +
                          num(x0) + " " + num(y) + " L" + num(x1) + " " + num(y) + " L" + num(x1) +
                          " " + num(y - 5) +
                          "\" fill=\"none\" stroke=\"#000000\" stroke-width=\"1.5\"/>\n";
        TextStyle small;
        small.size = 10;
        small.anchor = Anchor::middle;
        const std::string distance = metres >= 1000
                                         ? std::to_string(std::llround(metres / 1000)) + " km"
                                         : std::to_string(std::llround(metres)) + " m";
        out += textElement((x0 + x1) / 2, y - 8, distance, small) + "\n";
        space_.takeHard({x0 - 2, y - 8 - 10, x1 + 2, y + 2});
        space_.takeHard(textBox((x0 + x1) / 2, y - 8, distance, small));
        return out;
    }

    LegendContent legendContent() const {
        LegendContent c;
        for (const MapObject& o : m_.objects) {
            if (o.signalSides) c.signalKinds.push_back(*o.signalSides);
            if (o.kind != MapObjectKind::station) continue;
            c.stations = true;
            c.areas = c.areas || o.area;
            c.stopCells = c.stopCells || o.stopCell;
        }
        std::sort(c.signalKinds.begin(), c.signalKinds.end());
        c.signalKinds.erase(std::unique(c.signalKinds.begin(), c.signalKinds.end()),
                            c.signalKinds.end());
        c.approaches = !m_.approaches.empty();
        return c;
    }

    const MapModel& m_;
    const PlanGeometry& g_;
    double width_;
    double height_;
    std::optional<double> codesFrom_;
    LabelSpace space_;
    std::vector<std::pair<double, double>> samples_;
};

std::string planRoot(const MapView& view, double rotation, double scale,
                     std::optional<double> codesFrom = std::nullopt) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" class=\"track-plan\" "
           "width=\"" +
           num(view.planWidth) + "\" height=\"" + num(view.planHeight) + "\" viewBox=\"0 0 " +
           num(view.planWidth) + " " + num(view.planHeight) + "\" font-family=\"" + kFontFamily +
           "\" data-rotation=\"" + num(rotation) + "\" data-scale=\"" + std::to_string(scale) +
           "\"" +
           (codesFrom ? " data-approach-codes-from=\"" + num(*codesFrom) + "\"" : std::string()) +
           ">\n";
}

}  // namespace

std::optional<std::string> planSvg(const MapModel& model, const scenario::TrackPlan* plan,
                                   const MapView& view) {
    if (!plan) return std::nullopt;
    const std::optional<PlanGeometry> geometry = PlanGeometry::fit(
        *plan, model.from, model.to, view.planWidth, view.planHeight, kPlanMargin);
    if (!geometry) return std::nullopt;
    PlanPicture picture(model, *geometry, view);
    using Codes = MapView::ApproachCodes;
    if (view.approachCodes == Codes::only) {
        return planRoot(view, geometry->rotation(), geometry->scale()) +
               picture.renderApproachCodesOnly() + "</svg>\n";
    }
    const std::string body = picture.render(view.approachCodes);
    const std::optional<double> codesFrom =
        view.approachCodes == Codes::apart ? picture.approachCodesFrom() : std::nullopt;
    return planRoot(view, geometry->rotation(), geometry->scale(), codesFrom) + body + "</svg>\n";
}

std::string renderPlanSvg(const MapSources& sources, const MapView& view) {
    return renderPlanSvg(wholeLineMap(sources), sources.plan, view);
}

std::string renderPlanSvg(const MapModel& wholeLine, const scenario::TrackPlan* plan,
                          const MapView& view) {
    const MapModel model = stretchOf(wholeLine, view);
    return planSvg(model, plan, view).value_or(planRoot(view, 0, 0) + "</svg>\n");
}

}  // namespace tool
