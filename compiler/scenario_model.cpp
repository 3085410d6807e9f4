#include "compiler/scenario_model.h"

#include <cstring>

namespace scenario {

TrackPlan::TrackPlan(const TrackPlan& other) : points_(other.points_), tags_(other.tags_) {
    if (other.values_) {
        const std::size_t n = static_cast<std::size_t>(2 * points_);
        values_.reset(new double[n]);
        std::memcpy(values_.get(), other.values_.get(), n * sizeof(double));
    }
}

TrackPlan& TrackPlan::operator=(const TrackPlan& other) {
    if (this != &other) *this = TrackPlan(other);
    return *this;
}

void TrackPlan::dimension(std::int64_t points) {
    points_ = points;
    tags_.assign(static_cast<std::size_t>(2 * points), static_cast<std::uint8_t>(PlanTag::empty));
    values_.reset(new double[static_cast<std::size_t>(2 * points)]);
}

void TrackPlan::clear() {
    points_ = 0;
    tags_ = {};
    values_.reset();
}

}  // namespace scenario
