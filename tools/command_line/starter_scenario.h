// The small scenario `scenario-tool new` writes for an author to start from: a line of 10 km
// with two stations, four signals, a curve, gradients, a speed record at 0 and a slowdown, and
// a train for it. It compiles with no error and no warning, and each record stands under a
// comment naming its fields.
#pragma once

#include <span>
#include <string_view>

namespace tool {

std::span<const std::string_view> starterLineDescription();
std::span<const std::string_view> starterTrainDescription();

}  // namespace tool
