#include "compiler/scenario_model.h"

#include <cstring>
#include <utility>

namespace scenario {

TrackPlan::TrackPlan(const TrackPlan& other) {
    dimension(other.points_);
    if (other.storage_.size() != 0) {
        std::memcpy(storage_.data(), other.storage_.data(), storage_.size());
    }
}

TrackPlan& TrackPlan::operator=(const TrackPlan& other) {
    if (this != &other) *this = TrackPlan(other);
    return *this;
}

TrackPlan::TrackPlan(TrackPlan&& other) noexcept
    : points_(std::exchange(other.points_, 0)),
      storage_(std::move(other.storage_)),
      values_(std::exchange(other.values_, nullptr)),
      tags_(std::exchange(other.tags_, nullptr)) {}

TrackPlan& TrackPlan::operator=(TrackPlan&& other) noexcept {
    if (this != &other) {
        points_ = std::exchange(other.points_, 0);
        storage_ = std::move(other.storage_);
        values_ = std::exchange(other.values_, nullptr);
        tags_ = std::exchange(other.tags_, nullptr);
    }
    return *this;
}

void TrackPlan::dimension(std::int64_t points) {
    clear();
    const auto elements = static_cast<std::size_t>(2 * points);
    storage_ = BulkMemory(elements * (sizeof(double) + sizeof(std::uint8_t)));
    points_ = points;
    values_ = reinterpret_cast<double*>(storage_.data());
    tags_ = reinterpret_cast<std::uint8_t*>(storage_.data() + elements * sizeof(double));
}

void TrackPlan::clear() {
    points_ = 0;
    storage_ = BulkMemory();
    values_ = nullptr;
    tags_ = nullptr;
}

}  // namespace scenario
