// Decoding the compiled files back into the model's tables, for the tools that show authors
// what they compiled. The layouts are those the encoders write (record_layout.h).
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "compiler/scenario_model.h"

namespace scenario {

// A compiled file that does not hold what its layout says: truncated, too long, an unknown
// variant tag. `offset` is the byte where the fault stands.
class DecodeError : public std::runtime_error {
  public:
    DecodeError(const std::string& what, std::size_t offset)
        : std::runtime_error(what), offset_(offset) {}
    std::size_t offset() const { return offset_; }

  private:
    std::size_t offset_;
};

RouteTable decodeRouteTable(std::string_view bytes);
LineTable decodeLineTable(std::string_view bytes);
TrackPlan decodeTrackPlan(std::string_view bytes);

}  // namespace scenario
