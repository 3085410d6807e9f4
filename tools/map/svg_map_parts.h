// The plan and the profile drawn from a model already built, so that the whole map builds it
// once for both.
#pragma once

#include <optional>
#include <string>

#include "tools/map/map_model.h"

namespace tool {

// Nothing when there is no plan, or it draws nothing of the stretch.
std::optional<std::string> planSvg(const MapModel& model, const scenario::TrackPlan* plan,
                                   const MapView& view);
// The profile laid out for a picture of `width` by `height` units.
std::string profileSvg(const MapModel& model, double width, double height);

}  // namespace tool
