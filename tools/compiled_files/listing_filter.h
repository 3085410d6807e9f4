// What `inspect --only KINDS --km FROM-TO` keeps of a route's listing: objects of some kinds,
// and everything within a stretch of the line.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>

#include "tools/compiled_files/inspection.h"

namespace tool {

struct ListingFilter {
    std::optional<std::set<std::uint8_t>> kinds;  // nothing: every kind of object
    bool track = true;                            // the track runs
    bool approaches = true;                       // the approach codes
    std::optional<std::int64_t> from;             // metres, both ends included
    std::optional<std::int64_t> to;

    bool keeps(const RouteObject& o) const;
    bool keeps(const TrackRun& run) const;
    bool keeps(const ApproachCode& a) const;
};

// "35+150", "35" or "35.15" (km) in metres; nothing for anything else.
std::optional<std::int64_t> parseKilometre(std::string_view text);

// The filter `--only` and `--km` give, or the words that say what is wrong with them. KINDS is
// a comma-separated list of kind names as inspect prints them, or their first words
// ("slowdown" for its start, end and warning board), with "-" for a blank, and "track" and
// "approach" for those sections; FROM-TO two kilometres, FROM not after TO.
std::variant<ListingFilter, std::string> listingFilter(const std::optional<std::string>& only,
                                                       const std::optional<std::string>& km);

}  // namespace tool
