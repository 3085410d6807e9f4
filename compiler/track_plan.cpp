#include "compiler/track_plan.h"

#include <cstring>
#include <utility>

namespace scenario {

TrackPlan::TrackPlan(const TrackPlan& other) : TrackPlan(other.drawing()) {
    if (other.pointsStored()) {
        allocateStoredPoints();
        std::memcpy(storage_.data(), other.storage_.data(), storage_.size());
    }
}

TrackPlan& TrackPlan::operator=(const TrackPlan& other) {
    if (this != &other) *this = TrackPlan(other);
    return *this;
}

TrackPlan::TrackPlan(TrackPlan&& other) noexcept
    : points_(std::exchange(other.points_, 0)),
      startDrawn_(std::exchange(other.startDrawn_, false)),
      stretches_(std::exchange(other.stretches_, {})),
      storage_(std::move(other.storage_)),
      values_(std::exchange(other.values_, nullptr)),
      tags_(std::exchange(other.tags_, nullptr)) {}

TrackPlan& TrackPlan::operator=(TrackPlan&& other) noexcept {
    if (this != &other) {
        points_ = std::exchange(other.points_, 0);
        startDrawn_ = std::exchange(other.startDrawn_, false);
        stretches_ = std::exchange(other.stretches_, {});
        storage_ = std::move(other.storage_);
        values_ = std::exchange(other.values_, nullptr);
        tags_ = std::exchange(other.tags_, nullptr);
    }
    return *this;
}

void TrackPlan::clear() {
    points_ = 0;
    startDrawn_ = false;
    stretches_.clear();
    storage_ = BulkMemory();
    values_ = nullptr;
    tags_ = nullptr;
}

void TrackPlan::startDrawing(std::int64_t points) {
    clear();
    points_ = points;
}

void TrackPlan::drawStretch(std::int64_t last, double turnRate) {
    if (last < nextPoint()) return;
    stretches_.push_back({last, turnRate});
}

TrackPlan TrackPlan::drawing() const {
    TrackPlan plan;
    plan.points_ = points_;
    plan.startDrawn_ = startDrawn_;
    plan.stretches_ = stretches_;
    return plan;
}

void TrackPlan::dimension(std::int64_t points) {
    clear();
    points_ = points;
    allocateStoredPoints();
}

void TrackPlan::allocateStoredPoints() {
    const auto elements = static_cast<std::size_t>(2 * points_);
    storage_ = BulkMemory(elements * (sizeof(double) + sizeof(std::uint8_t)));
    values_ = reinterpret_cast<double*>(storage_.data());
    tags_ = reinterpret_cast<std::uint8_t*>(storage_.data() + elements * sizeof(double));
}

void TrackPlan::storeDrawnPoints() {
    if (pointsStored() || !dimensioned()) return;
    allocateStoredPoints();
    if (startDrawn_) {
        for (int point = 0; point < 2; ++point) {
            for (int coord = 0; coord < 2; ++coord) {
                setInteger(point, coord, kStartPoints[point][coord]);
            }
        }
    }
    double* x = values(0);
    double* y = values(1);
    forEachDrawnPoint([x, y](std::int64_t m, double xm, double ym) {
        x[m] = xm;
        y[m] = ym;
    });
    if (const std::int64_t drawn = nextPoint() - 2; drawn > 0) {
        const auto count = static_cast<std::size_t>(drawn);
        std::memset(tags(0) + 2, static_cast<int>(PlanTag::real), count);
        std::memset(tags(1) + 2, static_cast<int>(PlanTag::real), count);
    }
}

}  // namespace scenario
