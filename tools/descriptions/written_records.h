// The records behind a change of the track or of the general data, found among the records a
// compilation traced: what tells an author which line a change of the compiled scenario comes
// from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tools/descriptions/object_sources.h"

namespace tool {

// The last record of `kind` that holds at `cell` for a value that holds from its position's
// cell (position / 50) on: a gradient, a speed limit, an adhesion.
std::optional<std::string> recordInForce(const TracedSources& sources, scenario::RecordKind kind,
                                         std::int64_t cell);

// The last record of `kind` whose stretch from its first number to its second (a mountain
// stretch) or over its second number of metres (a curve) covers `metre`.
std::optional<std::string> recordCovering(const TracedSources& sources, scenario::RecordKind kind,
                                          std::int64_t metre);

// The last record of `kind`, or of a station named `text` (Windows-1252).
std::optional<std::string> lastRecord(const TracedSources& sources, scenario::RecordKind kind,
                                      std::string_view text = {});

}  // namespace tool
