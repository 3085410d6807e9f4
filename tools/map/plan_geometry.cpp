// The plan's picture: the turn and scale that fit a stretch of the track plan into a panel,
// and where each metre of it is drawn.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/map/map_model.h"

namespace tool {
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

// For each metre, the last drawn point at or before it (-1 for none), so that a plan with long
// empty stretches costs one pass rather than one search per point drawn.
std::vector<std::int64_t> drawnAtOrBefore(const scenario::TrackPlan& plan) {
    const std::uint8_t* xs = plan.tags(0);
    const std::uint8_t* ys = plan.tags(1);
    std::vector<std::int64_t> drawn(static_cast<std::size_t>(plan.points()));
    std::int64_t last = -1;
    for (std::int64_t m = 0; m < plan.points(); ++m) {
        if (xs[m] != static_cast<std::uint8_t>(scenario::PlanTag::empty) &&
            ys[m] != static_cast<std::uint8_t>(scenario::PlanTag::empty)) {
            last = m;
        }
        drawn[static_cast<std::size_t>(m)] = last;
    }
    return drawn;
}

// The outline of the stretch's drawn points, sampled at no more than about 4000 of them.
std::vector<Point> stretchOutline(const scenario::TrackPlan& plan,
                                  const std::vector<std::int64_t>& drawnAt, std::int64_t from,
                                  std::int64_t to) {
    from = std::clamp<std::int64_t>(from, 0, plan.points() - 1);
    to = std::clamp<std::int64_t>(to, from, plan.points() - 1);
    std::vector<Point> points;
    const std::int64_t step = std::max<std::int64_t>(1, (to - from) / 4000);
    for (std::int64_t m = from;; m += step) {
        const std::int64_t at = std::min(m, to);
        const std::int64_t drawn = drawnAt[static_cast<std::size_t>(at)];
        if (drawn >= 0) points.emplace_back(plan.real(drawn, 0), plan.real(drawn, 1));
        if (at >= to) break;
    }
    return hull(points);
}

// The outline turned by a number of degrees, and the scale at which it fills the panel.
class TurnedOutline {
  public:
    TurnedOutline(const std::vector<Point>& outline, double width, double height, double margin)
        : outline_(outline),
          innerWidth_(std::max(width - 2 * margin, 1.0)),
          innerHeight_(std::max(height - 2 * margin, 1.0)) {}

    // The scale at which the outline turned `degrees` fits the panel, and the corners of the
    // box it then takes, unscaled.
    double scaleAt(double degrees, Point* low = nullptr, Point* high = nullptr) const {
        const double r = degrees * std::numbers::pi / 180;
        const double c = std::cos(r);
        const double s = std::sin(r);
        Point lo{1e300, 1e300};
        Point hi{-1e300, -1e300};
        for (const Point& p : outline_) {
            const Point q = turned(p, c, s);
            lo = {std::min(lo.first, q.first), std::min(lo.second, q.second)};
            hi = {std::max(hi.first, q.first), std::max(hi.second, q.second)};
        }
        if (low) *low = lo;
        if (high) *high = hi;
        const double spanX = std::max(hi.first - lo.first, 1.0);
        const double spanY = std::max(hi.second - lo.second, 1.0);
        return std::min(innerWidth_ / spanX, innerHeight_ / spanY);
    }

    // Of the turns that fill the panel nearly as well as the best, the one nearest north-up,
    // so that a line that fits as it lies is not turned for a sliver of scale.
    double bestTurn() const {
        double best = 0;
        for (int d = 0; d < 180; ++d) best = std::max(best, scaleAt(d));
        for (int d = 0; d <= 180; ++d) {
            for (const int sign : {1, -1}) {
                if (scaleAt(sign * d) >= best * 0.97) return sign * d == -180 ? 180 : sign * d;
            }
        }
        return 0;
    }

  private:
    const std::vector<Point>& outline_;
    double innerWidth_;
    double innerHeight_;
};

}  // namespace

std::optional<PlanGeometry> PlanGeometry::fit(const scenario::TrackPlan& plan, std::int64_t from,
                                              std::int64_t to, double width, double height,
                                              double margin) {
    if (!plan.dimensioned()) return std::nullopt;
    PlanGeometry g;
    g.plan_ = &plan;
    g.drawnAtOrBefore_ = drawnAtOrBefore(plan);
    const std::vector<Point> outline = stretchOutline(plan, g.drawnAtOrBefore_, from, to);
    if (outline.empty()) return std::nullopt;

    const TurnedOutline turns(outline, width, height, margin);
    Point lo;
    Point hi;
    g.rotation_ = turns.bestTurn();
    g.scale_ = turns.scaleAt(g.rotation_, &lo, &hi);
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

}  // namespace tool
