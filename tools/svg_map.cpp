#include "tools/svg_map.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "compiler/windows1252.h"
#include "tools/compiled_checks.h"
#include "tools/inspection.h"
#include "tools/terminal_text.h"

namespace tool {
namespace {

using namespace scenario::CellKind;

constexpr double kWidth = 1400;
constexpr double kMargin = 40;
constexpr double kPlanMaxHeight = 820;

constexpr const char* kTrackColour = "#202020";
constexpr const char* kMountainColour = "#c79a5f";
constexpr const char* kSignalColour = "#d01c1c";
constexpr const char* kSpeedBoardColour = "#1f5fbf";
constexpr const char* kLocationBoardColour = "#1e8a3a";
constexpr const char* kStationColour = "#000000";

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

// Control characters are not allowed in XML at all, escaped or not; they are shown as text.
std::string escapeXml(std::string_view text) {
    std::string out;
    for (const char c : shownText(text)) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                // Control characters are not allowed in XML 1.0.
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
        }
    }
    return out;
}

// 1, 2 or 5 times a power of ten, the largest not above `target`.
double niceStep(double target) {
    if (target <= 0) return 1;
    const double power = std::pow(10.0, std::floor(std::log10(target)));
    for (const double f : {5.0, 2.0, 1.0}) {
        if (f * power <= target) return f * power;
    }
    return power;
}

std::string distanceText(double metres) {
    if (metres >= 1000) return num(metres / 1000).substr(0, num(metres / 1000).size() - 2) + " km";
    return std::to_string(static_cast<long long>(metres)) + " m";
}

struct Station {
    std::int64_t position = 0;
    std::string name;
};

struct Box {
    double x0, y0, x1, y1;
    bool overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

class SvgWriter {
  public:
    void add(const std::string& element) { body_ += element + "\n"; }
    void text(double x, double y, std::string_view content, const std::string& attributes) {
        add("<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" " + attributes + ">" +
            escapeXml(content) + "</text>");
    }
    std::string finish(double height) const {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
               num(kWidth) + "\" height=\"" + num(height) + "\" viewBox=\"0 0 " + num(kWidth) +
               " " + num(height) + "\" font-family=\"DejaVu Sans, Arial, sans-serif\">\n" +
               "<rect x=\"0\" y=\"0\" width=\"" + num(kWidth) + "\" height=\"" + num(height) +
               "\" fill=\"#ffffff\"/>\n" + body_ + "</svg>\n";
    }

  private:
    std::string body_;
};

class MapDrawing {
  public:
    explicit MapDrawing(const MapSources& s) : s_(s), report_(routeReport(*s.route, s.train)) {
        const std::int64_t routeEnd = cellStart(static_cast<std::int64_t>(s.route->size()));
        lineEnd_ = routeEnd;
        if (s.train && (*s.train)[scenario::kTrainGeneral].long2 > 0) {
            lineEnd_ = std::min<std::int64_t>((*s.train)[scenario::kTrainGeneral].long2, routeEnd);
        }
        collectStations();
    }

    std::string render() {
        double y = title();
        y = legend(y);
        if (s_.plan && s_.plan->dimensioned()) y = plan(y + 10);
        y = profile(y + 30);
        return svg_.finish(y + 20);
    }

  private:
    void collectStations() {
        if (s_.train) {
            const TrainLayout layout = trainLayout(*s_.train);
            for (int i = 1; i <= layout.stationCount; ++i) {
                const auto& e = (*s_.train)[static_cast<std::size_t>(i)];
                stations_.push_back({e.long3, scenario::utf8FromWindows1252(e.text)});
            }
            return;
        }
        for (const RouteObject& o : report_.objects) {
            if (o.raw.kind == kStationStop) {
                stations_.push_back({cellStart(o.cell), "station " + std::to_string(o.raw.value1)});
            }
        }
    }

    double title() {
        std::string name = "Compiled route";
        if (s_.train) {
            name = scenario::utf8FromWindows1252((*s_.train)[scenario::kLineGeneral].text) +
                   " \xE2\x80\x93 " +
                   scenario::utf8FromWindows1252((*s_.train)[scenario::kRepetitionEntry].text);
        }
        svg_.text(kMargin, 32, name, "font-size=\"20\" font-weight=\"bold\"");
        svg_.text(kMargin, 52,
                  "line length " + num(static_cast<double>(lineEnd_) / 1000) + " km, " +
                      std::to_string(stations_.size()) + " stations, " +
                      std::to_string(count(kSignal)) + " signals",
                  "font-size=\"12\" fill=\"#444444\"");
        return 60;
    }

    double legend(double y) {
        double x = kMargin;
        const double cy = y + 12;
        auto label = [&](const std::string& text) {
            svg_.text(x, cy + 4, text, "font-size=\"11\"");
            x += 10 + 6.2 * static_cast<double>(text.size());
        };
        svg_.add("<line x1=\"" + num(x) + "\" y1=\"" + num(cy) + "\" x2=\"" + num(x + 22) +
                 "\" y2=\"" + num(cy) + "\" stroke=\"" + kTrackColour + "\" stroke-width=\"2\"/>");
        x += 28;
        label("track");
        svg_.add("<rect x=\"" + num(x) + "\" y=\"" + num(cy - 5) +
                 "\" width=\"22\" height=\"10\" " + "fill=\"" + kMountainColour +
                 "\" fill-opacity=\"0.55\"/>");
        x += 28;
        label("mountain stretch");
        stationMark(x + 5, cy);
        x += 14;
        label("station");
        signalMark(x + 4, cy);
        x += 12;
        label("signal");
        speedBoardMark(x + 4, cy);
        x += 12;
        label("speed indicator board");
        locationBoardMark(x + 5, cy);
        x += 14;
        label("location board");
        return y + 24;
    }

    void stationMark(double x, double y) {
        svg_.add("<circle cx=\"" + num(x) + "\" cy=\"" + num(y) +
                 "\" r=\"4.5\" fill=\"#ffffff\" stroke=\"" + kStationColour +
                 "\" stroke-width=\"2\"/>");
    }
    void signalMark(double x, double y) {
        svg_.add("<circle cx=\"" + num(x) + "\" cy=\"" + num(y) + "\" r=\"2.6\" fill=\"" +
                 kSignalColour + "\"/>");
    }
    void speedBoardMark(double x, double y) {
        svg_.add("<rect x=\"" + num(x - 3) + "\" y=\"" + num(y - 3) +
                 "\" width=\"6\" height=\"6\" fill=\"" + kSpeedBoardColour + "\"/>");
    }
    void locationBoardMark(double x, double y) {
        svg_.add("<path d=\"M" + num(x) + " " + num(y - 5) + " L" + num(x + 5) + " " + num(y) +
                 " L" + num(x) + " " + num(y + 5) + " L" + num(x - 5) + " " + num(y) +
                 " Z\" fill=\"" + kLocationBoardColour + "\"/>");
    }

    std::size_t count(std::uint8_t kind) const {
        return static_cast<std::size_t>(
            std::count_if(report_.objects.begin(), report_.objects.end(),
                          [kind](const RouteObject& o) { return o.raw.kind == kind; }));
    }

    // ---- plan ----

    // The drawn point at metre m, or the last one drawn before it.
    std::optional<std::pair<double, double>> planPoint(std::int64_t m) const {
        if (drawnAtOrBefore_.empty()) return std::nullopt;
        m = std::clamp<std::int64_t>(m, 0, static_cast<std::int64_t>(drawnAtOrBefore_.size()) - 1);
        const std::int64_t at = drawnAtOrBefore_[static_cast<std::size_t>(m)];
        if (at < 0) return std::nullopt;
        return std::make_pair(s_.plan->real(at, 0), s_.plan->real(at, 1));
    }

    // For each metre, the last drawn point at or before it (-1 for none), so that a plan
    // with long empty stretches costs one pass rather than one search per point drawn.
    void indexDrawnPoints() {
        const scenario::TrackPlan& p = *s_.plan;
        drawnAtOrBefore_.assign(static_cast<std::size_t>(p.points()), -1);
        std::int64_t last = -1;
        for (std::int64_t m = 0; m < p.points(); ++m) {
            if (pointDrawn(p, m)) last = m;
            drawnAtOrBefore_[static_cast<std::size_t>(m)] = last;
        }
    }

    std::pair<double, double> toPicture(std::pair<double, double> point) const {
        return {offsetX_ + (point.first - extent_.minX) * scale_,
                top_ + (extent_.maxY - point.second) * scale_};
    }

    std::string planPath(std::int64_t from, std::int64_t to, std::int64_t step) const {
        std::string d;
        for (std::int64_t m = from;; m += step) {
            const std::int64_t at = std::min(m, to);
            if (const auto point = planPoint(at)) {
                const auto [x, y] = toPicture(*point);
                d += (d.empty() ? "M" : " L") + num(x) + " " + num(y);
            }
            if (at >= to) break;
        }
        return d;
    }

    double plan(double y) {
        extent_ = planReport(*s_.plan);
        if (extent_.drawnPoints < 2) return y;
        indexDrawnPoints();
        const double boxWidth = kWidth - 2 * kMargin - 160;  // room for labels on the right
        const double spanX = std::max(extent_.maxX - extent_.minX, 1.0);
        const double spanY = std::max(extent_.maxY - extent_.minY, 1.0);
        scale_ = std::min(boxWidth / spanX, kPlanMaxHeight / spanY);
        top_ = y + 20;
        offsetX_ = kMargin + 40 + (boxWidth - spanX * scale_) / 2;
        const double bottom = top_ + spanY * scale_;

        svg_.add("<rect x=\"" + num(kMargin) + "\" y=\"" + num(y) + "\" width=\"" +
                 num(kWidth - 2 * kMargin) + "\" height=\"" + num(bottom - y + 70) +
                 "\" fill=\"#f7f7f2\" stroke=\"#cccccc\"/>");
        svg_.text(kMargin + 8, y + 16, "Track plan", "font-size=\"13\" font-weight=\"bold\"");

        const std::int64_t lastPoint = s_.plan->points() - 1;
        const std::int64_t step = std::max<std::int64_t>(1, lastPoint / 4000);
        // Mountain stretches under the track.
        for (const auto& [from, to] : zoneStretches()) {
            svg_.add("<path d=\"" + planPath(from, to, std::max<std::int64_t>(1, step / 4)) +
                     "\" fill=\"none\" stroke=\"" + kMountainColour +
                     "\" stroke-opacity=\"0.55\" stroke-width=\"10\" stroke-linecap=\"butt\"/>");
        }
        svg_.add("<path d=\"" + planPath(0, std::min(lineEnd_, lastPoint), step) +
                 "\" fill=\"none\" stroke=\"" + kTrackColour +
                 "\" stroke-width=\"2\" stroke-linejoin=\"round\"/>");
        if (lineEnd_ < lastPoint) {
            svg_.add("<path d=\"" + planPath(lineEnd_, lastPoint, step) +
                     "\" fill=\"none\" stroke=\"#9a9a9a\" stroke-width=\"1.5\" "
                     "stroke-dasharray=\"4 3\"/>");
        }

        // Labels keep clear of every station's mark, not only of each other.
        std::vector<Box> taken;
        for (const Station& st : stations_) {
            if (const auto point = planPoint(st.position)) {
                const auto [x, py] = toPicture(*point);
                taken.push_back({x - 5, py - 5, x + 5, py + 5});
            }
        }
        for (const RouteObject& o : report_.objects) {
            const auto point = planPoint(cellStart(o.cell));
            if (!point) continue;
            const auto [x, py] = toPicture(*point);
            if (o.raw.kind == kSignal) signalMark(x, py);
            if (o.raw.kind == kSpeedIndicator) speedBoardMark(x, py);
            if (o.raw.kind == kLocationBoard) {
                locationBoardMark(x, py);
                placeLabel(x, py, o.text.value_or("board " + std::to_string(o.raw.value1)),
                           "font-size=\"10\" font-style=\"italic\" fill=\"" +
                               std::string(kLocationBoardColour) + "\"",
                           taken);
            }
        }
        for (const Station& st : stations_) {
            const auto point = planPoint(st.position);
            if (!point) continue;
            const auto [x, py] = toPicture(*point);
            stationMark(x, py);
            placeLabel(x, py, st.name, "font-size=\"11\"", taken);
        }
        scaleBar(bottom + 40, spanX);
        return bottom + 70;
    }

    // Puts a label beside the point: the first place that overlaps no earlier label or mark,
    // else the place that overlaps them least.
    void placeLabel(double x, double y, const std::string& text, const std::string& attributes,
                    std::vector<Box>& taken) {
        // Wide enough for capitals at the label's size, so that neighbours do not touch.
        const double w = 7.4 * static_cast<double>(text.size());
        const double h = 11;
        struct Place {
            double dx, dy;
            bool end;
        };
        std::vector<Place> places;
        for (const double dy : {4.0, -8.0, 14.0, -20.0, 26.0}) {
            places.push_back({8, dy, false});
            places.push_back({-8, dy, true});
        }
        auto boxAt = [&](const Place& p) {
            const double left = p.end ? x + p.dx - w : x + p.dx;
            return Box{left, y + p.dy - h, left + w, y + p.dy + 2};
        };
        auto overlap = [&taken](const Box& box) {
            double area = 0;
            for (const Box& b : taken) {
                if (!box.overlaps(b)) continue;
                area += (std::min(box.x1, b.x1) - std::max(box.x0, b.x0)) *
                        (std::min(box.y1, b.y1) - std::max(box.y0, b.y0));
            }
            return area;
        };
        const Place* best = &places.front();
        double bestOverlap = overlap(boxAt(*best));
        for (const Place& p : places) {
            const double o = overlap(boxAt(p));
            if (o < bestOverlap) {
                best = &p;
                bestOverlap = o;
            }
            if (o == 0) break;
        }
        taken.push_back(boxAt(*best));
        svg_.text(x + best->dx, y + best->dy, text,
                  attributes + (best->end ? " text-anchor=\"end\"" : ""));
    }

    void scaleBar(double y, double spanX) {
        const double metres = niceStep(spanX / 5);
        const double x0 = kMargin + 20;
        const double x1 = x0 + metres * scale_;
        svg_.add("<path d=\"M" + num(x0) + " " + num(y - 5) + " L" + num(x0) + " " + num(y) + " L" +
                 num(x1) + " " + num(y) + " L" + num(x1) + " " + num(y - 5) +
                 "\" fill=\"none\" stroke=\"#000000\" stroke-width=\"1.5\"/>");
        svg_.text((x0 + x1) / 2, y - 8, distanceText(metres),
                  "font-size=\"11\" text-anchor=\"middle\"");
        svg_.text(x1 + 12, y + 4, "north is up (+y of the plan); the line starts heading north",
                  "font-size=\"10\" fill=\"#666666\"");
    }

    // Stretches of consecutive cells with a mountain zone, in metres.
    std::vector<std::pair<std::int64_t, std::int64_t>> zoneStretches() const {
        std::vector<std::pair<std::int64_t, std::int64_t>> stretches;
        for (const TrackRun& run : report_.runs) {
            if (run.mountainType == 0) continue;
            const std::int64_t from = cellStart(run.firstCell);
            const std::int64_t to = cellStart(run.lastCell + 1);
            if (!stretches.empty() && stretches.back().second == from) {
                stretches.back().second = to;
            } else {
                stretches.emplace_back(from, to);
            }
        }
        return stretches;
    }

    // ---- profile ----

    double px(double metres) const { return profileLeft_ + metres / lineEnd_ * profileWidth_; }

    double profile(double y) {
        if (lineEnd_ <= 0) return y;
        profileLeft_ = kMargin + 60;
        profileWidth_ = kWidth - profileLeft_ - kMargin - 10;
        svg_.text(kMargin, y, "Profile", "font-size=\"13\" font-weight=\"bold\"");

        // The gradients are drawn as they are stored, per mille, without a height integrated
        // from them: the files say how steep the line is, not which way it climbs.
        const double namesTop = y + 10;
        const double gradientTop = namesTop + 150;
        const double gradientBottom = gradientTop + 130;
        const double speedTop = gradientBottom + 20;
        const double speedBottom = speedTop + 130;

        for (const Station& st : stations_) {
            if (st.position < 0 || st.position > lineEnd_) continue;
            const double x = px(static_cast<double>(st.position));
            svg_.add("<line x1=\"" + num(x) + "\" y1=\"" + num(gradientTop - 4) + "\" x2=\"" +
                     num(x) + "\" y2=\"" + num(speedBottom) +
                     "\" stroke=\"#8a8a8a\" stroke-width=\"0.8\" stroke-dasharray=\"3 3\"/>");
            svg_.add("<text transform=\"translate(" + num(x + 3.5) + " " + num(gradientTop - 6) +
                     ") rotate(-90)\" font-size=\"10\">" + escapeXml(st.name) + "</text>");
        }
        gradientBand(gradientTop, gradientBottom);
        speedBand(speedTop, speedBottom);
        return distanceAxis(speedBottom + 14);
    }

    void bandFrame(double top, double bottom, const std::string& name) {
        svg_.add("<rect x=\"" + num(profileLeft_) + "\" y=\"" + num(top) + "\" width=\"" +
                 num(profileWidth_) + "\" height=\"" + num(bottom - top) +
                 "\" fill=\"none\" stroke=\"#bbbbbb\"/>");
        svg_.add("<text transform=\"translate(" + num(kMargin + 6) + " " + num((top + bottom) / 2) +
                 ") rotate(-90)\" font-size=\"11\" text-anchor=\"middle\">" + escapeXml(name) +
                 "</text>");
    }

    void axisLabel(double y, const std::string& text) {
        svg_.text(profileLeft_ - 4, y + 4, text, "font-size=\"10\" text-anchor=\"end\"");
    }

    void gradientBand(double top, double bottom) {
        // The band shows below zero only when some gradient is negative.
        int up = 0;
        int down = 0;
        for (const TrackRun& run : report_.runs) {
            if (cellStart(run.firstCell) >= lineEnd_) continue;
            up = std::max(up, run.gradient);
            down = std::max(down, -run.gradient);
        }
        if (up == 0 && down == 0) up = 5;
        const double perMille = (bottom - top) / (up + down);
        const double mid = top + up * perMille;
        for (const auto& [from, to] : zoneStretches()) {
            if (from >= lineEnd_) continue;
            svg_.add("<rect x=\"" + num(px(static_cast<double>(from))) + "\" y=\"" + num(top) +
                     "\" width=\"" +
                     num(px(static_cast<double>(std::min(to, lineEnd_))) -
                         px(static_cast<double>(from))) +
                     "\" height=\"" + num(bottom - top) + "\" fill=\"" + kMountainColour +
                     "\" fill-opacity=\"0.3\"/>");
        }
        // Runs split by other track data are joined, so that one gradient is one bar.
        std::vector<TrackRun> bars;
        for (const TrackRun& run : report_.runs) {
            if (!bars.empty() && bars.back().gradient == run.gradient) {
                bars.back().lastCell = run.lastCell;
            } else {
                bars.push_back(run);
            }
        }
        for (const TrackRun& run : bars) {
            const double from = static_cast<double>(cellStart(run.firstCell));
            if (from >= lineEnd_ || run.gradient == 0) continue;
            const double to = std::min<double>(static_cast<double>(cellStart(run.lastCell + 1)),
                                               static_cast<double>(lineEnd_));
            const double h = std::abs(run.gradient) * perMille;
            svg_.add("<rect x=\"" + num(px(from)) + "\" y=\"" +
                     num(run.gradient > 0 ? mid - h : mid) + "\" width=\"" +
                     num(std::max(px(to) - px(from), 0.5)) + "\" height=\"" + num(h) +
                     "\" fill=\"" + (run.gradient > 0 ? "#c0504d" : "#4f81bd") + "\"/>");
        }
        svg_.add("<line x1=\"" + num(profileLeft_) + "\" y1=\"" + num(mid) + "\" x2=\"" +
                 num(profileLeft_ + profileWidth_) + "\" y2=\"" + num(mid) +
                 "\" stroke=\"#666666\" stroke-width=\"0.8\"/>");
        bandFrame(top, bottom, "gradient (\xE2\x80\xB0)");
        if (up > 0) axisLabel(top, "+" + std::to_string(up));
        axisLabel(mid, "0");
        if (down > 0) axisLabel(bottom, "-" + std::to_string(down));
    }

    void speedBand(double top, double bottom) {
        int fastest = 20;
        for (const TrackRun& run : report_.runs) {
            if (cellStart(run.firstCell) < lineEnd_) fastest = std::max(fastest, run.speedKmh);
        }
        const int ceiling = (fastest + 19) / 20 * 20;
        auto py = [&](double v) { return bottom - v / ceiling * (bottom - top - 10); };
        for (int v = 0; v <= ceiling; v += ceiling > 100 ? 40 : 20) {
            svg_.add("<line x1=\"" + num(profileLeft_) + "\" y1=\"" + num(py(v)) + "\" x2=\"" +
                     num(profileLeft_ + profileWidth_) + "\" y2=\"" + num(py(v)) +
                     "\" stroke=\"#e4e4e4\" stroke-width=\"0.8\"/>");
            axisLabel(py(v), std::to_string(v));
        }
        std::string d;
        for (const TrackRun& run : report_.runs) {
            const double from = static_cast<double>(cellStart(run.firstCell));
            if (from >= lineEnd_) break;
            const double to = std::min<double>(static_cast<double>(cellStart(run.lastCell + 1)),
                                               static_cast<double>(lineEnd_));
            d += (d.empty() ? "M" : " L") + num(px(from)) + " " + num(py(run.speedKmh)) + " L" +
                 num(px(to)) + " " + num(py(run.speedKmh));
        }
        svg_.add("<path d=\"" + d + "\" fill=\"none\" stroke=\"#7030a0\" stroke-width=\"1.8\"/>");
        for (const RouteObject& o : report_.objects) {
            if (o.raw.kind != kSignal || cellStart(o.cell) > lineEnd_) continue;
            const double x = px(static_cast<double>(cellStart(o.cell)));
            svg_.add("<line x1=\"" + num(x) + "\" y1=\"" + num(bottom) + "\" x2=\"" + num(x) +
                     "\" y2=\"" + num(bottom - 7) + "\" stroke=\"" + kSignalColour +
                     "\" stroke-width=\"1.2\"/>");
        }
        bandFrame(top, bottom, "speed limit (km/h)");
    }

    double distanceAxis(double y) {
        const double step = std::max(1000.0, niceStep(static_cast<double>(lineEnd_) / 16));
        for (double m = 0; m <= static_cast<double>(lineEnd_) + 0.5; m += step) {
            const double x = px(m);
            svg_.add("<line x1=\"" + num(x) + "\" y1=\"" + num(y - 14) + "\" x2=\"" + num(x) +
                     "\" y2=\"" + num(y - 8) + "\" stroke=\"#000000\"/>");
            svg_.text(x, y + 4, std::to_string(static_cast<long long>(m / 1000)),
                      "font-size=\"10\" text-anchor=\"middle\"");
        }
        svg_.text(profileLeft_ + profileWidth_ / 2, y + 20,
                  "distance from the start (km); red ticks: signals; dashed: stations",
                  "font-size=\"11\" text-anchor=\"middle\" fill=\"#444444\"");
        return y + 24;
    }

    const MapSources& s_;
    RouteReport report_;
    std::vector<Station> stations_;
    std::int64_t lineEnd_ = 0;
    SvgWriter svg_;
    PlanReport extent_;
    std::vector<std::int64_t> drawnAtOrBefore_;
    double scale_ = 1;
    double top_ = 0;
    double offsetX_ = 0;
    double profileLeft_ = 0;
    double profileWidth_ = 0;
};

}  // namespace

std::string renderMapSvg(const MapSources& sources) {
    return MapDrawing(sources).render();
}

}  // namespace tool
