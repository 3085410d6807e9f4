#include "compiler/scenario_model.h"

namespace scenario {

void TrackPlan::dimension(std::int64_t points) {
    points_ = points;
    tags_.assign(static_cast<std::size_t>(2 * points), static_cast<std::uint8_t>(PlanTag::empty));
    values_.assign(static_cast<std::size_t>(2 * points), 0.0);
}

void TrackPlan::clear() {
    points_ = 0;
    tags_ = {};
    values_ = {};
}

}  // namespace scenario
