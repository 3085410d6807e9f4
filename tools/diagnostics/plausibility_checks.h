// Warnings about a pair of descriptions that compiles into something a driver could hardly
// run: scheduled times that run backwards, a station name given to two places, a speed limit of
// 0, stretches of the route before the first speed or adhesion record, objects past the end of
// the line, a description that does not end with its "[fine]" line, and records a drivable
// scenario needs that are missing. The facts are those the compiler's observer heard, so that
// the warnings and the compiled bytes cannot disagree.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "tools/descriptions/record_trace.h"
#include "tools/diagnostics/range_checks.h"

namespace tool {

inline constexpr std::string_view kTimeOrder = "time-order";
inline constexpr std::string_view kRepeatedStation = "repeated-station";
inline constexpr std::string_view kZeroSpeed = "zero-speed";
inline constexpr std::string_view kStartUncovered = "start-uncovered";
inline constexpr std::string_view kPastLineEnd = "past-line-end";
inline constexpr std::string_view kMissingEndHeader = "missing-end-header";
inline constexpr std::string_view kMissingRecord = "missing-record";

// A scheduled time this much earlier than the one before it is taken as the next day's: the
// run passed midnight.
inline constexpr int kMidnightGap = 12 * 3600;

// Every such warning not turned off in `disabled`, for each description in the order of its
// records; a description whose reading stopped early gets none of those that need its end.
RangeWarnings plausibilityWarnings(const RangeCheckInput& input, const RecordTrace& trace,
                                   std::span<const std::string> disabled);

}  // namespace tool
