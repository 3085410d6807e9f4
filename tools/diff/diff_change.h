// One change between two compiled scenarios, told in the author's terms.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tool {

struct Change {
    // What changed: "signal", "station", "slowdown", "gradient", "speed limit", "adhesion",
    // "mountain stretch", "curve", "train", "line", "cell", ...
    std::string kind;
    std::string what;   // "added", "removed", "moved" or "changed"
    std::string field;  // the changed value's name in the format reference, when it is one
    std::optional<std::string> from;  // the value in A and in B, as text
    std::optional<std::string> to;
    std::optional<std::int64_t> position;     // metres where the change starts on the line
    std::optional<std::int64_t> positionInB;  // where it stands in B, when that is elsewhere
    std::string text;                         // the line told
    std::optional<std::string> sourceA;       // FILE:LINE of the record in A's descriptions
    std::optional<std::string> sourceB;
};

}  // namespace tool
