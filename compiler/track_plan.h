// The track drawn in plan: one point per metre, points 0 to planLength, coordinates x (0) and
// y (1), as the line plan file carries it.
//
// The line reader draws the plan: points 0 and 1 fixed, then stretches in which each point is
// computed from the two before it, straight on or turned. A drawing is a few numbers a curve
// record, while its points take megabytes, so the points are computed only where they are
// used: straight into the line plan file by its encoder, or into stored points for readers that
// look at single points (storeDrawnPoints). A plan decoded from a file has stored points only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "compiler/bulk_memory.h"

namespace scenario {

// Type tags of a plan variant, as the line plan file stores them.
enum class PlanTag : std::uint8_t { empty = 0, integer = 2, real = 5 };

// One element of the track plan: empty, a 16-bit integer or a double.
struct PlanValue {
    PlanTag tag = PlanTag::empty;
    double value = 0.0;  // the integer's value for PlanTag::integer
};

// The points after the previous stretch up to `last`, each turned by `turnRate` from the
// direction of the two points before it (0: straight on).
struct PlanStretch {
    std::int64_t last = 0;
    double turnRate = 0.0;
};

// Points 0 and 1 of a plan whose start is drawn, [point][coordinate]: (0, 0) and (0, 1), stored
// as 16-bit integers.
inline constexpr std::int16_t kStartPoints[2][2] = {{0, 0}, {0, 1}};

// The two points before the next one, from which it is computed.
struct TrailingPoints {
    double x2 = 0.0;
    double y2 = 0.0;
    double x1 = 0.0;
    double y1 = 0.0;

    // Computes the next point, the step from the last two turned by `turnRate`, and moves on to
    // it. The one place where plan points are computed: whatever walks the drawing, stores it
    // or encodes it gets the same doubles.
    void step(double turnRate) {
        const double dx = x1 - x2;
        const double dy = y1 - y2;
        double x;
        double y;
        // Straight on adds no zero term: x + 0 would turn a -0 into +0.
        if (turnRate == 0.0) {
            x = x1 + dx;
            y = y1 + dy;
        } else {
            x = x1 + dx + turnRate * dy;
            y = y1 + dy - turnRate * dx;
        }
        x2 = x1;
        y2 = y1;
        x1 = x;
        y1 = y;
    }
};

class TrackPlan {
  public:
    TrackPlan() = default;
    TrackPlan(const TrackPlan& other);
    TrackPlan& operator=(const TrackPlan& other);
    TrackPlan(TrackPlan&&) noexcept;
    TrackPlan& operator=(TrackPlan&&) noexcept;
    ~TrackPlan() = default;

    bool dimensioned() const { return points_ > 0; }
    std::int64_t points() const { return points_; }  // planLength + 1
    void clear();

    // The drawing. startDrawing makes a plan of `points` empty points with nothing stored;
    // drawStart fixes points 0 and 1 at kStartPoints; drawStretch draws the
    // points from nextPoint() up to `last`.
    void startDrawing(std::int64_t points);
    void drawStart() { startDrawn_ = true; }
    void drawStretch(std::int64_t last, double turnRate);
    bool startDrawn() const { return startDrawn_; }
    // The first point not drawn: the one after the last stretch, or 2.
    std::int64_t nextPoint() const { return stretches_.empty() ? 2 : stretches_.back().last + 1; }
    // The same plan with its drawing alone, without stored points.
    TrackPlan drawing() const;

    // Calls visit(point, x, y) for every drawn point from 2 on, in order.
    template <class Visit>
    void forEachDrawnPoint(Visit&& visit) const;

    // Stored points. dimension makes a plan of `points` empty stored points and no drawing;
    // storeDrawnPoints computes the drawing into stored points. The readers of single points
    // below need stored points.
    void dimension(std::int64_t points);
    void storeDrawnPoints();
    bool pointsStored() const { return values_ != nullptr; }

    PlanValue at(std::int64_t point, int coord) const {
        const std::size_t i = index(point, coord);
        const auto tag = static_cast<PlanTag>(tags_[i]);
        return {tag, tag == PlanTag::empty ? 0.0 : values_[i]};
    }
    double real(std::int64_t point, int coord) const { return values_[index(point, coord)]; }
    void setReal(std::int64_t point, int coord, double v) {
        const std::size_t i = index(point, coord);
        tags_[i] = static_cast<std::uint8_t>(PlanTag::real);
        values_[i] = v;
    }
    void setInteger(std::int64_t point, int coord, std::int16_t v) {
        const std::size_t i = index(point, coord);
        tags_[i] = static_cast<std::uint8_t>(PlanTag::integer);
        values_[i] = v;
    }

    // One coordinate's stored tags and values, point 0 first, for the loops that walk a whole
    // plan.
    std::uint8_t* tags(int coord) { return tags_ + coord * points_; }
    const std::uint8_t* tags(int coord) const { return tags_ + coord * points_; }
    double* values(int coord) { return values_ + coord * points_; }
    const double* values(int coord) const { return values_ + coord * points_; }

  private:
    // The point index runs fastest: all x values, then all y values.
    std::size_t index(std::int64_t point, int coord) const {
        return static_cast<std::size_t>(coord * points_ + point);
    }
    void allocateStoredPoints();  // empty stored points for points_

    std::int64_t points_ = 0;
    bool startDrawn_ = false;
    std::vector<PlanStretch> stretches_;
    // Stored points, when there are: the values of all elements, then their tags, in one
    // block. Fresh bulk memory is zeroed, so every element starts empty without a pass over
    // megabytes to set it.
    BulkMemory storage_;
    double* values_ = nullptr;
    std::uint8_t* tags_ = nullptr;
};

template <class Visit>
void TrackPlan::forEachDrawnPoint(Visit&& visit) const {
    // Points 0 and 1 as drawn, or all 0 when the start was not drawn.
    TrailingPoints points;
    if (startDrawn_) {
        points = {kStartPoints[0][0], kStartPoints[0][1], kStartPoints[1][0], kStartPoints[1][1]};
    }
    std::int64_t m = 2;
    for (const PlanStretch& stretch : stretches_) {
        for (; m <= stretch.last; ++m) {
            points.step(stretch.turnRate);
            visit(m, points.x1, points.y1);
        }
    }
}

}  // namespace scenario
